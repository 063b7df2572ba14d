#include "peer/software_rasteriser.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace korvan::peer {

namespace {

// A vertex in camera space: x right, y up, z the distance along the line of sight.
struct ViewVertex {
    Vec3 position;
    Vec3 normal;
    double u = 0, v = 0;  // texture coordinates
};

struct Shading {
    double red, green, blue;  // the material colour, 0 to 255
    double opacity;
    bool blend;
    const TextureImage* texture;  // drawn instead of the colour when there is one
};

class Rasteriser {
  public:
    Rasteriser(const ViewCamera& camera, uint32_t width, uint32_t height)
        : width_(width), height_(height), colour_(size_t{width} * height * 3),
          depth_(size_t{width} * height, 0.0f) {
        for (size_t i = 0; i < colour_.size(); i += 3) {
            colour_[i] = kBackgroundRgb[0];
            colour_[i + 1] = kBackgroundRgb[1];
            colour_[i + 2] = kBackgroundRgb[2];
        }
        // Korvan's world is left-handed (SketchUp's y and z exchanged), so right is up x forward;
        // the other way round would show the model mirrored.
        forward_ = Normalised(camera.target - camera.eye);
        right_ = Normalised(Cross(camera.up, forward_));
        up_ = Cross(forward_, right_);
        eye_ = camera.eye;
        focal_ = 0.5 * height / std::tan(camera.fieldOfViewDegrees * std::numbers::pi / 360.0);
        centreX_ = 0.5 * width;
        centreY_ = 0.5 * height;
        near_ = std::max(1e-3 * Length(camera.target - camera.eye), 1e-6);
        light_ = ToView(kLightDirection);
    }

    Vec3 ToView(Vec3 direction) const {
        return {Dot(direction, right_), Dot(direction, up_), Dot(direction, forward_)};
    }
    ViewVertex ToViewVertex(const MaterialMesh& mesh, uint32_t index) const {
        const float* p = &mesh.positions[size_t{index} * 3];
        const float* n = &mesh.normals[size_t{index} * 3];
        const bool mapped = mesh.uvs.size() >= (size_t{index} + 1) * 2;
        return {ToView(Vec3{p[0], p[1], p[2]} - eye_), ToView(Vec3{n[0], n[1], n[2]}),
                mapped ? mesh.uvs[size_t{index} * 2] : 0.0, mapped ? mesh.uvs[size_t{index} * 2 + 1] : 0.0};
    }
    double Near() const { return near_; }

    // Cuts away what lies in front of the near plane and what projects too far outside the
    // image for exact edge arithmetic, then fills what is left.
    void Draw(const std::array<ViewVertex, 3>& triangle, const Shading& shading) {
        const Vec3 faceNormal = Cross(triangle[1].position - triangle[0].position,
                                      triangle[2].position - triangle[0].position);
        Polygon polygon;
        polygon.count = 3;
        std::copy(triangle.begin(), triangle.end(), polygon.corners.begin());
        const double guard = kGuardPixels;
        const std::array<Vec3, 5> planes{Vec3{0, 0, 1}, Vec3{-focal_, 0, guard},
                                         Vec3{focal_, 0, guard}, Vec3{0, -focal_, guard},
                                         Vec3{0, focal_, guard}};
        const std::array<double, 5> offsets{-near_, 0, 0, 0, 0};
        for (size_t p = 0; p < planes.size() && polygon.count >= 3; ++p) {
            bool allInside = true;
            for (size_t i = 0; i < polygon.count; ++i)
                allInside = allInside && Dot(planes[p], polygon.corners[i].position) + offsets[p] >= 0;
            if (!allInside) polygon = Clip(polygon, planes[p], offsets[p]);
        }
        for (size_t i = 2; i < polygon.count; ++i)
            Fill({polygon.corners[0], polygon.corners[i - 1], polygon.corners[i]}, faceNormal,
                 shading);
    }

