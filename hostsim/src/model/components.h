// Component definitions and their placements: component instances, groups and images.
#pragma once

#include <string>
#include <vector>

#include "model/geometry.h"
#include "model/object.h"

namespace hostsim {

struct Entities;
struct Face;
struct ComponentInstance;

enum class DefinitionKind { Component, Group, Image };

struct ComponentDefinition : Entity {
    ComponentDefinition(Model* m, uint32_t entityId) : Entity(RefType::ComponentDefinition, m, entityId) {}

    std::string name;
    std::string guid;
    DefinitionKind kind = DefinitionKind::Component;
    Entities* entities = nullptr;
    std::vector<ComponentInstance*> instances;  // live placements
    // Behaviour: a component that cuts an opening makes a hole in the face it is glued to.
    bool cutsOpening = false;
    bool alwaysFaceCamera = false;

    // The hole an instance cuts, in definition coordinates: the bounding rectangle of the
    // geometry lying on the gluing plane (z = 0). Empty when the definition cuts nothing.
    std::vector<Vec3> Opening() const;
    size_t NumOpenings() const { return Opening().empty() ? 0 : 1; }
};

// A placement of a definition. Groups and images are placements too, of a definition of
// their own, as in SketchUp.
struct ComponentInstance : DrawingElement {
    ComponentInstance(Model* m, uint32_t entityId, RefType t) : DrawingElement(t, m, entityId) {}

    ComponentDefinition* definition = nullptr;
    Transform transform;
    std::string name;
    std::string guid;
    Face* gluedTo = nullptr;
};

// An image: a placement of an image definition, which holds one face painted with the
// image's texture. Its size lives in its transformation.
struct Image : ComponentInstance {
    Image(Model* m, uint32_t entityId) : ComponentInstance(m, entityId, RefType::Image) {}

    std::string path;
    Material* imageMaterial = nullptr;
};

}  // namespace hostsim
