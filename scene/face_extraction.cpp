#include <SketchUpAPI/geometry.h>
#include <SketchUpAPI/model/drawing_element.h>
#include <SketchUpAPI/model/edge.h>
#include <SketchUpAPI/model/entity.h>
#include <SketchUpAPI/model/face.h>
#include <SketchUpAPI/model/layer.h>
#include <SketchUpAPI/model/material.h>
#include <SketchUpAPI/model/mesh_helper.h>

#include <unordered_set>
#include <vector>

#include "appearance/material_catalogue.h"
#include "appearance/sketchup_reads.h"
#include "scene/su_scene.h"
#include "twinlink/parallel.h"

namespace korvan {

namespace {

// The id of a face side's own material; 0 when the side is unpainted.
template <typename Getter>
uint32_t SideMaterialId(SUFaceRef face, Getter getter) {
    SUMaterialRef material = SU_INVALID;
    uint32_t id = 0;
    if (getter(face, &material) == SU_ERROR_NONE && material.ptr != nullptr)
        ReadEntityId(SUMaterialToEntity(material), id);
    return id;
}

struct TextureScale {
    double s = 1.0, t = 1.0;
};

TextureScale ScaleOf(MaterialCatalogue* materials, uint32_t materialId) {
    const MaterialEntry* entry = materials != nullptr ? materials->FindEntry(materialId) : nullptr;
    if (entry == nullptr) return {};
    return {entry->textureUScale, entry->textureVScale};
}

void AppendUV(std::vector<float>& uv, const SUPoint3D& stq, const TextureScale& scale) {
    uv.push_back(static_cast<float>(stq.x / (stq.z * scale.s)));
    uv.push_back(static_cast<float>(stq.y / (stq.z * scale.t)));
}

// What the mesh helper hands out for one face, copied before the helper is released.
struct MeshReading {
    std::vector<SUPoint3D> vertices;
    std::vector<SUVector3D> normals;
    std::vector<SUPoint3D> frontStq;
    std::vector<SUPoint3D> backStq;
    std::vector<size_t> indices;
};

}  // namespace

void SUScene::RegisterFace(SUFaceRef face, uint32_t faceId, uint32_t ownerDefinitionId) {
    FaceRecord& record = faces[faceId];
    record.face = face;
    record.faceId = faceId;
    record.ownerDefinitionId = ownerDefinitionId;
}

namespace {

// Reads the three states into `state`; a read that fails leaves its field as it was.
void ReadEdgeState(SUEdgeRef edge, EdgeState& state) {
    bool value = false;
    if (SUEdgeGetSmooth(edge, &value) == SU_ERROR_NONE) state.smooth = value;
    if (SUEdgeGetSoft(edge, &value) == SU_ERROR_NONE) state.soft = value;
    if (SUDrawingElementGetHidden(SUEdgeToDrawingElement(edge), &value) == SU_ERROR_NONE)
        state.hidden = value;
}

}  // namespace

void SUScene::RegisterEdge(SUEdgeRef edge) {
    uint32_t id = 0;
    if (!ReadEntityId(SUEdgeToEntity(edge), id)) return;
    ReadEdgeState(edge, edgeStates[id]);
}

std::pair<bool, bool> SUScene::EdgeChanged(SUEdgeRef edge) {
    uint32_t id = 0;
    if (!ReadEntityId(SUEdgeToEntity(edge), id)) return {false, false};
    const auto known = edgeStates.find(id);
    if (known == edgeStates.end()) {
        RegisterEdge(edge);
        const EdgeState& state = edgeStates[id];
        return {false, state.smooth || state.soft};
    }
    EdgeState& state = known->second;
    const EdgeState before = state;
    ReadEdgeState(edge, state);
    const bool changed = state.smooth != before.smooth || state.soft != before.soft ||
                         state.hidden != before.hidden;
    return {changed, state.smooth || state.soft};
}

void SUScene::BuildFaceMesh(FaceRecord& record, SUFaceRef face, uint32_t faceId,
                            uint32_t ownerDefinitionId) {
    record.generation = openGeneration;
    record.face = face;
    record.faceId = faceId;
    record.ownerDefinitionId = ownerDefinitionId;
    record.vertexCount = 0;
    record.indexCount = 0;
    record.indices.clear();
    record.positions.clear();
    record.normals.clear();
    record.frontUV.clear();
    record.backUV.clear();

    // A face of the definition being edited is read in the editing context's coordinates and
    // is carried back out by the context's inverse.
    const bool inEdit = ownerDefinitionId == openDefinitionId && openDefinitionId != kNoId;
    const bool mirroredEdit = inEdit && editMirrored;

    SUMeshHelperRef helper = SU_INVALID;
    if (SUMeshHelperCreate(&helper, face) != SU_ERROR_NONE) return;
    size_t vertexCount = 0;
    size_t triangleCount = 0;
    SUMeshHelperGetNumVertices(helper, &vertexCount);
    SUMeshHelperGetNumTriangles(helper, &triangleCount);
    const size_t indexCount = 3 * triangleCount;
    // Vertices without a triangle (or the reverse) are an empty mesh: counts the batch would
    // reserve room for must come with data to fill it.
    if (vertexCount == 0 || indexCount == 0) {
        SUMeshHelperRelease(&helper);
        return;
    }
    record.vertexCount = static_cast<uint32_t>(vertexCount);
    record.indexCount = static_cast<uint32_t>(indexCount);

    // Read into buffers kept from the previous face: a load reads one face per placement. The
    // tasks below reach them through this reference; by its own name a thread-local would be
    // the other thread's.
    thread_local MeshReading scratch;
    MeshReading& mesh = scratch;
    mesh.vertices.assign(vertexCount, SUPoint3D{0, 0, 0});
    mesh.normals.assign(vertexCount, SUVector3D{0, 0, 0});
    mesh.frontStq.assign(vertexCount, SUPoint3D{0, 0, 1});
    mesh.backStq.assign(vertexCount, SUPoint3D{0, 0, 1});
    mesh.indices.assign(indexCount, 0);
    size_t got = 0;
    SUMeshHelperGetVertices(helper, vertexCount, mesh.vertices.data(), &got);
    SUMeshHelperGetNormals(helper, vertexCount, mesh.normals.data(), &got);
    SUMeshHelperGetFrontSTQCoords(helper, vertexCount, mesh.frontStq.data(), &got);
    SUMeshHelperGetBackSTQCoords(helper, vertexCount, mesh.backStq.data(), &got);
    SUMeshHelperGetVertexIndices(helper, indexCount, mesh.indices.data(), &got);
    SUMeshHelperRelease(&helper);

    const size_t V = vertexCount;
    const size_t I = indexCount;
    const double s = unitScale;

    auto positionsAndNormals = [&] {
        if (!inEdit) {
            record.positions.reserve(3 * V);
            record.normals.reserve(3 * V);
            for (size_t i = 0; i < V; ++i) {
                const SUPoint3D& p = mesh.vertices[i];
                const SUVector3D& n = mesh.normals[i];
                record.positions.insert(record.positions.end(),
                                        {static_cast<float>(p.x * s), static_cast<float>(p.z * s),
                                         static_cast<float>(p.y * s)});
                record.normals.insert(record.normals.end(),
                                      {static_cast<float>(n.x), static_cast<float>(n.z),
                                       static_cast<float>(n.y)});
            }
            return;
        }
        record.positions.resize(3 * V);
        record.normals.resize(3 * V);
        for (size_t i = 0; i < V; ++i) {
            const size_t from = mirroredEdit ? V - 1 - i : i;
            const SUPoint3D& p = mesh.vertices[from];
            const SUVector3D& n = mesh.normals[from];
            TransformRow(editInverse, static_cast<float>(p.x * s), static_cast<float>(p.z * s),
                         static_cast<float>(p.y * s), 1.0f, &record.positions[3 * i]);
            TransformRow(editNormalMatrix, static_cast<float>(n.x), static_cast<float>(n.z),
                         static_cast<float>(n.y), 1.0f, &record.normals[3 * i]);
        }
    };

    auto attributesIndicesAndUVs = [&] {
        record.frontMaterialId = SideMaterialId(face, SUFaceGetFrontMaterial);
        record.backMaterialId = SideMaterialId(face, SUFaceGetBackMaterial);
        bool hidden = false;
        SUDrawingElementGetHidden(SUFaceToDrawingElement(face), &hidden);
        record.visible = !hidden;
        SULayerRef layer = SU_INVALID;
        if (SUDrawingElementGetLayer(SUFaceToDrawingElement(face), &layer) == SU_ERROR_NONE &&
            layer.ptr != nullptr)
            ReadEntityId(SULayerToEntity(layer), record.layerId);

        const TextureScale front = ScaleOf(materials, record.frontMaterialId);
        const TextureScale back = ScaleOf(materials, record.backMaterialId);
        record.frontUV.reserve(2 * V);
        record.backUV.reserve(2 * V);
        record.indices.reserve(I);
        if (!mirroredEdit) {
            for (size_t k = 0; k < I; ++k) record.indices.push_back(static_cast<uint32_t>(mesh.indices[k]));
            for (size_t i = 0; i < V; ++i) AppendUV(record.frontUV, mesh.frontStq[i], front);
            for (size_t i = 0; i < V; ++i) AppendUV(record.backUV, mesh.backStq[i], back);
            return;
        }
        // Vertices are numbered backwards (as task A writes them) and the index list runs
        // backwards, which turns every triangle round against the mirroring inverse.
        for (size_t k = 0; k < I; ++k)
            record.indices.push_back(static_cast<uint32_t>(V - 1 - mesh.indices[I - 1 - k]));
        for (size_t i = V; i-- > 0;) AppendUV(record.frontUV, mesh.frontStq[i], front);
        for (size_t i = V; i-- > 0;) AppendUV(record.backUV, mesh.backStq[i], back);
    };

    if (V >= kParallelFaceVertices) {
        twinlink::parallel::Invoke(positionsAndNormals, attributesIndicesAndUVs);
    } else {
        positionsAndNormals();
        attributesIndicesAndUVs();
    }
}

LeafNode* SUScene::CreateLeafNode(SUFaceRef face, ContainerNode* parent) {
    uint32_t faceId = 0;
    if (!ReadEntityId(SUFaceToEntity(face), faceId)) return nullptr;
    return PlaceFace({face, faceId, &faces[faceId], &nodesByEntity.ListFor(faceId)}, parent);
}

LeafNode* SUScene::PlaceFace(const PlacedFace& placed, ContainerNode* parent) {
    FaceRecord& record = *placed.record;
    // A face placed many times is meshed once per change (or load): every placement shares the
    // record.
    const bool meshedInThisChange = openGeneration != 0 && record.generation == openGeneration &&
                                    record.face.ptr == placed.face.ptr;
    if (!meshedInThisChange) {
        const uint32_t ownerId = parent != nullptr ? parent->definitionId : kNoId;
        BuildFaceMesh(record, placed.face, placed.faceId, ownerId);
    }
    const auto [front, back] = ResolveEffectiveMaterials(record, parent);

    LeafNode* leaf = CreateLeaf(parent);
    ++record.references;
    leaf->face = &record;
    leaf->entityId = placed.faceId;
    decltype(nodesByEntity)::AddTo(*placed.placements, placed.faceId, leaf);

    leaf->layerId = record.layerId;
    leaf->onDefaultLayer = leaf->layerId == defaultLayerId;
    SetVisibilityFlags(leaf, record.visible, layers[leaf->layerId].visible);

    leaf->frontEntry = front;
    leaf->backEntry = back;
    leaf->materialId = front != nullptr ? front->id : 0;
    leaf->backMaterialId = back != nullptr ? back->id : 0;
    ListLeafUnderMaterials(leaf);
    for (const uint32_t id : {leaf->materialId, leaf->backMaterialId})
        if (id != 0) dirtyMaterials.insert(id);
    ProgressDots();
    return leaf;
}

std::pair<MaterialEntry*, MaterialEntry*> SUScene::ResolveEffectiveMaterials(
    const FaceRecord& record, const ContainerNode* parent) {
    if (materials == nullptr) return {nullptr, nullptr};

    if (colourByLayer) {
        // Images keep their own picture whatever the layer colours.
        if (parent != nullptr && parent->type == NodeType::Image)
            return {materials->FindEntry(record.frontMaterialId),
                    materials->FindEntry(record.backMaterialId)};
        uint32_t layer = record.layerId;
        if ((layer == defaultLayerId || layer == kNoId) && parent != nullptr) {
            // A face on the default layer takes the colour of the container it sits in.
            layer = parent->layerId;
            if (layer == kNoId || layer == kModelEntitiesId)
                layer = parent->parent != nullptr ? FindLayerUp(parent->parent) : kNoId;
        }
        if (layer == kNoId) layer = defaultLayerId;
        const LayerEntry& row = layers[layer];
        const uint32_t material = row.id == layer ? row.materialId : kNoId;
        MaterialEntry* entry = materials->FindEntry(material);
        return {entry, entry};
    }

    uint32_t front = record.frontMaterialId;
    uint32_t back = record.backMaterialId;
    if (parent != nullptr && (front == 0 || back == 0)) {
        // An unpainted side shows the paint of the nearest painted container.
        const uint32_t inherited = parent->materialId != 0 ? parent->materialId : FindMaterialUp(parent->parent);
        if (front == 0) front = inherited;
        if (back == 0) back = inherited;
    }
    if (front == 0) front = kNoId;
    // Single-sided, an unpainted back stays unpainted and is not drawn.
    if (back == 0 && renderBackFaces) back = kNoId;
    return {materials->FindEntry(front), materials->FindEntry(back)};
}

void SUScene::RefreshLeaf(LeafNode* leaf) {
    if (FaceRecord* record = leaf->face; record != nullptr) {
        leaf->layerId = record->layerId;
        leaf->onDefaultLayer = leaf->layerId == defaultLayerId;
        SetLayerVisible(leaf, layers[leaf->layerId].visible);
        SetNotHidden(leaf, record->visible);
        const auto [front, back] = ResolveEffectiveMaterials(*record, leaf->parent);
        // A side that changed material rebuilds both batches it left and joined; the other side
        // keeps its place.
        SetLeafMaterials(leaf, front, back);
    }
    // Written again where it lies; the worker rebuilds the batch instead when the leaf no longer
    // fits its place there (other counts) or came into view or left it.
    leavesToRewrite.insert(leaf);
}

void SUScene::MarkNeighbourFacesDirty(SUFaceRef face) {
    uint32_t faceId = 0;
    const bool known = ReadEntityId(SUFaceToEntity(face), faceId);
    std::unordered_set<uint32_t> neighbours;
    for (const SUEdgeRef edge : ReadSketchUpList<SUEdgeRef>(face, SUFaceGetNumEdges, SUFaceGetEdges)) {
        for (const SUFaceRef sharing :
             ReadSketchUpList<SUFaceRef>(edge, SUEdgeGetNumFaces, SUEdgeGetFaces)) {
            uint32_t id = 0;
            if (ReadEntityId(SUFaceToEntity(sharing), id)) neighbours.insert(id);
        }
    }
    for (const uint32_t id : neighbours)
        if (!known || id != faceId) dirtyFaces.insert(id);
}

void SUScene::RemeshDirtyFaces() {
    for (const uint32_t faceId : dirtyFaces) {
        // A neighbour that is not mirrored (in a definition nothing places) has no record.
        const auto known = faces.find(faceId);
        if (known == faces.end()) continue;
        FaceRecord& record = known->second;
        if (record.generation == openGeneration || record.face.ptr == nullptr) continue;
        BuildFaceMesh(record, record.face, faceId, record.ownerDefinitionId);
        // As RefreshLeaf: the worker decides between writing in place and rebuilding.
        for (TreeNode* node : nodesByEntity.Find(faceId))
            if (node->IsLeaf()) leavesToRewrite.insert(static_cast<LeafNode*>(node));
    }
}

}  // namespace korvan
