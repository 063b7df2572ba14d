// The triangle mesh of one face, as SketchUp's mesh helper gives it: the face's loop vertices
// (plus any the tessellator had to add), triangles wound counter-clockwise about the face
// normal, per-vertex normals smoothed across edges that are both soft and smooth, and front
// and back texture coordinates (s, t, q) from the materials' textures.
#pragma once

#include <cstddef>
#include <vector>

#include "model/topology.h"

namespace hostsim {

struct FaceMesh {
    std::vector<Vec3> vertices;
    std::vector<Vec3> normals;
    std::vector<Vec3> frontStq;
    std::vector<Vec3> backStq;
    std::vector<size_t> indices;  // three per triangle

    size_t TriangleCount() const { return indices.size() / 3; }
};

// Meshes a face in the coordinates of the collection that holds it. Holes include the
// openings cut by components glued to the face.
FaceMesh MeshFace(const Face& face);

// The rings of a face that the mesh covers: the outer loop first, then every hole.
std::vector<std::vector<Vec3>> FaceRings(const Face& face);

}  // namespace hostsim
