// The plug-in's mirror of the linked SketchUp model: the tree of groups, component instances,
// images and face placements, the per-material geometry that Korvan reads, and the background
// worker that writes that geometry into shared memory while the user edits.
//
// The tree is changed only by the thread that holds the scene lock: the host's thread during a
// load or a change, the worker while it sends. Files, one concern each:
//   scene_tree.cpp       nodes, indexes, visibility, leaf materials (tree_node.cpp: the
//                        operations that run down the tree; node_pool.h: where nodes live;
//                        keyed_lists.h: the entity and material indexes)
//   traversal.cpp        SketchUp entities walked into nodes, transforms converted
//   edit_context.cpp     the open editing context, read through Ruby
//   register_entities.cpp  faces and edges of a collection registered, observer attached (Ruby)
//   change_handlers.cpp  one added, changed or erased entity, material or scene (Ruby)
//   layer_changes.cpp    layers added, shown, hidden, removed; colour by layer switched (Ruby)
//   face_extraction.cpp  face meshes, leaves, effective materials, re-meshing
//   material_batch.cpp   one material's world-space mesh written into its data section
//   sync_worker.cpp      scene lock, changes, worker loop and passes, reset
//   scene_load.cpp       the whole load (Ruby)
//   load_progress.cpp    the load's status texts and progress dots
#pragma once

#include <SketchUpAPI/model/defs.h>
#include <ruby/ruby.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <cstdint>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "appearance/layer_table.h"
#include "camera/camera_record.h"
#include "scene/entities_reading.h"
#include "scene/face_record.h"
#include "scene/keyed_lists.h"
#include "scene/matrix.h"
#include "scene/node_pool.h"
#include "scene/scene_lock.h"
#include "scene/tree_node.h"

namespace TwinLinkAPI {
class LiveConnection;
}

namespace korvan {

class MaterialCatalogue;
struct BatchPassContext;

// What TryLockScene found: a change opened with the lock in the host's hands, a change that
// was already open (the lock held since), or a change opened while the worker still holds the
// lock.
enum class SceneLockAnswer { Opened, AlreadyOpen, NotObtained };

// Where the scene shows its progress texts (the status bar, in the plug-in). Null shows
// nothing.
using StatusDisplay = void (*)(std::u16string_view text);

class SUScene {
  public:
    // The scene writes through `connection`, asks `materials` for the records of the materials
    // it meets and attaches `observer` to every Entities collection it mirrors.
    SUScene(TwinLinkAPI::LiveConnection* connection, MaterialCatalogue* materials, VALUE observer);
    ~SUScene();
    SUScene(const SUScene&) = delete;
    SUScene& operator=(const SUScene&) = delete;

    // ---- scene_load.cpp: the whole model, with its progress in the status bar (calls Ruby).
    void LoadScene(VALUE model, SUModelRef modelRef, bool renderBackFaces);
    // ---- load_progress.cpp
    void SetStatus(std::u16string_view text);
    void ProgressDots();

    // ---- scene_tree.cpp
    TreeNode* CreateNode(NodeType type, ContainerNode* parent);
    ContainerNode* CreateContainer(NodeType type, ContainerNode* parent);
    LeafNode* CreateLeaf(ContainerNode* parent);
    void DeleteNode(TreeNode* node);
    void DeleteSubtree(TreeNode* node);
    void SetVisibilityFlags(TreeNode* node, bool notHidden, bool layerVisible);
    bool SetNotHidden(TreeNode* node, bool notHidden);
    bool SetLayerVisible(TreeNode* node, bool layerVisible);
    uint32_t FindMaterialUp(const TreeNode* node) const;
    uint32_t FindLayerUp(const TreeNode* node) const;
    // Twice the vertex count of every placed face, as text: the descriptor's "vertexCount".
    std::u16string CountVertices() const;
    bool SetLeafMaterials(LeafNode* leaf, MaterialEntry* front, MaterialEntry* back);
    // Lists the leaf under its front and back material ids (once when they are the same).
    void ListLeafUnderMaterials(LeafNode* leaf);
    // Adds the node to the nodes-by-entity index under its entity id.
    void IndexByEntity(TreeNode* node);

