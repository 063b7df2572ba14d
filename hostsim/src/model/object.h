// The base of everything a SketchUp API reference can point to. A C API reference's pointer
// and a Ruby entity object's data pointer are both the address of one of these.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace hostsim {

// The SDK's SURefType numbering, so that SUEntityGetType can answer with a plain cast.
enum class RefType : int {
    Unknown = 0,
    AttributeDictionary = 1,
    Camera = 2,
    ComponentDefinition = 3,
    ComponentInstance = 4,
    Curve = 5,
    Edge = 6,
    EdgeUse = 7,
    Entities = 8,
    Face = 9,
    Group = 10,
    Image = 11,
    Layer = 12,
    Location = 13,
    Loop = 14,
    MeshHelper = 15,
    Material = 16,
    Model = 17,
    Polyline3D = 18,
    Scene = 19,
    Texture = 20,
    TextureWriter = 21,
    TypedValue = 22,
    UVHelper = 23,
    Vertex = 24,
    RenderingOptions = 25,
};

class Model;

struct Object {
    explicit Object(RefType t) : type(t) {}
    virtual ~Object() = default;
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

    const RefType type;
    // The Ruby object that wraps this object now (a Ruby VALUE), 0 until Ruby first sees it.
    uintptr_t rubyObject = 0;
    // Set when an undo or redo touched the object and the model hands out new Ruby objects
    // after those: the next wrap makes a new one, and the old one reports itself deleted.
    bool renewRubyObject = false;
};

struct AttributeDictionary;
struct Entities;
struct Layer;
struct Material;

// Anything with an entity id. Ids are unique within a model and never reused; an erased
// entity keeps its object (undo brings it back) and only turns deleted.
struct Entity : Object {
    Entity(RefType t, Model* m, uint32_t entityId) : Object(t), model(m), id(entityId) {}

    Model* const model;
    const uint32_t id;
    bool deleted = false;
    std::vector<AttributeDictionary*> dictionaries;
};

// Something drawn: it sits in an Entities collection, on a layer, with a material.
struct DrawingElement : Entity {
    using Entity::Entity;

    Entities* parent = nullptr;
    Layer* layer = nullptr;
    Material* material = nullptr;  // for a face, its front material
    bool hidden = false;
};

}  // namespace hostsim
