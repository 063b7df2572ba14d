// What the scene's unit tests share: SketchUp references to hostsim's objects, the inch, sets of
// material ids in order, and what the host's mesh helper makes of a face.
#pragma once

#include <SketchUpAPI/sketchup.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <set>
#include <vector>

#include "appearance/sketchup_reads.h"
#include "model/model.h"
// Last: Ruby's headers turn a few C library names into macros.
#include "scene/su_scene.h"

namespace scene_test {

inline constexpr float kInch = 0.0254f;

// A SketchUp reference (SUFaceRef, SUModelRef, ...) to one of hostsim's objects.
template <typename Ref>
Ref RefTo(void* object) {
    Ref ref;
    ref.ptr = object;
    return ref;
}

using Vec3 = std::array<float, 3>;

// Scale per axis, then translation (row vectors, translation in the last row).
inline korvan::Matrix4 ScaleThenMove(Vec3 scale, Vec3 move) {
    return {scale[0], 0, 0, 0, 0, scale[1], 0, 0, 0, 0, scale[2], 0, move[0], move[1], move[2], 1};
}
inline korvan::Matrix4 Translation(float x, float y, float z) { return ScaleThenMove({1, 1, 1}, {x, y, z}); }
inline korvan::Matrix4 Scaling(float x, float y, float z) { return ScaleThenMove({x, y, z}, {0, 0, 0}); }

inline SUFaceRef Ref(hostsim::Face* face) { return RefTo<SUFaceRef>(face); }
inline SUEdgeRef Ref(hostsim::Edge* edge) { return RefTo<SUEdgeRef>(edge); }
inline SULayerRef Ref(hostsim::Layer* layer) { return RefTo<SULayerRef>(layer); }
inline SUMaterialRef Ref(hostsim::Material* material) { return RefTo<SUMaterialRef>(material); }
inline SUModelRef Ref(hostsim::Model& model) { return RefTo<SUModelRef>(&model); }
inline uint32_t IdOf(const hostsim::Entity* entity) { return entity->id; }

inline std::set<uint32_t> Ids(const korvan::MaterialIdSet& set) {
    return std::set<uint32_t>(set.begin(), set.end());
}

// What the host's mesh helper makes of a face, read through the SDK's count-and-get pairs and
// apart from the scene.
struct HelperMesh {
    explicit HelperMesh(hostsim::Face* face) {
        SUMeshHelperRef h = SU_INVALID;
        EXPECT_EQ(SUMeshHelperCreate(&h, RefTo<SUFaceRef>(face)), SU_ERROR_NONE);
        points = korvan::ReadSketchUpList<SUPoint3D>(h, SUMeshHelperGetNumVertices,
                                                     SUMeshHelperGetVertices);
        front = korvan::ReadSketchUpList<SUPoint3D>(h, SUMeshHelperGetNumVertices,
                                                    SUMeshHelperGetFrontSTQCoords);
        normals = korvan::ReadSketchUpList<SUVector3D>(h, SUMeshHelperGetNumVertices,
                                                       SUMeshHelperGetNormals);
        const auto indexCount = [](SUMeshHelperRef m, size_t* n) {
            const SUResult r = SUMeshHelperGetNumTriangles(m, n);
            *n *= 3;
            return r;
        };
        indices = korvan::ReadSketchUpList<size_t>(h, indexCount, SUMeshHelperGetVertexIndices);
        EXPECT_EQ(SUMeshHelperRelease(&h), SU_ERROR_NONE);
        EXPECT_EQ(h.ptr, nullptr);
        EXPECT_EQ(front.size(), points.size());
        EXPECT_EQ(normals.size(), points.size());
    }
    size_t Triangles() const { return indices.size() / 3; }

    std::vector<SUPoint3D> points, front;
    std::vector<SUVector3D> normals;
    std::vector<size_t> indices;
};

}  // namespace scene_test