    RgbImage Image() const {
        RgbImage image{width_, height_, std::vector<uint8_t>(colour_.size())};
        for (size_t i = 0; i < colour_.size(); ++i)
            image.pixels[i] = static_cast<uint8_t>(std::clamp(std::lround(colour_[i]), 0L, 255L));
        return image;
    }

  private:
    // Every projected corner stays this close to the image, so that the edge functions can be
    // worked out exactly in 64-bit integers on a grid of 1/256 pixel.
    static constexpr double kGuardPixels = 1 << 20;
    static constexpr double kSubpixels = 256;

    struct Polygon {
        std::array<ViewVertex, 8> corners;  // a triangle cut by five planes has at most eight
        size_t count = 0;
    };

    // The part of the polygon where Dot(plane, position) + offset >= 0.
    static Polygon Clip(const Polygon& polygon, const Vec3& plane, double offset) {
        Polygon kept;
        for (size_t i = 0; i < polygon.count; ++i) {
            const ViewVertex& a = polygon.corners[i];
            const ViewVertex& b = polygon.corners[(i + 1) % polygon.count];
            const double da = Dot(plane, a.position) + offset;
            const double db = Dot(plane, b.position) + offset;
            if (da >= 0) kept.corners[kept.count++] = a;
            if ((da >= 0) != (db >= 0)) {
                const double t = da / (da - db);
                kept.corners[kept.count++] = {a.position + (b.position - a.position) * t,
                                              a.normal + (b.normal - a.normal) * t,
                                              a.u + (b.u - a.u) * t, a.v + (b.v - a.v) * t};
            }
        }
        return kept;
    }

    struct ScreenVertex {
        double x, y;  // pixels, y down
        int64_t fx, fy;  // the same on the subpixel grid
        double inverseDepth;
        Vec3 normalOverDepth;
        double uOverDepth, vOverDepth;
    };

    ScreenVertex Project(const ViewVertex& vertex) const {
        const double inverse = 1.0 / vertex.position.z;
        const double x = centreX_ + focal_ * vertex.position.x * inverse;
        const double y = centreY_ - focal_ * vertex.position.y * inverse;
        return {x, y, std::llround(x * kSubpixels), std::llround(y * kSubpixels), inverse,
                vertex.normal * inverse, vertex.u * inverse, vertex.v * inverse};
    }

    // A pixel on the edge from a to b belongs to one of the two triangles that share it: the one
    // that runs the edge downwards, or leftwards when it is level.
    static bool OwnsEdge(const ScreenVertex& a, const ScreenVertex& b) {
        const int64_t dy = b.fy - a.fy;
        return dy > 0 || (dy == 0 && b.fx - a.fx < 0);
    }

