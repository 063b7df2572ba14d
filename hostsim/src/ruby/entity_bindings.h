// The parts of the entity and model bindings (DefineEntities runs each once) and the argument
// helpers they share.
//
// The helpers split every binding into two steps. First everything that may raise runs while
// no C++ object is alive: arguments are checked and packed into Ruby strings (points as
// doubles, entities as pointers). Then plain C++ code unpacks them and calls the model, which
// never raises into Ruby.
#pragma once

// The standard headers come first: ruby.h redefines some C library names as macros.
#include <string>
#include <vector>

#include <ruby.h>

#include "model/model.h"

namespace hostsim::ruby {

void DefineEntityBase();        // Entity, Drawingelement (entity_binding.cpp)
void DefineAttributes();        // AttributeDictionary, AttributeDictionaries, Entity's attribute methods
void DefineTopology();          // Face, Edge, Vertex, Loop
void DefinePlacements();        // Group, ComponentInstance, Image, ComponentDefinition, Behavior
void DefineEntitiesCollections();  // Entities, DefinitionList
void DefineModel();             // Model
void DefineSketchupModule();    // Sketchup's module functions and HostSim's switches

// The arguments as one array: f(a, b, c) and f([a, b, c]) are the same call.
VALUE ArgumentList(int argc, const VALUE* argv);

// May raise: points (Point3d, Vector3d or [x, y, z]) packed as doubles.
VALUE PackPoints(VALUE list);
std::vector<Vec3> UnpackPoints(VALUE packed);

// May raise: live drawing elements packed as pointers.
VALUE PackElements(VALUE list);
std::vector<DrawingElement*> UnpackElements(VALUE packed);

// May raise: a String (or anything with to_s) as a frozen UTF-8 copy, read later by TextOf.
VALUE PackText(VALUE v);
std::string TextOf(VALUE packed);

// Yields each element of an array built beforehand (a block may break or raise), then
// returns self.
VALUE YieldElements(VALUE self, VALUE list);

// Runs edit as one operation when none is open, as SketchUp does for a single API call that
// makes several changes. The model never raises, so edit may hold C++ objects.
template <typename Edit>
void AsOneOperation(Model* m, const char* name, Edit edit) {
    const bool own = !m->InOperation();
    if (own) m->StartOperation(name);
    edit();
    if (own) m->CommitOperation();
}

// May raise: a material argument (a Material of the model, a material's name, or nil for none).
Material* MaterialArgument(Model* m, VALUE material);

// The owner that SketchUp reports as an entity's or a collection's parent: the model for its
// own entities, else the component definition.
VALUE OwnerOf(Entities* in);

}  // namespace hostsim::ruby
