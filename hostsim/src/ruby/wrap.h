// How document objects appear in Ruby. Every entity has exactly one Ruby object, a T_DATA
// whose data pointer is the entity itself (the same address a C API reference holds), so
// a native caller can turn a Ruby entity into its C API reference by reading DATA_PTR.
// Per-model collections (materials, layers, ...) are T_DATA objects pointing at the Model.
//
// Raising: the Unwrap and conversion helpers raise Ruby exceptions. Call them before any
// C++ object with a destructor is alive in the calling frame.
#pragma once

#include <ruby.h>

#include "model/app.h"
#include "model/model.h"

namespace hostsim::ruby {

struct Classes {
    VALUE mSketchup, mGeom, mHostSim;
    VALUE cEntity, cDrawingelement, cFace, cEdge, cVertex, cLoop, cGroup, cComponentInstance, cImage,
        cComponentDefinition, cBehavior, cEntities, cModel, cMaterial, cMaterials, cTexture, cLayer, cLayers,
        cDefinitionList, cPage, cPages, cAttributeDictionary, cAttributeDictionaries, cRenderingOptions, cTools,
        cView, cCamera, cSelection, cShadowInfo, cColor, cPoint3d, cVector3d, cTransformation;
};
extern Classes k;

// Creates the module Sketchup, Geom and every class above with SketchUp's hierarchy.
void DefineClasses();

// The Ruby object of a document object; nil for null. The same one every time, until an undo
// or redo renews it (Model::freshObjectsAfterUndo).
VALUE Wrap(Object* o);
// True when v is not the object's Ruby object any more: it then reports itself deleted.
bool IsSuperseded(VALUE v, const Object* o);
// The document object behind a Ruby value; raises TypeError when it is none, or when it is
// not of the given type (RefType::Unknown accepts any), and a TypeError for deleted entities
// when live is asked for.
Object* UnwrapObject(VALUE v, RefType want = RefType::Unknown);
template <typename T>
T* Unwrap(VALUE v, RefType want) {
    return static_cast<T*>(UnwrapObject(v, want));
}
Entity* UnwrapEntity(VALUE v);            // any entity, deleted or not
Entity* UnwrapLiveEntity(VALUE v);        // raises "Reference to deleted entity" like SketchUp
DrawingElement* UnwrapDrawingElement(VALUE v);
// A placement: component instance, group or image.
ComponentInstance* UnwrapPlacement(VALUE v);
Model* UnwrapModel(VALUE v);

// Per-model collection objects.
enum class Collection { Materials, Layers, Definitions, Pages, RenderingOptions, Tools, View, Selection, ShadowInfo };
VALUE CollectionOf(Model* m, Collection which);
Model* ModelOfCollection(VALUE collection);

// Observers attached to a Ruby object (a hidden instance variable holding an array).
VALUE ObserversOf(VALUE target);
// Defines add_observer and remove_observer on a class.
void DefineObservable(VALUE klass);
// Starts delivering a model's events to Ruby observers (done once per model).
void ListenTo(Model* m);

// Conversions shared by the bindings.
VALUE Utf8(const std::string& s);
std::string StringOf(VALUE v);  // to_s of anything, as UTF-8
Vec3 PointOf(VALUE v);          // Geom::Point3d, Geom::Vector3d or a 3-element array
VALUE NewPoint(const Vec3& p);
VALUE NewVector(const Vec3& v);
Transform TransformOf(VALUE v);  // Geom::Transformation, a 16-element array or a point (translation)
VALUE NewTransformation(const Transform& t);
// Ruby's array of the objects of a C++ list.
template <typename List>
VALUE ArrayOf(const List& list) {
    VALUE a = rb_ary_new_capa(static_cast<long>(list.size()));
    for (auto* o : list) rb_ary_push(a, Wrap(o));
    return a;
}

}  // namespace hostsim::ruby
