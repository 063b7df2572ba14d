#include "import/scene_builder.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "import/scene_axes.h"

namespace hostsim {

namespace {

// A node transformation with anything but finite numbers in it is taken as the identity.
Transform FiniteTransform(const aiMatrix4x4& m) {
    Transform t = TransformOf(m);
    return std::all_of(t.m.begin(), t.m.end(), [](double v) { return std::isfinite(v); })
               ? t
               : Transform{};
}

bool HasPolygons(const aiMesh* mesh) {
    return mesh && mesh->mNumFaces > 0 && mesh->mVertices &&
           (mesh->mPrimitiveTypes == 0 ||
            (mesh->mPrimitiveTypes & (aiPrimitiveType_TRIANGLE | aiPrimitiveType_POLYGON)));
}

}  // namespace

SceneBuilder::SceneBuilder(Model& model, const aiScene& scene, const std::string& path,
                           ImportReport& report)
    : model_(model),
      scene_(scene),
      report_(report),
      materials_(model, scene, std::filesystem::path(path).parent_path().string(), report),
      toSketchUp_(FileToSketchUp(scene, path)),
      fromSketchUp_(toSketchUp_.Inverse()) {}

SceneBuilder::MeshSet SceneBuilder::MeshesOf(const aiNode& node) const {
    MeshSet set;
    for (unsigned i = 0; i < node.mNumMeshes; ++i) {
        unsigned m = node.mMeshes[i];
        if (m < scene_.mNumMeshes && HasPolygons(scene_.mMeshes[m])) set.push_back(m);
    }
    std::sort(set.begin(), set.end());
    return set;
}

void SceneBuilder::CountUses(const aiNode& node) {
    MeshSet set = MeshesOf(node);
    if (!set.empty()) ++uses_[set];
    for (unsigned i = 0; i < node.mNumChildren; ++i)
        if (node.mChildren[i]) CountUses(*node.mChildren[i]);
}

bool SceneBuilder::HoldsGeometry(const aiNode& node) {
    auto it = holdsGeometry_.find(&node);
    if (it != holdsGeometry_.end()) return it->second;
    bool holds = !MeshesOf(node).empty();
    for (unsigned i = 0; i < node.mNumChildren && !holds; ++i)
        holds = node.mChildren[i] && HoldsGeometry(*node.mChildren[i]);
    holdsGeometry_[&node] = holds;
    return holds;
}

Transform SceneBuilder::Converted(const aiMatrix4x4& m) const {
    return toSketchUp_ * FiniteTransform(m) * fromSketchUp_;
}

void SceneBuilder::Build() {
    const aiNode* root = scene_.mRootNode;
    if (!root) return;
    CountUses(*root);
    // Meshes of points and lines only: none of their primitives makes a face.
    for (unsigned m = 0; m < scene_.mNumMeshes; ++m)
        if (scene_.mMeshes[m] && !HasPolygons(scene_.mMeshes[m]))
            report_.skippedPrimitives += static_cast<int>(scene_.mMeshes[m]->mNumFaces);
    // The root's own transformation is folded into what the model's entities hold directly.
    const Transform rootPlace = toSketchUp_ * FiniteTransform(root->mTransformation);
    const MeshSet rootMeshes = MeshesOf(*root);
    if (!rootMeshes.empty()) {
        if (uses_[rootMeshes] >= 2) {
            Transform local = rootPlace * fromSketchUp_;
            Place(Shared(rootMeshes, root->mName.C_Str()), model_.entities, local, local,
                  root->mName.C_Str());
        } else {
            WriteMeshes(rootMeshes, model_.entities, rootPlace, Transform{});
        }
    }
    for (unsigned i = 0; i < root->mNumChildren; ++i) {
        const aiNode* child = root->mChildren[i];
        if (child)
            PlaceNode(*child, model_.entities,
                      rootPlace * FiniteTransform(child->mTransformation) * fromSketchUp_,
                      Transform{});
    }
    fitter_.Apply(model_);
    AimCamera();
}

void SceneBuilder::PlaceNode(const aiNode& node, Entities* in, const Transform& local,
                             const Transform& parentWorld) {
    if (!HoldsGeometry(node)) return;
    const Transform world = parentWorld * local;
    const MeshSet meshes = MeshesOf(node);
    const std::string name = node.mName.C_Str();
    const bool shared = !meshes.empty() && uses_[meshes] >= 2;
    bool childGeometry = false;
    for (unsigned i = 0; i < node.mNumChildren; ++i)
        childGeometry |= node.mChildren[i] && HoldsGeometry(*node.mChildren[i]);
    if (shared && !childGeometry) {
        Place(Shared(meshes, name), in, local, world, name);
        return;
    }
    ComponentInstance* group = model_.AddGroup(in);
    model_.SetTransform(group, local);
    if (!name.empty()) model_.SetInstanceName(group, name);
    ++report_.groups;
    Entities* inner = group->definition->entities;
    if (shared)
        Place(Shared(meshes, name), inner, Transform{}, world, {});
    else if (!meshes.empty())
        WriteMeshes(meshes, inner, toSketchUp_, world);
    for (unsigned i = 0; i < node.mNumChildren; ++i) {
        const aiNode* child = node.mChildren[i];
        if (child) PlaceNode(*child, inner, Converted(child->mTransformation), world);
    }
}

void SceneBuilder::WriteMeshes(const MeshSet& meshes, Entities* in, const Transform& place,
                               const Transform& world) {
    FaceWriter writer(model_, in, place, report_, fitter_);
    for (unsigned m : meshes) {
        const aiMesh& mesh = *scene_.mMeshes[m];
        writer.AddMesh(mesh, m, materials_.For(mesh.mMaterialIndex));
    }
    writer.Finish();
    world_.AddTransformed(writer.Extent(), world);
}

ComponentDefinition* SceneBuilder::Shared(const MeshSet& meshes, const std::string& nodeName) {
    auto it = shared_.find(meshes);
    if (it != shared_.end()) return it->second;
    std::string name = scene_.mMeshes[meshes[0]]->mName.C_Str();
    if (name.empty()) name = nodeName.empty() ? "Component" : nodeName;
    ComponentDefinition* def = model_.AddDefinition(name);
    ++report_.definitions;
    FaceWriter writer(model_, def->entities, toSketchUp_, report_, fitter_);
    for (unsigned m : meshes) {
        const aiMesh& mesh = *scene_.mMeshes[m];
        writer.AddMesh(mesh, m, materials_.For(mesh.mMaterialIndex));
    }
    writer.Finish();
    shared_[meshes] = def;
    extents_[def] = writer.Extent();
    return def;
}

void SceneBuilder::Place(ComponentDefinition* def, Entities* in, const Transform& local,
                         const Transform& world, const std::string& name) {
    ComponentInstance* inst = model_.AddInstance(in, def, local);
    if (!name.empty()) model_.SetInstanceName(inst, name);
    ++report_.instances;
    world_.AddTransformed(extents_[def], world);
}

void SceneBuilder::AimCamera() {
    if (world_.Empty()) return;
    const Vec3 centre = (world_.min + world_.max) * 0.5;
    const double radius = std::max(1.0, (world_.max - world_.min).Length() / 2);
    Camera c;
    c.target = centre;
    c.eye = centre + Vec3{-1.0, -1.4, 0.9}.Normalized() * (radius * 2.6);
    c.up = {0, 0, 1};
    model_.SetCamera(c);
}

}  // namespace hostsim