    // ---- traversal.cpp
    void BuildEntities(SUEntitiesRef entities, ContainerNode* parent);
    EntitiesReading ReadEntities(SUEntitiesRef entities);
    void BuildFromReading(const EntitiesReading& reading, ContainerNode* parent);
    void BuildGroup(SUGroupRef group, ContainerNode* parent);
    void BuildInstance(SUComponentInstanceRef instance, ContainerNode* parent, NodeType type);
    ContainerNode* CreateContainerNode(ContainerNode* parent, SUEntityRef entity, NodeType type,
                                  uint32_t definitionId);
    Matrix4 EntityTransform(SUEntityRef entity, bool inOpenDefinition) const;
    Matrix4 ConvertTransformation(const double* d, bool inOpenDefinition) const;

    // ---- edit_context.cpp (calls Ruby)
    void UpdateEditContext();
    // ---- register_entities.cpp (calls Ruby)
    void RegisterEntities(VALUE entities, uint32_t ownerDefinitionId);

    // ---- change_handlers.cpp (calls Ruby). Each holds the scene for the host first.
    // An entity added to `entities`: mirrored under every placement of the collection's owner,
    // unless it is mirrored there already. True when something was added.
    bool ElementAdded(VALUE entities, VALUE entity);
    // Re-reads a mirrored entity (nil `entities`: its owner's); false when it is not mirrored.
    bool EntityChanged(VALUE entities, VALUE entity);
    // True when something was removed (an edge's state counts).
    bool ElementRemoved(VALUE entities, uint32_t entityId);
    // Registers the new definition's entities; always false.
    bool DefinitionAdded(VALUE definition);
    // Re-reads what the selected page hides; true when another page is selected now.
    bool PageChanged(VALUE pages);
    bool MaterialChanged(VALUE material);
    void MarkFacesOfEntitiesDirty(VALUE entities);
    // The nodes that hold what a collection holds: the root for the model's own entities,
    // every placement of a definition otherwise.
    std::vector<ContainerNode*> ContainersOf(SUComponentDefinitionRef definition, bool isModel);

    // ---- layer_changes.cpp (calls Ruby)
    bool LayerAdded(VALUE layer);
    // True when a visibility change left something to send.
    bool OnLayerVisibilityChanged(VALUE layer);
    bool PurgeRemovedLayers(VALUE layersValue);
    void ApplyColourByLayerChange();

    // ---- face_extraction.cpp
    void RegisterFace(SUFaceRef face, uint32_t faceId, uint32_t ownerDefinitionId);
    void RegisterEdge(SUEdgeRef edge);
    // (changed, now smooth or soft)
    std::pair<bool, bool> EdgeChanged(SUEdgeRef edge);
    // Its two halves run on two threads for faces of at least this many vertices; handing a
    // task to another thread costs more than the whole of a smaller face.
    static constexpr size_t kParallelFaceVertices = 64;
    void BuildFaceMesh(FaceRecord& record, SUFaceRef face, uint32_t faceId,
                       uint32_t ownerDefinitionId);
    LeafNode* CreateLeafNode(SUFaceRef face, ContainerNode* parent);
    // A leaf for the face under `parent`, the face meshed first unless this change did already.
    LeafNode* PlaceFace(const PlacedFace& placed, ContainerNode* parent);
    std::pair<MaterialEntry*, MaterialEntry*> ResolveEffectiveMaterials(const FaceRecord& record,
                                                                       const ContainerNode* parent);
    // Reads the leaf's layer, visibility and materials again from its face record and queues it
    // to be written again.
    void RefreshLeaf(LeafNode* leaf);
    void MarkNeighbourFacesDirty(SUFaceRef face);
    void RemeshDirtyFaces();

    // ---- material_batch.cpp
    void BuildMaterialBatch(BatchPassContext& context, uint32_t materialId);
    // Writes one side of the leaf at its offsets into a batch of `batchVertices` vertices;
    // `normal` is the normal matrix of the leaf's world.
    void WriteLeafIntoBatch(void* batch, uint64_t batchVertices, const LeafNode* leaf, int side,
                            uint32_t vertexOffset, uint32_t indexOffset, const Matrix4& normal) const;
    // Writes the leaves to rewrite where they lie; a leaf whose place is gone sends its material
    // to a full rebuild instead. Before the rebuilds of the pass.
    using LeafSides = std::vector<std::pair<const LeafNode*, int>>;
    std::unordered_map<uint32_t, LeafSides> SortLeavesToRewrite();
    void RewriteLeavesInPlace(const std::unordered_map<uint32_t, LeafSides>& byMaterial);

