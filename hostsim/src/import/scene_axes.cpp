#include "import/scene_axes.h"

#include <assimp/metadata.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>

namespace hostsim {

namespace {

// Formats whose files are z-up by convention and that assimp leaves as they are.
bool ZUpByConvention(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const char* z : {".stl", ".ply", ".blend", ".3mf", ".amf"})
        if (ext == z) return true;
    return false;
}

double MetadataNumber(const aiMetadata* meta, const char* key, double fallback) {
    if (!meta) return fallback;
    float f = 0;
    double d = 0;
    int32_t i = 0;
    if (meta->Get(key, f)) return f;
    if (meta->Get(key, d)) return d;
    if (meta->Get(key, i)) return i;
    return fallback;
}

}  // namespace

Transform TransformOf(const aiMatrix4x4& m) {
    Transform t;
    const ai_real* rows[4] = {m[0], m[1], m[2], m[3]};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) t.At(r, c) = rows[r][c];
    return t;
}

Transform FileToSketchUp(const aiScene& scene, const std::string& path) {
    const aiMetadata* meta = scene.mMetaData;
    // FBX states its unit as centimetres per unit.
    double metres = 1.0;
    double cmPerUnit = MetadataNumber(meta, "UnitScaleFactor", 0);
    if (cmPerUnit > 0 && std::isfinite(cmPerUnit)) metres = cmPerUnit / 100.0;

    int up = ZUpByConvention(path) ? 2 : 1;
    int sign = 1;
    double statedUp = MetadataNumber(meta, "UpAxis", -1);
    if (statedUp >= 0 && statedUp <= 2) {
        up = static_cast<int>(statedUp);
        sign = MetadataNumber(meta, "UpAxisSign", 1) < 0 ? -1 : 1;
    }
    // A rotation taking the file's up axis to +z, as the images of the file's x, y and z axes.
    Vec3 x{1, 0, 0}, y{0, 1, 0}, z{0, 0, 1};
    if (up == 1) {
        y = {0, 0, 1};
        z = {0, -1, 0};
    } else if (up == 0) {
        x = {0, 0, 1};
        z = {-1, 0, 0};
    }
    Transform rotate = Transform::Axes({}, x, y, z);
    // Upside down: half a turn about the new x axis.
    if (sign < 0) rotate = Transform::Rotation({}, {1, 0, 0}, std::acos(-1.0)) * rotate;
    double s = metres * kInchesPerMetre;
    return Transform::Scaling(s, s, s) * rotate;
}

}  // namespace hostsim