    void Fill(const std::array<ViewVertex, 3>& triangle, const Vec3& faceNormal,
              const Shading& shading) {
        ScreenVertex v0 = Project(triangle[0]);
        ScreenVertex v1 = Project(triangle[1]);
        ScreenVertex v2 = Project(triangle[2]);
        if (!std::isfinite(v0.x + v0.y + v1.x + v1.y + v2.x + v2.y)) return;
        int64_t area = (v1.fx - v0.fx) * (v2.fy - v0.fy) - (v1.fy - v0.fy) * (v2.fx - v0.fx);
        if (area == 0) return;
        if (area < 0) {
            std::swap(v1, v2);
            area = -area;
        }
        const double minX = std::max(0.0, std::floor(std::min({v0.x, v1.x, v2.x})));
        const double maxX = std::min(width_ - 1.0, std::ceil(std::max({v0.x, v1.x, v2.x})));
        const double minY = std::max(0.0, std::floor(std::min({v0.y, v1.y, v2.y})));
        const double maxY = std::min(height_ - 1.0, std::ceil(std::max({v0.y, v1.y, v2.y})));
        if (minX > maxX || minY > maxY) return;

        // Edge functions on the subpixel grid, each positive inside. Two triangles that share an
        // edge get exactly opposite functions for it, so no pixel is left out or drawn twice.
        struct Edge {
            int64_t stepX, stepY, origin;
            bool owned;
            int64_t At(int64_t x, int64_t y) const { return origin + stepX * x + stepY * y; }
        };
        const auto edge = [](const ScreenVertex& a, const ScreenVertex& b) {
            return Edge{a.fy - b.fy, b.fx - a.fx, a.fx * b.fy - a.fy * b.fx, OwnsEdge(a, b)};
        };
        const std::array<Edge, 3> edges{edge(v1, v2), edge(v2, v0), edge(v0, v1)};
        const double inverseArea = 1.0 / static_cast<double>(area);
        const int64_t subpixels = static_cast<int64_t>(kSubpixels);
        const Vec3 facing = faceNormal;

        for (double y = minY; y <= maxY; ++y) {
            const double py = y + 0.5;
            int64_t w[3];
            for (size_t e = 0; e < 3; ++e) {
                w[e] = edges[e].At(static_cast<int64_t>(minX) * subpixels + subpixels / 2,
                                   static_cast<int64_t>(y) * subpixels + subpixels / 2);
            }
            size_t index = (static_cast<size_t>(y) * width_ + static_cast<size_t>(minX));
            for (double x = minX; x <= maxX; ++x, ++index) {
                const bool inside = (w[0] > 0 || (w[0] == 0 && edges[0].owned)) &&
                                    (w[1] > 0 || (w[1] == 0 && edges[1].owned)) &&
                                    (w[2] > 0 || (w[2] == 0 && edges[2].owned));
                if (inside) {
                    const double b0 = static_cast<double>(w[0]) * inverseArea;
                    const double b1 = static_cast<double>(w[1]) * inverseArea;
                    const double b2 = static_cast<double>(w[2]) * inverseArea;
                    const float inverseDepth = static_cast<float>(
                        b0 * v0.inverseDepth + b1 * v1.inverseDepth + b2 * v2.inverseDepth);
                    if (inverseDepth > depth_[index]) {
                        const Vec3 normal = v0.normalOverDepth * b0 + v1.normalOverDepth * b1 +
                                            v2.normalOverDepth * b2;
                        const Vec3 ray{(x + 0.5 - centreX_) / focal_, -(py - centreY_) / focal_,
                                       1.0};
                        const double light = Light(normal, facing, ray);
                        std::array<double, 3> colour{shading.red, shading.green, shading.blue};
                        if (shading.texture) {
                            // Interpolated over depth, so the picture is not bent by perspective.
                            const double depth = 1.0 / (b0 * v0.inverseDepth + b1 * v1.inverseDepth +
                                                        b2 * v2.inverseDepth);
                            colour = shading.texture->Sample(
                                (b0 * v0.uOverDepth + b1 * v1.uOverDepth + b2 * v2.uOverDepth) * depth,
                                (b0 * v0.vOverDepth + b1 * v1.vOverDepth + b2 * v2.vOverDepth) * depth);
                        }
                        Put(index, shading, colour, light);
                        if (!shading.blend) depth_[index] = inverseDepth;
                    }
                }
                for (size_t e = 0; e < 3; ++e) w[e] += edges[e].stepX * subpixels;
            }
        }
    }

    // Lit from the fixed light on the side that faces the camera; a zero normal falls back on
    // the triangle's own.
    double Light(Vec3 normal, const Vec3& faceNormal, const Vec3& ray) const {
        double length = Length(normal);
        if (!(length > 0)) {
            normal = faceNormal;
            length = Length(normal);
            if (!(length > 0)) return kAmbientShare;
        }
        if (Dot(normal, ray) > 0) normal = normal * -1.0;
        const double diffuse = std::max(0.0, Dot(normal, light_) / length);
        return kAmbientShare + (1.0 - kAmbientShare) * diffuse;
    }

    void Put(size_t index, const Shading& shading, const std::array<double, 3>& surface, double light) {
        float* pixel = &colour_[index * 3];
        const double colour[3] = {surface[0] * light, surface[1] * light, surface[2] * light};
        for (size_t c = 0; c < 3; ++c) {
            pixel[c] = static_cast<float>(shading.blend ? shading.opacity * colour[c] +
                                                              (1 - shading.opacity) * pixel[c]
                                                        : colour[c]);
        }
    }

