// SketchUp's entities walked into the scene tree: instances, groups and images become container
// nodes whose subtrees follow their definitions, faces become leaves. Transforms are converted
// here from SketchUp's column-major doubles in inches to the renderer's row-vector floats in
// metres, with y and z exchanged.
#include <SketchUpAPI/geometry.h>
#include <SketchUpAPI/model/component_definition.h>
#include <SketchUpAPI/model/component_instance.h>
#include <SketchUpAPI/model/drawing_element.h>
#include <SketchUpAPI/model/entities.h>
#include <SketchUpAPI/model/entity.h>
#include <SketchUpAPI/model/face.h>
#include <SketchUpAPI/model/group.h>
#include <SketchUpAPI/model/image.h>
#include <SketchUpAPI/model/layer.h>
#include <SketchUpAPI/model/material.h>

#include <vector>

#include "appearance/sketchup_reads.h"
#include "scene/su_scene.h"

namespace korvan {

namespace {

// Where each of SketchUp's 16 values lands: the second and third rows and columns swap places.
constexpr int kAxisSwap[16] = {0, 2, 1, 3, 8, 10, 9, 11, 4, 6, 5, 7, 12, 14, 13, 15};

// One placement (group, instance or image) and everything its definition holds. A placement
// whose definition cannot be read produces no node.
void BuildPlacement(SUScene& scene, SUEntityRef placement, SUComponentDefinitionRef definition,
                    ContainerNode* parent, NodeType type) {
    if (SUIsInvalid(definition)) return;
    SUEntitiesRef entities = SU_INVALID;
    SUComponentDefinitionGetEntities(definition, &entities);
    ContainerNode* node = scene.CreateContainerNode(parent, placement, type,
                                               EntityIdOf(SUComponentDefinitionToEntity(definition)));
    size_t openings = 0;
    SUComponentDefinitionGetNumOpenings(definition, &openings);
    node->openings = openings;
    if (!SUIsInvalid(entities)) scene.BuildEntities(entities, node);
}

}  // namespace

void SUScene::BuildEntities(SUEntitiesRef entities, ContainerNode* parent) {
    if (SUIsInvalid(entities)) return;
    if (!keepDefinitionReadings) {
        BuildFromReading(ReadEntities(entities), parent);
        return;
    }
    // The root holds the model's own entities under no definition, and is built once.
    const uint32_t definitionId = parent->definitionId;
    auto known = definitionReadings.find(definitionId);
    if (known == definitionReadings.end())
        known = definitionReadings.emplace(definitionId, ReadEntities(entities)).first;
    BuildFromReading(known->second, parent);
}

EntitiesReading SUScene::ReadEntities(SUEntitiesRef entities) {
    EntitiesReading reading;
    reading.instances = ReadSketchUpList<SUComponentInstanceRef>(entities, SUEntitiesGetNumInstances,
                                                                 SUEntitiesGetInstances);
    reading.groups = ReadSketchUpList<SUGroupRef>(entities, SUEntitiesGetNumGroups, SUEntitiesGetGroups);
    const std::vector<SUFaceRef> faceRefs =
        ReadSketchUpList<SUFaceRef>(entities, SUEntitiesGetNumFaces, SUEntitiesGetFaces);
    reading.faces.reserve(faceRefs.size());
    for (const SUFaceRef face : faceRefs) {
        uint32_t faceId = 0;
        if (!ReadEntityId(SUFaceToEntity(face), faceId)) continue;
        reading.faces.push_back({face, faceId, &faces[faceId], &nodesByEntity.ListFor(faceId)});
    }
    reading.images = ReadSketchUpList<SUImageRef>(entities, SUEntitiesGetNumImages, SUEntitiesGetImages);
    return reading;
}

void SUScene::BuildFromReading(const EntitiesReading& reading, ContainerNode* parent) {
    for (const SUComponentInstanceRef instance : reading.instances)
        BuildInstance(instance, parent, NodeType::ComponentInstance);
    for (const SUGroupRef group : reading.groups) BuildGroup(group, parent);
    for (const PlacedFace& face : reading.faces) PlaceFace(face, parent);
    for (const SUImageRef image : reading.images) {
        // An image is a placement of its own hidden definition, and answers as an instance.
        SUComponentInstanceRef asInstance = SU_INVALID;
        asInstance.ptr = image.ptr;
        BuildInstance(asInstance, parent, NodeType::Image);
    }
}

void SUScene::BuildGroup(SUGroupRef group, ContainerNode* parent) {
    SUComponentDefinitionRef definition = SU_INVALID;
    if (SUGroupGetDefinition(group, &definition) != SU_ERROR_NONE) return;
    BuildPlacement(*this, SUGroupToEntity(group), definition, parent, NodeType::Group);
}

void SUScene::BuildInstance(SUComponentInstanceRef instance, ContainerNode* parent, NodeType type) {
    SUComponentDefinitionRef definition = SU_INVALID;
    if (SUComponentInstanceGetDefinition(instance, &definition) != SU_ERROR_NONE) return;
    BuildPlacement(*this, SUComponentInstanceToEntity(instance), definition, parent, type);
}

ContainerNode* SUScene::CreateContainerNode(ContainerNode* parent, SUEntityRef entity,
                                            NodeType type, uint32_t definitionId) {
    const bool inOpenDefinition = parent != nullptr && parent->definitionId == openDefinitionId;
    ContainerNode* node = CreateContainer(type, parent);
    node->definitionId = definitionId;

    if (!SUIsInvalid(entity)) {
        node->entityId = EntityIdOf(entity);
        IndexByEntity(node);

        const SUDrawingElementRef element = SUDrawingElementFromEntity(entity);
        SULayerRef layer = SU_INVALID;
        SUDrawingElementGetLayer(element, &layer);
        if (!SUIsInvalid(layer)) {
            node->layerId = EntityIdOf(SULayerToEntity(layer));
            node->onDefaultLayer = node->layerId == defaultLayerId;
        } else {
            node->layerId = kNoId;
            node->onDefaultLayer = false;
        }
        node->local = EntityTransform(entity, inOpenDefinition);

        const bool layerVisible = node->layerId == kNoId || layers[node->layerId].visible;
        bool hidden = false;
        SUDrawingElementGetHidden(element, &hidden);
        SetVisibilityFlags(node, !hidden, layerVisible);

        // An image shows its picture, never a material painted on the image itself.
        if (type == NodeType::Group || type == NodeType::ComponentInstance) {
            SUMaterialRef material = SU_INVALID;
            if (SUDrawingElementGetMaterial(element, &material) == SU_ERROR_NONE &&
                !SUIsInvalid(material)) {
                node->materialId = EntityIdOf(SUMaterialToEntity(material));
            }
        }
    } else {
        node->local = kIdentityMatrix;
    }

    node->SetWorldTransform(parent != nullptr ? Multiply(node->local, parent->world) : node->local);
    return node;
}

Matrix4 SUScene::EntityTransform(SUEntityRef entity, bool inOpenDefinition) const {
    SUTransformation transform{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
    SUComponentInstanceRef placement = SU_INVALID;
    switch (SUEntityGetType(entity)) {
        case SURefType_ComponentInstance:
            SUComponentInstanceGetTransform(SUComponentInstanceFromEntity(entity), &transform);
            break;
        case SURefType_Group:
            SUGroupGetTransform(SUGroupFromEntity(entity), &transform);
            break;
        case SURefType_Image:
            placement.ptr = entity.ptr;
            SUComponentInstanceGetTransform(placement, &transform);
            break;
        default:
            return ConvertTransformation(nullptr, inOpenDefinition);
    }
    return ConvertTransformation(transform.values, inOpenDefinition);
}

Matrix4 SUScene::ConvertTransformation(const double* d, bool inOpenDefinition) const {
    if (d == nullptr) return kIdentityMatrix;
    // A projective weight of 0 would divide by zero; such a matrix is taken as it stands.
    const double w = d[15];
    const float f = w == 0 ? 1.0f : static_cast<float>(1.0 / w);
    Matrix4 m{};
    for (int i = 0; i < 15; ++i) m[kAxisSwap[i]] = static_cast<float>(d[i]) * f;
    m[12] *= unitScale;
    m[13] *= unitScale;
    m[14] *= unitScale;
    m[15] = 1;
    // While SketchUp edits a definition it reports what lies inside it in model coordinates;
    // the edit inverse takes them back into the definition's own.
    if (inOpenDefinition && openDefinitionId != kNoId) m = Multiply(m, editInverse);
    return m;
}

}  // namespace korvan
