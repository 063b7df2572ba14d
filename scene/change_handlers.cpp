// One edit brought into the mirror: an entity added to a collection, changed, or erased, a
// definition or a material changed, a scene selected. Each handler works on every node that
// mirrors the entity (a definition can be placed many times) and leaves what it touched in the
// dirty sets, for EndSceneChange and the worker to re-mesh and send.
//
// The handlers run on the host's thread. Each first holds the scene lock for the host, then
// reads what it needs through Ruby into plain values, and only then builds C++ objects: a Ruby
// call that raises must not jump over a destructor.
#include <SketchUpAPI/model/component_definition.h>
#include <SketchUpAPI/model/component_instance.h>
#include <SketchUpAPI/model/drawing_element.h>
#include <SketchUpAPI/model/entity.h>
#include <SketchUpAPI/model/face.h>
#include <SketchUpAPI/model/group.h>
#include <SketchUpAPI/model/layer.h>
#include <SketchUpAPI/model/material.h>

#include <algorithm>
#include <unordered_set>
#include <vector>

#include "appearance/material_catalogue.h"
#include "appearance/sketchup_reads.h"
#include "rubybridge/ruby_symbols.h"
#include "rubybridge/ruby_values.h"
#include "scene/su_scene.h"
#include "twinlink/parallel.h"