    uint32_t width_, height_;
    std::vector<float> colour_;
    std::vector<float> depth_;  // 1 / distance, 0 where nothing was drawn
    Vec3 eye_, forward_, right_, up_, light_;
    double focal_ = 1, centreX_ = 0, centreY_ = 0, near_ = 1e-3;
};

Shading ShadingOf(const SceneMaterial& material) {
    return {static_cast<double>((material.colour >> 16) & 0xFF),
            static_cast<double>((material.colour >> 8) & 0xFF),
            static_cast<double>(material.colour & 0xFF), material.opacity,
            material.opacity < 1.0f, material.texture.get()};
}

// Sorted by distance, so kept small: the corners are looked up again when it is drawn.
struct TransparentTriangle {
    double depth;     // of its centre
    uint32_t layer;   // which of the transparent materials
    uint32_t first;   // its first index
};

// A transparent material with its vertices already in camera space.
struct TransparentLayer {
    const SceneMaterial* material;
    std::vector<ViewVertex> vertices;
};

// The corners' normals, summed, point the same way as the line of sight to the triangle. A
// triangle without normals faces every way.
bool FacesAway(const std::array<ViewVertex, 3>& corners) {
    const Vec3 normal = corners[0].normal + corners[1].normal + corners[2].normal;
    const Vec3 centre = corners[0].position + corners[1].position + corners[2].position;
    return Dot(normal, centre) > 0;
}

std::array<ViewVertex, 3> Corners(const std::vector<ViewVertex>& vertices,
                                  const std::vector<uint32_t>& indices, size_t first) {
    return {vertices[indices[first]], vertices[indices[first + 1]], vertices[indices[first + 2]]};
}

}  // namespace

RgbImage RenderScene(const PeerScene& scene, const ViewCamera& camera, uint32_t width,
                     uint32_t height) {
    Rasteriser rasteriser(camera, width, height);
    std::vector<TransparentLayer> layers;
    std::vector<TransparentTriangle> transparent;
    std::vector<ViewVertex> opaqueVertices;
    for (const SceneMaterial& material : scene.materials) {
        const MaterialMesh& mesh = *material.mesh;
        if (material.opacity <= 0.0f || mesh.indices.empty()) continue;
        const Shading shading = ShadingOf(material);
        if (shading.blend) layers.push_back({&material, {}});
        std::vector<ViewVertex>& vertices = shading.blend ? layers.back().vertices : opaqueVertices;
        vertices.resize(mesh.VertexCount());
        for (uint32_t v = 0; v < vertices.size(); ++v)
            vertices[v] = rasteriser.ToViewVertex(mesh, v);
        for (size_t i = 0; i + 2 < mesh.indices.size(); i += 3) {
            const std::array<ViewVertex, 3> corners = Corners(vertices, mesh.indices, i);
            if (std::max({corners[0].position.z, corners[1].position.z, corners[2].position.z}) <
                rasteriser.Near())
                continue;
            // A side turned away from the eye is not seen: each face comes as two sides, the
            // back one in its own material, and only the one facing the camera may show.
            if (FacesAway(corners)) continue;
            if (shading.blend) {
                const double depth =
                    (corners[0].position.z + corners[1].position.z + corners[2].position.z) / 3;
                transparent.push_back({depth, static_cast<uint32_t>(layers.size() - 1),
                                       static_cast<uint32_t>(i)});
            } else {
                rasteriser.Draw(corners, shading);
            }
        }
    }
    std::stable_sort(transparent.begin(), transparent.end(),
                     [](const TransparentTriangle& a, const TransparentTriangle& b) {
                         return a.depth > b.depth;
                     });
    for (const TransparentTriangle& triangle : transparent) {
        const TransparentLayer& layer = layers[triangle.layer];
        rasteriser.Draw(Corners(layer.vertices, layer.material->mesh->indices, triangle.first),
                        ShadingOf(*layer.material));
    }
    return rasteriser.Image();
}

}  // namespace korvan::peer
