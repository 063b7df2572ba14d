#include "peer/triangle_dump.h"

#include <cstdio>

namespace korvan::peer {

namespace {

void AppendNumber(std::string& text, float value, bool first) {
    char number[32];
    std::snprintf(number, sizeof number, first ? "%.9g" : " %.9g", static_cast<double>(value));
    text += number;
}

}  // namespace

std::string TriangleDump(const PeerScene& scene) {
    std::string text;
    for (const SceneMaterial& material : scene.materials) {
        std::string name = material.name;
        for (char& c : name) {
            if (c == '\n' || c == '\r') c = ' ';
        }
        text += "material " + std::to_string(material.id) + " " + name + "\n";
        const MaterialMesh& mesh = *material.mesh;
        for (size_t i = 0; i + 2 < mesh.indices.size(); i += 3) {
            for (size_t k = 0; k < 3; ++k) {
                const size_t v = mesh.indices[i + k];
                for (size_t c = 0; c < 3; ++c) AppendNumber(text, mesh.positions[3 * v + c], k == 0 && c == 0);
                for (size_t c = 0; c < 3; ++c) AppendNumber(text, mesh.normals[3 * v + c], false);
                for (size_t c = 0; c < 2; ++c) AppendNumber(text, mesh.uvs[2 * v + c], false);
            }
            text += '\n';
        }
    }
    return text;
}

}  // namespace korvan::peer
