#include "peer/gltf_export.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>
#include <optional>
#include <vector>

#include "peer/base64.h"
#include "peer/json_writer.h"
#include "peer/png_file.h"

namespace korvan::peer {

namespace {

constexpr uint32_t kFloatComponent = 5126;
constexpr uint32_t kUnsignedIntComponent = 5125;
constexpr uint32_t kArrayBufferTarget = 34962;
constexpr uint32_t kElementBufferTarget = 34963;
constexpr uint32_t kTriangles = 4;
constexpr uint32_t kRepeat = 10497;

struct Accessor {
    size_t byteOffset;
    size_t byteLength;
    uint32_t target;
    uint32_t componentType;
    size_t count;
    const char* type;
    std::vector<float> min, max;  // only for positions
};

class BufferBuilder {
  public:
    template <typename Value>
    size_t Append(const std::vector<Value>& values) {
        const size_t offset = bytes_.size();
        bytes_.resize(offset + values.size() * sizeof(Value));
        if (!values.empty()) std::memcpy(bytes_.data() + offset, values.data(), values.size() * sizeof(Value));
        return offset;
    }
    const std::vector<uint8_t>& Bytes() const { return bytes_; }

  private:
    std::vector<uint8_t> bytes_;  // every part a multiple of 4 bytes, so all stay aligned
};

// glTF wants unit normals; a zero normal (nothing to go by) points up.
std::vector<float> UnitNormals(const std::vector<float>& normals) {
    std::vector<float> unit(normals.size());
    for (size_t i = 0; i + 2 < normals.size(); i += 3) {
        const double x = normals[i], y = normals[i + 1], z = normals[i + 2];
        const double length = std::sqrt(x * x + y * y + z * z);
        if (length > 0) {
            unit[i] = static_cast<float>(x / length);
            unit[i + 1] = static_cast<float>(y / length);
            unit[i + 2] = static_cast<float>(z / length);
        } else {
            unit[i + 1] = 1.0f;
        }
    }
    return unit;
}

void PositionBounds(const std::vector<float>& positions, std::vector<float>& min, std::vector<float>& max) {
    min.assign(3, std::numeric_limits<float>::infinity());
    max.assign(3, -std::numeric_limits<float>::infinity());
    for (size_t i = 0; i < positions.size(); ++i) {
        min[i % 3] = std::min(min[i % 3], positions[i]);
        max[i % 3] = std::max(max[i % 3], positions[i]);
    }
}

void WriteFloats(JsonWriter& json, const std::vector<float>& values) {
    json.BeginArray();
    for (float value : values) json.Float(value);
    json.EndArray();
}

}  // namespace

float LinearChannel(uint32_t srgb) {
    const double c = std::min<uint32_t>(srgb, 255) / 255.0;
    return static_cast<float>(c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
}

bool WriteGltfFile(const std::string& path, const PeerScene& scene, const std::string& name,
                   std::string* error) {
    BufferBuilder buffer;
    std::vector<Accessor> accessors;
    std::vector<const SceneMaterial*> drawn;
    for (const SceneMaterial& material : scene.materials) {
        const MaterialMesh& mesh = *material.mesh;
        if (mesh.indices.empty()) continue;  // a primitive needs at least one triangle
        drawn.push_back(&material);
        const size_t vertices = mesh.VertexCount();
        Accessor position{buffer.Append(mesh.positions), mesh.positions.size() * 4,
                          kArrayBufferTarget, kFloatComponent, vertices, "VEC3", {}, {}};
        PositionBounds(mesh.positions, position.min, position.max);
        accessors.push_back(position);
        accessors.push_back({buffer.Append(UnitNormals(mesh.normals)), mesh.normals.size() * 4,
                             kArrayBufferTarget, kFloatComponent, vertices, "VEC3", {}, {}});
        accessors.push_back({buffer.Append(mesh.uvs), mesh.uvs.size() * 4, kArrayBufferTarget,
                             kFloatComponent, vertices, "VEC2", {}, {}});
        accessors.push_back({buffer.Append(mesh.indices), mesh.indices.size() * 4,
                             kElementBufferTarget, kUnsignedIntComponent, mesh.indices.size(),
                             "SCALAR", {}, {}});
    }

    JsonWriter json;
    json.BeginObject();
    json.Key("asset").BeginObject();
    json.Key("version").String("2.0").Key("generator").String("korvan-peer");
    json.EndObject();
    json.Key("scene").Unsigned(0);
    json.Key("scenes").BeginArray().BeginObject().Key("name").String(name);
    if (!drawn.empty()) json.Key("nodes").BeginArray().Unsigned(0).EndArray();
    json.EndObject().EndArray();
    if (!drawn.empty()) {
        json.Key("nodes").BeginArray().BeginObject();
        json.Key("name").String(name).Key("mesh").Unsigned(0);
        // Korvan's axes are left-handed (SketchUp's y and z exchanged), glTF's right-handed:
        // mirrored along z the model reads as in SketchUp, and glTF viewers turn the winding
        // of a mirrored node's faces round themselves.
        json.Key("scale").BeginArray().Float(1).Float(1).Float(-1).EndArray();
        json.EndObject().EndArray();
        json.Key("meshes").BeginArray().BeginObject().Key("name").String(name);
        json.Key("primitives").BeginArray();
        for (size_t m = 0; m < drawn.size(); ++m) {
            json.BeginObject().Key("attributes").BeginObject();
            json.Key("POSITION").Unsigned(4 * m);
            json.Key("NORMAL").Unsigned(4 * m + 1);
            json.Key("TEXCOORD_0").Unsigned(4 * m + 2);
            json.EndObject();
            json.Key("indices").Unsigned(4 * m + 3);
            json.Key("material").Unsigned(m);
            json.Key("mode").Unsigned(kTriangles);
            json.EndObject();
        }
        json.EndArray().EndObject().EndArray();

        // One image per picture, however many materials show it.
        std::vector<const TextureImage*> pictures;
        const auto pictureOf = [&](const SceneMaterial* material) -> std::optional<size_t> {
            if (!material->texture) return std::nullopt;
            const auto found = std::find(pictures.begin(), pictures.end(), material->texture.get());
            if (found != pictures.end()) return static_cast<size_t>(found - pictures.begin());
            pictures.push_back(material->texture.get());
            return pictures.size() - 1;
        };
        json.Key("materials").BeginArray();
        for (const SceneMaterial* material : drawn) {
            json.BeginObject().Key("name").String(material->name);
            json.Key("pbrMetallicRoughness").BeginObject().Key("baseColorFactor").BeginArray();
            json.Float(LinearChannel((material->colour >> 16) & 0xFF));
            json.Float(LinearChannel((material->colour >> 8) & 0xFF));
            json.Float(LinearChannel(material->colour & 0xFF));
            json.Float(material->opacity);
            json.EndArray();
            if (const std::optional<size_t> picture = pictureOf(material))
                json.Key("baseColorTexture").BeginObject().Key("index").Unsigned(*picture).EndObject();
            json.Key("metallicFactor").Float(0).Key("roughnessFactor").Float(1);
            json.EndObject();
            json.Key("alphaMode").String(material->opacity < 1.0f ? "BLEND" : "OPAQUE");
            json.Key("doubleSided").Bool(false);
            json.Key("extras").BeginObject().Key("recordId").Unsigned(material->id).EndObject();
            json.EndObject();
        }
        json.EndArray();

        if (!pictures.empty()) {
            // glTF's texture coordinates start at the picture's top left, SketchUp's at its
            // bottom left: the picture goes upside down, and the coordinates stay as sent.
            json.Key("images").BeginArray();
            for (const TextureImage* picture : pictures) {
                const std::vector<uint8_t> png = EncodePng(picture->width, picture->height, picture->rgb, true);
                json.BeginObject().Key("uri").String("data:image/png;base64," + Base64(png)).EndObject();
            }
            json.EndArray();
            json.Key("samplers").BeginArray().BeginObject();
            json.Key("wrapS").Unsigned(kRepeat).Key("wrapT").Unsigned(kRepeat);
            json.EndObject().EndArray();
            json.Key("textures").BeginArray();
            for (size_t i = 0; i < pictures.size(); ++i)
                json.BeginObject().Key("sampler").Unsigned(0).Key("source").Unsigned(i).EndObject();
            json.EndArray();
        }

        json.Key("accessors").BeginArray();
        for (size_t a = 0; a < accessors.size(); ++a) {
            const Accessor& accessor = accessors[a];
            json.BeginObject();
            json.Key("bufferView").Unsigned(a);
            json.Key("componentType").Unsigned(accessor.componentType);
            json.Key("count").Unsigned(accessor.count);
            json.Key("type").String(accessor.type);
            if (!accessor.min.empty()) {
                json.Key("min");
                WriteFloats(json, accessor.min);
                json.Key("max");
                WriteFloats(json, accessor.max);
            }
            json.EndObject();
        }
        json.EndArray();
        json.Key("bufferViews").BeginArray();
        for (const Accessor& accessor : accessors) {
            json.BeginObject();
            json.Key("buffer").Unsigned(0);
            json.Key("byteOffset").Unsigned(accessor.byteOffset);
            json.Key("byteLength").Unsigned(accessor.byteLength);
            json.Key("target").Unsigned(accessor.target);
            json.EndObject();
        }
        json.EndArray();
        json.Key("buffers").BeginArray().BeginObject();
        json.Key("byteLength").Unsigned(buffer.Bytes().size());
        json.Key("uri").String("data:application/octet-stream;base64," + Base64(buffer.Bytes()));
        json.EndObject().EndArray();
    }
    json.EndObject();

    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << json.Text() << '\n';
    out.close();
    if (!out) {
        if (error) *error = "cannot write \"" + path + "\"";
        return false;
    }
    return true;
}

}  // namespace korvan::peer