namespace korvan {

using rb::id;
using rb::k;

namespace {

template <typename Ref>
Ref RefOf(VALUE value) {
    Ref ref = SU_INVALID;
    if (!NIL_P(value)) ref.ptr = DATA_PTR(value);
    return ref;
}

// What holds a collection: the model, a definition, or neither (nothing to mirror).
struct CollectionOwner {
    bool isModel = false;
    SUComponentDefinitionRef definition = SU_INVALID;
};

CollectionOwner OwnerOfCollection(VALUE entities) {
    CollectionOwner owner;
    if (NIL_P(entities)) return owner;
    const VALUE parent = rb_funcall(entities, id.parent, 0);
    const VALUE klass = rb::ClassOf(parent);
    owner.isModel = klass == k.cModel;
    if (klass == k.cComponentDefinition) owner.definition = RefOf<SUComponentDefinitionRef>(parent);
    return owner;
}

bool IsPlacementType(NodeType type) {
    return type == NodeType::Group || type == NodeType::ComponentInstance ||
           type == NodeType::Image;
}

}  // namespace

std::vector<ContainerNode*> SUScene::ContainersOf(SUComponentDefinitionRef definition, bool isModel) {
    std::vector<ContainerNode*> containers;
    if (isModel) {
        if (root != nullptr) containers.push_back(root);
        return containers;
    }
    if (SUIsInvalid(definition)) return containers;
    for (const SUComponentInstanceRef instance : ReadSketchUpList<SUComponentInstanceRef>(
             definition, SUComponentDefinitionGetNumInstances, SUComponentDefinitionGetInstances)) {
        for (TreeNode* node : nodesByEntity.Find(EntityIdOf(SUComponentInstanceToEntity(instance))))
            if (IsPlacementType(node->type)) containers.push_back(static_cast<ContainerNode*>(node));
    }
    return containers;
}

bool SUScene::ElementAdded(VALUE entities, VALUE entity) {
    HoldSceneForHost();
    const CollectionOwner owner = OwnerOfCollection(entities);
    const VALUE klass = rb::ClassOf(entity);
    const uint32_t entityId = rb::EntityIdOf(entity);
    if (entityId == kNoId) return false;
    return AddToContainers(ContainersOf(owner.definition, owner.isModel), klass, entity, entityId,
                           entities);
}

bool SUScene::AddToContainers(const std::vector<ContainerNode*>& containers, VALUE klass,
                              VALUE entity, uint32_t entityId, VALUE entities) {
    // An entity already mirrored in a container is not added twice: after an undo SketchUp may
    // report again what a redo replay has already brought back.
    const auto mirrored = nodesByEntity.Find(entityId);
    auto alreadyIn = [&](const ContainerNode* container) {
        return std::any_of(mirrored.begin(), mirrored.end(),
                           [&](const TreeNode* node) { return node->parent == container; });
    };
    bool added = false;
    SUComponentDefinitionRef definition = SU_INVALID;
    for (ContainerNode* container : containers) {
        if (alreadyIn(container)) continue;
        added = true;
        if (klass == k.cGroup) {
            BuildGroup(RefOf<SUGroupRef>(entity), container);
        } else if (klass == k.cComponentInstance) {
            BuildInstance(RefOf<SUComponentInstanceRef>(entity), container,
                          NodeType::ComponentInstance);
        } else if (klass == k.cImage) {
            BuildInstance(RefOf<SUComponentInstanceRef>(entity), container, NodeType::Image);
        } else if (klass == k.cFace) {
            CreateLeafNode(RefOf<SUFaceRef>(entity), container);
        } else {
            added = false;
        }
    }
    if (!added) return false;
    if (klass == k.cFace && remeshNeighbours) MarkNeighbourFacesDirty(RefOf<SUFaceRef>(entity));
    if (klass == k.cGroup) SUGroupGetDefinition(RefOf<SUGroupRef>(entity), &definition);
    if (klass == k.cComponentInstance)
        SUComponentInstanceGetDefinition(RefOf<SUComponentInstanceRef>(entity), &definition);
    // A component that cuts an opening changes the faces it is glued to.
    size_t openings = 0;
    if (!SUIsInvalid(definition)) SUComponentDefinitionGetNumOpenings(definition, &openings);
    if (openings > 0) MarkFacesOfEntitiesDirty(entities);
    return true;
}

bool SUScene::EntityChanged(VALUE entities, VALUE entity) {
    HoldSceneForHost();
    // Everything Ruby tells us, first.
    const VALUE klass = rb::ClassOf(entity);
    const uint32_t entityId = rb::EntityIdOf(entity);
    const uint32_t ownerId = rb::OwnerDefinitionId(entity);
    if (NIL_P(entities)) entities = rb::OwnerEntities(entity);
    if (entityId == kNoId) return false;
    if (!nodesByEntity.contains(entityId)) return false;
    return ApplyEntityChange(klass, entity, entityId, ownerId, entities);
}

bool SUScene::ApplyEntityChange(VALUE klass, VALUE entity, uint32_t entityId, uint32_t ownerId,
                                VALUE entities) {
    const auto listed = nodesByEntity.Find(entityId);
    const std::vector<TreeNode*> mirrors(listed.begin(), listed.end());
    TreeNode* reference = mirrors.front();
    const SUEntityRef entityRef = RefOf<SUEntityRef>(entity);
    const SUDrawingElementRef element = SUDrawingElementFromEntity(entityRef);

    bool hidden = false;
    SUDrawingElementGetHidden(element, &hidden);
    SULayerRef layer = SU_INVALID;
    SUDrawingElementGetLayer(element, &layer);
    const uint32_t layerId =
        SUIsInvalid(layer) ? reference->layerId : EntityIdOf(SULayerToEntity(layer));
    SUMaterialRef material = SU_INVALID;
    SUDrawingElementGetMaterial(element, &material);
    const uint32_t materialId = SUIsInvalid(material) ? 0 : EntityIdOf(SUMaterialToEntity(material));

    bool visibilityChanged = false;
    const bool visible = !hidden;
    if (visible != ((reference->flags & VisibilityFlags::NotHidden) != 0)) {
        twinlink::parallel::ForEach(mirrors, [&](TreeNode* node) { SetNotHidden(node, visible); });
        visibilityChanged = true;
    }
    bool layerChanged = false;
    if (layerId != reference->layerId) {
        const bool layerVisible = layers[layerId].visible;
        if (layerVisible != ((reference->flags & VisibilityFlags::LayerVisible) != 0))
            visibilityChanged = true;
        const bool onDefault = layerId == defaultLayerId;
        twinlink::parallel::ForEach(mirrors, [&](TreeNode* node) {
            node->layerId = layerId;
            node->onDefaultLayer = onDefault;
            SetLayerVisible(node, layerVisible);
        });
        layerChanged = true;
    }

    if (klass == k.cFace) {
        const SUFaceRef face = SUFaceFromEntity(entityRef);
        FaceRecord& record = faces[entityId];
        // Meshed already in this change (a face reported twice).
        if (record.generation != openGeneration || openGeneration == 0) {
            record.vertexCount = record.indexCount = 0;
            record.indices.clear();
            record.positions.clear();
            record.normals.clear();
            record.frontUV.clear();
            record.backUV.clear();
            BuildFaceMesh(record, face, entityId, ownerId);
            for (TreeNode* node : mirrors)
                if (node->IsLeaf()) RefreshLeaf(static_cast<LeafNode*>(node));
            if (remeshNeighbours) MarkNeighbourFacesDirty(face);
        }
    } else if (klass == k.cImage) {
        const Matrix4 local = EntityTransform(entityRef, ownerId == openDefinitionId);
        if (local != static_cast<ContainerNode*>(reference)->local)
            for (TreeNode* node : mirrors)
                static_cast<ContainerNode*>(node)->SetLocalTransform(local, &dirtyMaterials, &leavesToRewrite);
        if (layerChanged && colourByLayer) RefreshLeavesBelow(reference);
    } else if (klass == k.cGroup || klass == k.cComponentInstance) {
        ApplyPlacementChange(klass, entity, entityRef, ownerId, mirrors, materialId, entities);
        if (layerChanged && colourByLayer) RefreshLeavesBelow(reference);
    } else {
        if (visibilityChanged) root->SetParentVisible(true, &dirtyMaterials);
        return false;
    }
    if (visibilityChanged) root->SetParentVisible(true, &dirtyMaterials);
    return true;
}

void SUScene::ApplyPlacementChange(VALUE klass, VALUE entity, SUEntityRef entityRef,
                                   uint32_t ownerId, const std::vector<TreeNode*>& mirrors,
                                   uint32_t materialId, VALUE entities) {
    // Only groups and instances come here: every mirror is a container.
    std::vector<ContainerNode*> placements;
    for (TreeNode* node : mirrors) placements.push_back(static_cast<ContainerNode*>(node));
    ContainerNode* reference = placements.front();
    SUComponentDefinitionRef definition = SU_INVALID;
    if (klass == k.cGroup)
        SUGroupGetDefinition(RefOf<SUGroupRef>(entity), &definition);
    else
        SUComponentInstanceGetDefinition(RefOf<SUComponentInstanceRef>(entity), &definition);
    uint32_t definitionId = kNoId;
    size_t openings = 0;
    SUEntitiesRef definitionEntities = SU_INVALID;
    if (!SUIsInvalid(definition)) {
        definitionId = EntityIdOf(SUComponentDefinitionToEntity(definition));
        SUComponentDefinitionGetNumOpenings(definition, &openings);
        SUComponentDefinitionGetEntities(definition, &definitionEntities);
    }

    // A placement given another definition (make unique, replace) is built again below itself;
    // the open context must not apply to that rebuild.
    const uint32_t savedOpen = openDefinitionId;
    const bool savedMirrored = editMirrored;
    openDefinitionId = kNoId;
    editMirrored = false;
    for (ContainerNode* node : placements) {
        if (node->definitionId == definitionId) continue;
        NodeList doomed;
        node->CollectSubtree(doomed, false);
        node->children.clear();
        for (TreeNode* each : doomed) DeleteNode(each);
        node->definitionId = definitionId;
        BuildEntities(definitionEntities, node);
    }
    openDefinitionId = savedOpen;
    editMirrored = savedMirrored;

    if (materialId != reference->materialId) {
        LeafSet below;
        for (ContainerNode* node : placements) {
            node->materialId = materialId;
            node->CollectLeaves(below);
        }
        for (LeafNode* leaf : below) {
            if (leaf->face == nullptr) continue;
            const auto [front, back] = ResolveEffectiveMaterials(*leaf->face, leaf->parent);
            SetLeafMaterials(leaf, front, back);
        }
    }
    const Matrix4 local = EntityTransform(entityRef, ownerId == openDefinitionId);
    if (local != reference->local)
        for (ContainerNode* node : placements) node->SetLocalTransform(local, &dirtyMaterials, &leavesToRewrite);
    if (openings != reference->openings)
        for (ContainerNode* node : placements) node->openings = openings;
    if (openings != 0 || openings != reference->openings) MarkFacesOfEntitiesDirty(entities);
}

void SUScene::RefreshLeavesBelow(TreeNode* node) {
    LeafSet below;
    node->CollectLeaves(below);
    for (LeafNode* leaf : below) RefreshLeaf(leaf);
}

bool SUScene::ElementRemoved(VALUE entities, uint32_t entityId) {
    HoldSceneForHost();
    if (edgeStates.erase(entityId) > 0) return true;
    const CollectionOwner owner = OwnerOfCollection(entities);
    const std::vector<ContainerNode*> containers = ContainersOf(owner.definition, owner.isModel);
    const auto placed = nodesByEntity.Find(entityId);
    if (placed.empty()) return false;
    const std::unordered_set<const TreeNode*> inside(containers.begin(), containers.end());
    const std::vector<TreeNode*> mirrors(placed.begin(), placed.end());
    const bool hadOpenings =
        !mirrors.front()->IsLeaf() && static_cast<ContainerNode*>(mirrors.front())->openings != 0;
    bool removed = false;
    for (TreeNode* node : mirrors) {
        if (!inside.contains(node->parent)) continue;
        DeleteSubtree(node);
        removed = true;
    }
    if (removed && hadOpenings) MarkFacesOfEntitiesDirty(entities);
    return removed;
}

bool SUScene::DefinitionAdded(VALUE definition) {
    const uint32_t definitionId = rb::EntityIdOf(definition);
    if (definitionId == kNoId) return false;
    RegisterEntities(rb_funcall(definition, id.entities, 0), definitionId);
    return false;
}

bool SUScene::PageChanged(VALUE pages) {
    if (NIL_P(pages)) return false;
    const VALUE page = rb_funcall(pages, id.selectedPage, 0);
    if (NIL_P(page)) return false;
    const uint32_t pageId = rb::EntityIdOf(page);
    VALUE hidden = rb_funcall(page, id.hiddenEntities, 0);
    rb_check_type(hidden, T_ARRAY);
    for (long i = 0; i < RARRAY_LEN(hidden); ++i) {
        const VALUE entity = RARRAY_AREF(hidden, i);
        EntityChanged(rb::OwnerEntities(entity), entity);
    }
    RB_GC_GUARD(hidden);
    if (pageId == selectedPageId) return false;
    selectedPageId = pageId;
    return true;
}

bool SUScene::MaterialChanged(VALUE material) {
    HoldSceneForHost();
    const SUMaterialRef materialRef = RefOf<SUMaterialRef>(material);
    if (SUIsInvalid(materialRef)) return true;
    if (!materials->RefreshMaterial(materialRef, material)) return true;
    const uint32_t materialId = EntityIdOf(SUMaterialToEntity(materialRef));
    if (materialId == kNoId) return true;
    dirtyMaterials.insert(materialId);
    // New texture scales: the UVs of every face showing the material are computed again.
    for (const LeafNode* leaf : leavesByMaterial.Find(materialId))
        if (leaf->EffectiveVisible() && leaf->face != nullptr) dirtyFaces.insert(leaf->entityId);
    return true;
}

void SUScene::MarkFacesOfEntitiesDirty(VALUE entities) {
    if (NIL_P(entities)) return;
    VALUE elements = rb_funcall(entities, id.toA, 0);
    rb_check_type(elements, T_ARRAY);
    for (long i = 0; i < RARRAY_LEN(elements); ++i) {
        const VALUE element = RARRAY_AREF(elements, i);
        if (NIL_P(element) || rb::ClassOf(element) != k.cFace) continue;
        uint32_t faceId = 0;
        if (ReadEntityId(RefOf<SUEntityRef>(element), faceId)) dirtyFaces.insert(faceId);
    }
    RB_GC_GUARD(elements);
}

}  // namespace korvan
