#include "import/face_writer.h"

#include <algorithm>
#include <cmath>

namespace hostsim {

namespace {

bool Finite(const Vec3& p) {
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

}  // namespace

void Bounds::Add(const Vec3& p) {
    min = {std::min(min.x, p.x), std::min(min.y, p.y), std::min(min.z, p.z)};
    max = {std::max(max.x, p.x), std::max(max.y, p.y), std::max(max.z, p.z)};
}

void Bounds::AddTransformed(const Bounds& box, const Transform& t) {
    if (box.Empty()) return;
    for (int i = 0; i < 8; ++i)
        Add(t.ApplyPoint({i & 1 ? box.max.x : box.min.x, i & 2 ? box.max.y : box.min.y,
                          i & 4 ? box.max.z : box.min.z}));
}

FaceWriter::FaceWriter(Model& model, Entities* in, const Transform& place, ImportReport& report,
                       TextureFitter& fitter)
    : model_(model),
      in_(in),
      place_(place),
      mirrored_(place.IsMirrored()),
      report_(report),
      fitter_(fitter) {
    Transform inverse = place.Inverse();
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) normals_.At(r, c) = inverse.At(c, r);
}

void FaceWriter::AddMesh(const aiMesh& mesh, unsigned meshIndex, Material* paint) {
    if (!mesh.mVertices) return;
    const bool textured = paint && paint->texture && mesh.mTextureCoords[0];
    std::vector<Corner> ring;
    for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
        const aiFace& face = mesh.mFaces[f];
        if (face.mNumIndices < 3 || !face.mIndices) {
            ++report_.skippedPrimitives;
            continue;
        }
        ring.clear();
        bool valid = true;
        for (unsigned k = 0; k < face.mNumIndices && valid; ++k) {
            unsigned i = face.mIndices[k];
            valid = i < mesh.mNumVertices;
            if (!valid) break;
            Corner c;
            const aiVector3D& p = mesh.mVertices[i];
            c.point = place_.ApplyPoint({p.x, p.y, p.z});
            if (mesh.mNormals) {
                const aiVector3D& n = mesh.mNormals[i];
                c.normal = normals_.ApplyVector({n.x, n.y, n.z}).Normalized();
                if (!Finite(c.normal)) c.normal = {};
            }
            c.id = (static_cast<uint64_t>(meshIndex) << 32) | i;
            if (textured) {
                c.s = mesh.mTextureCoords[0][i].x;
                c.t = mesh.mTextureCoords[0][i].y;
            }
            valid = Finite(c.point);
            ring.push_back(c);
        }
        if (!valid) {
            ++report_.degenerateFaces;
            continue;
        }
        // A mirroring placement turns the winding over; turn it back so fronts stay fronts.
        if (mirrored_) std::reverse(ring.begin(), ring.end());
        AddPolygon(ring, paint, textured);
    }
}

void FaceWriter::AddPolygon(const std::vector<Corner>& ring, Material* paint, bool textured) {
    // Corners closer than SketchUp's tolerance are one corner, as the model would make them.
    std::vector<Corner> clean;
    for (const Corner& c : ring)
        if (clean.empty() || !SamePoint(clean.back().point, c.point)) clean.push_back(c);
    while (clean.size() > 1 && SamePoint(clean.front().point, clean.back().point)) clean.pop_back();
    std::vector<Vec3> points;
    for (const Corner& c : clean) points.push_back(c.point);
    Vec3 normal = clean.size() >= 3 ? PolygonNormal(points) : Vec3{};
    if (clean.size() < 3 || !(normal.Length() > 1e-9)) {
        ++report_.degenerateFaces;
        return;
    }
    if (SeenBefore(clean)) {
        ++report_.duplicateFaces;
        return;
    }
    normal = normal.Normalized();
    Vec3 centre;
    Bounds box;
    for (const Vec3& p : points) {
        centre += p * (1.0 / static_cast<double>(points.size()));
        box.Add(p);
    }
    const double tolerance = std::max(kTolerance, 1e-4 * (box.max - box.min).Length());
    const bool flat = std::all_of(points.begin(), points.end(), [&](const Vec3& p) {
        return std::fabs(normal.Dot(p - centre)) <= tolerance;
    });
    if (flat) {
        AddFace(clean, paint, textured);
        return;
    }
    ++report_.splitPolygons;
    for (size_t i = 1; i + 1 < clean.size(); ++i)
        AddFace({clean[0], clean[i], clean[i + 1]}, paint, textured);
}

