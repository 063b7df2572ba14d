#include "peer/obj_export.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace korvan::peer {

namespace {

// OBJ and MTL texts are line- and blank-separated: material names are made of the record id,
// the material's own name goes into a comment with its line breaks taken out.
std::string ObjMaterialName(const SceneMaterial& material) {
    return "material" + std::to_string(material.id);
}

std::string OneLine(std::string text) {
    for (char& c : text) {
        if (c == '\n' || c == '\r') c = ' ';
    }
    return text;
}

std::string Numbers(const char* prefix, const float* values, size_t count) {
    std::string line = prefix;
    char number[32];
    for (size_t i = 0; i < count; ++i) {
        std::snprintf(number, sizeof number, " %.9g", static_cast<double>(values[i]));
        line += number;
    }
    line += '\n';
    return line;
}

}  // namespace

bool WriteObjFiles(const std::string& path, const PeerScene& scene, const std::string& name,
                   std::string* error) {
    const std::filesystem::path library = std::filesystem::path(path).replace_extension(".mtl");
    std::ofstream mtl(library, std::ios::binary | std::ios::trunc);
    std::ofstream obj(path, std::ios::binary | std::ios::trunc);
    obj << "# korvan-peer: " << OneLine(name) << "\n";
    obj << "mtllib " << library.filename().string() << "\n";
    uint64_t firstVertex = 1;  // OBJ counts from 1, across the whole file
    for (const SceneMaterial& material : scene.materials) {
        const MaterialMesh& mesh = *material.mesh;
        if (mesh.indices.empty()) continue;
        const float kd[3] = {((material.colour >> 16) & 0xFF) / 255.0f,
                             ((material.colour >> 8) & 0xFF) / 255.0f,
                             (material.colour & 0xFF) / 255.0f};
        mtl << "# " << OneLine(material.name) << "\n";
        mtl << "newmtl " << ObjMaterialName(material) << "\n";
        mtl << Numbers("Kd", kd, 3);
        mtl << Numbers("d", &material.opacity, 1);

        obj << "# " << OneLine(material.name) << "\n";
        obj << "g " << ObjMaterialName(material) << "\n";
        obj << "usemtl " << ObjMaterialName(material) << "\n";
        for (size_t v = 0; v < mesh.VertexCount(); ++v) {
            obj << Numbers("v", &mesh.positions[3 * v], 3);
            obj << Numbers("vn", &mesh.normals[3 * v], 3);
            obj << Numbers("vt", &mesh.uvs[2 * v], 2);
        }
        for (size_t i = 0; i + 2 < mesh.indices.size(); i += 3) {
            obj << "f";
            for (size_t k = 0; k < 3; ++k) {
                const std::string index = std::to_string(firstVertex + mesh.indices[i + k]);
                obj << ' ' << index << '/' << index << '/' << index;
            }
            obj << "\n";
        }
        firstVertex += mesh.VertexCount();
    }
    obj.close();
    mtl.close();
    if (!obj || !mtl) {
        if (error)
            *error = "cannot write \"" + (obj ? library.string() : path) + "\"";
        return false;
    }
    return true;
}

}  // namespace korvan::peer