    // ---- sync_worker.cpp
    SceneLockAnswer TryLockScene(uint32_t timeoutMs);
    // Opens a change unless one is open and makes sure the host holds the lock, waiting for
    // the worker to stop at its next leaf if it must. Every host-side change starts here.
    void HoldSceneForHost();
    // Takes the scene lock for the host unless it holds it already, however long the worker
    // needs to stop.
    void WaitForSceneLock();
    uint32_t BeginSceneChange();
    void EndSceneChange();
    void WorkerLoop();
    // Ends the worker's wait at once (a change was published, or the scene stops).
    void WakeWorker();
    void WorkerSleep(std::chrono::milliseconds period);
    bool SyncPass(uint32_t budgetMs);
    void ResetScene();

  private:
    bool AddToContainers(const std::vector<ContainerNode*>& containers, VALUE klass, VALUE entity,
                         uint32_t entityId, VALUE entities);
    bool ApplyEntityChange(VALUE klass, VALUE entity, uint32_t entityId, uint32_t ownerId,
                           VALUE entities);
    void ApplyPlacementChange(VALUE klass, VALUE entity, SUEntityRef entityRef, uint32_t ownerId,
                              const std::vector<TreeNode*>& mirrors, uint32_t materialId,
                              VALUE entities);
    void RefreshLeavesBelow(TreeNode* node);

  public:
    // Whether the camera can be followed: the active view's camera is perspective and not 2D.
    bool CanFollowCamera() const;
    // Fills `record` from the active view's camera; true when that camera can be followed.
    bool FillCameraRecord(CameraRecord* record) const;

    // ---- the mirror, in the order the plug-in has always kept it
    float unitScale = 0.0254f;  // inches to metres
    uint32_t nodeCounter = 0;
    ContainerNode* root = nullptr;
    NodeStore nodes;  // owns every node
    KeyedLists<TreeNode, PlaceInEntityIndex> nodesByEntity;
    std::unordered_map<uint32_t, FaceRecord> faces;  // node-based: leaves keep pointers
    std::unordered_map<uint32_t, EdgeState> edgeStates;
    // Eight buckets to start; braces would make 8 an element instead.
    MaterialIdSet dirtyFaces = MaterialIdSet(8);
    MaterialIdSet dirtyMaterials = MaterialIdSet(8);
    // Leaves that moved or were meshed again: each is written again where it lies in its batches,
    // unless its material is rebuilt anyway or it no longer fits there (the worker checks).
    LeafSet leavesToRewrite = LeafSet(8);
    std::atomic<uint32_t> lastBatchLayout{0};
    // The leaves showing each material on either side; a leaf showing it on both is listed once.
    KeyedLists<LeafNode, PlaceInMaterialList> leavesByMaterial;
    uint32_t defaultLayerId = kNoId;
    LayerTable layers;
    TwinLinkAPI::LiveConnection* connection;
    MaterialCatalogue* materials;
    VALUE observer;
    VALUE model = Qnil;
    SUModelRef modelRef = SU_INVALID;
    Matrix4 editInverse = kIdentityMatrix;
    Matrix4 editNormalMatrix = kIdentityMatrix;
    uint32_t openDefinitionId = kNoId;
    bool editMirrored = false;
    // Set while the tool that pushes and pulls faces is active (tool id 21041): a changed face
    // then also re-meshes the faces around it.
    bool remeshNeighbours = false;
    bool colourByLayer = false;
    bool renderBackFaces = true;
    uint32_t selectedPageId = kNoId;
    uint32_t lastGeneration = 0;
    uint32_t openGeneration = 0;  // 0 = no change open
    // While a load builds the tree: each definition's reading, by definition id, kept for its
    // next placement.
    bool keepDefinitionReadings = false;
    std::unordered_map<uint32_t, EntitiesReading> definitionReadings;
    std::atomic<bool> running{false};
    std::atomic<bool> pending{false};
    std::thread worker;
    std::mutex wakeMutex;
    std::condition_variable wake;
    bool wakeRequested = false;  // guarded by wakeMutex
    SceneLock sceneLock;
    std::atomic<bool> lockHeld{false};
    std::u16string statusText;
    int32_t statusStep = -1;
    int64_t nextDotTime = 0;  // steady clock, ns
    StatusDisplay statusDisplay = nullptr;
};

}  // namespace korvan