bool FaceWriter::SeenBefore(const std::vector<Corner>& ring) {
    // The face's corners, each rounded to the tolerance, as a sorted list folded into one key.
    auto mix = [](uint64_t z) {
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    };
    auto cell = [](double v) { return static_cast<uint64_t>(std::llround(v / kTolerance)); };
    std::vector<uint64_t> corners;
    for (const Corner& c : ring)
        corners.push_back(mix(mix(mix(cell(c.point.x)) + cell(c.point.y)) + cell(c.point.z)));
    std::sort(corners.begin(), corners.end());
    uint64_t key = corners.size();
    for (uint64_t c : corners) key = mix(key + c);
    return !seen_.insert(key).second;
}

void FaceWriter::AddFace(const std::vector<Corner>& ring, Material* paint, bool textured) {
    std::vector<Vec3> points;
    for (const Corner& c : ring) points.push_back(c.point);
    Face* face = model_.AddFaceWithHoles(in_, points, {});
    if (!face) {
        ++report_.degenerateFaces;
        return;
    }
    ++report_.faces;
    for (const Vec3& p : points) bounds_.Add(p);
    if (paint) model_.SetMaterial(face, paint);
    const Loop* loop = face->outer;
    if (loop->vertices.size() != ring.size())
        return;  // the model merged corners: no smoothing data
    rings_.push_back(std::make_unique<std::vector<Corner>>(ring));
    const std::vector<Corner>& kept = *rings_.back();
    for (size_t i = 0; i < kept.size(); ++i) {
        size_t j = (i + 1) % kept.size();
        uses_[loop->edges[i]].push_back({loop->vertices[i], loop->vertices[j], &kept[i], &kept[j]});
    }
    if (textured) {
        // The first two corners and the one farthest from their line.
        size_t far = 2;
        double best = -1;
        for (size_t k = 2; k < kept.size(); ++k) {
            double area =
                (kept[1].point - kept[0].point).Cross(kept[k].point - kept[0].point).Length();
            if (area > best) {
                best = area;
                far = k;
            }
        }
        const Corner* c[3] = {&kept[0], &kept[1], &kept[far]};
        fitter_.Add(face, paint->texture, {c[0]->point, c[1]->point, c[2]->point},
                    {c[0]->s, c[1]->s, c[2]->s}, {c[0]->t, c[1]->t, c[2]->t});
    }
}

void FaceWriter::Finish() {
    // Two corners at one vertex shade alike when the file shares the corner or gives both the
    // same normal.
    auto alike = [](const Corner* a, const Corner* b) {
        if (a->id == b->id) return true;
        return a->normal.Length() > 0.5 && b->normal.Length() > 0.5 &&
               a->normal.Dot(b->normal) > 0.9999;
    };
    for (auto& [edge, uses] : uses_) {
        if (uses.size() != 2 || edge->faces.size() != 2) continue;
        const EdgeUse& x = uses[0];
        const EdgeUse& y = uses[1];
        bool smooth = x.a == y.a ? alike(x.ca, y.ca) && alike(x.cb, y.cb)
                                 : alike(x.ca, y.cb) && alike(x.cb, y.ca);
        if (!smooth) continue;
        model_.SetEdgeFlags(edge, true, true, std::nullopt);
        ++report_.softEdges;
    }
    uses_.clear();
    rings_.clear();
}

}  // namespace hostsim
