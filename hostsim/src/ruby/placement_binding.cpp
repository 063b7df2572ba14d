// Placements and what they place: Sketchup::Group, ComponentInstance and Image (each a placement
// of a definition, as in SketchUp), ComponentDefinition and its Behavior.
#include <cmath>

#include "ruby/entity_bindings.h"
#include "ruby/wrap.h"

namespace hostsim::ruby {

namespace {

VALUE Bool(bool b) { return b ? Qtrue : Qfalse; }

ComponentDefinition* LiveDefinition(VALUE self) {
    auto* d = Unwrap<ComponentDefinition>(self, RefType::ComponentDefinition);
    if (d->deleted) rb_raise(rb_eTypeError, "Reference to deleted ComponentDefinition");
    return d;
}

// ---- every placement: groups, component instances and images

VALUE PlacementDefinition(VALUE self) { return Wrap(UnwrapPlacement(self)->definition); }
VALUE PlacementTransformation(VALUE self) { return NewTransformation(UnwrapPlacement(self)->transform); }

VALUE PlacementSetTransformation(VALUE self, VALUE t) {
    ComponentInstance* inst = UnwrapPlacement(self);
    Transform to = TransformOf(t);
    inst->model->SetTransform(inst, to);
    return t;
}

// Applies t after the current transformation.
VALUE PlacementTransform(VALUE self, VALUE t) {
    ComponentInstance* inst = UnwrapPlacement(self);
    Transform by = TransformOf(t);
    inst->model->SetTransform(inst, by * inst->transform);
    return self;
}

// SketchUp's move! replaces the transformation without an undo step; here it is undoable.
VALUE PlacementMove(VALUE self, VALUE t) {
    PlacementSetTransformation(self, t);
    return self;
}

VALUE PlacementGluedTo(VALUE self) { return Wrap(UnwrapPlacement(self)->gluedTo); }

VALUE PlacementSetGluedTo(VALUE self, VALUE face) {
    ComponentInstance* inst = UnwrapPlacement(self);
    Face* f = nullptr;
    if (!NIL_P(face)) {
        f = Unwrap<Face>(face, RefType::Face);
        if (f->deleted) rb_raise(rb_eTypeError, "Reference to deleted Face");
        if (f->parent != inst->parent) rb_raise(rb_eArgError, "the face is not in the same entities as the placement");
    }
    inst->model->Glue(inst, f);
    return face;
}

VALUE PlacementName(VALUE self) { return Utf8(UnwrapPlacement(self)->name); }

void Rename(ComponentInstance* inst, VALUE packed) { inst->model->SetInstanceName(inst, TextOf(packed)); }

VALUE PlacementSetName(VALUE self, VALUE name) {
    ComponentInstance* inst = UnwrapPlacement(self);
    Rename(inst, PackText(name));
    return name;
}

VALUE PlacementMakeUnique(VALUE self) {
    ComponentInstance* inst = UnwrapPlacement(self);
    inst->model->MakeUnique(inst);
    return self;
}

// ---- Group

VALUE GroupEntities(VALUE self) { return Wrap(UnwrapPlacement(self)->definition->entities); }

// ---- ComponentInstance

VALUE InstanceSetDefinition(VALUE self, VALUE definition) {
    ComponentInstance* inst = UnwrapPlacement(self);
    ComponentDefinition* def = LiveDefinition(definition);
    if (def->model != inst->model) rb_raise(rb_eArgError, "the definition is not in this model");
    if (def->kind != DefinitionKind::Component) rb_raise(rb_eArgError, "a group's or image's definition cannot be placed");
    inst->model->SetDefinition(inst, def);
    return definition;
}

// ---- Image: a placement of a unit square, so its size is the length of its axes

Vec3 Axis(const Transform& t, int column) { return {t.At(0, column), t.At(1, column), t.At(2, column)}; }

VALUE ImageWidth(VALUE self) { return DBL2NUM(Axis(UnwrapPlacement(self)->transform, 0).Length()); }
VALUE ImageHeight(VALUE self) { return DBL2NUM(Axis(UnwrapPlacement(self)->transform, 1).Length()); }
VALUE ImageOrigin(VALUE self) { return NewPoint(UnwrapPlacement(self)->transform.Origin()); }
VALUE ImageNormal(VALUE self) {
    const Transform& t = UnwrapPlacement(self)->transform;
    return NewVector(Axis(t, 0).Cross(Axis(t, 1)).Normalized());
}
VALUE ImagePath(VALUE self) { return Utf8(Unwrap<Image>(self, RefType::Image)->path); }

// ---- ComponentDefinition

VALUE DefinitionEntities(VALUE self) { return Wrap(LiveDefinition(self)->entities); }
VALUE DefinitionInstances(VALUE self) { return ArrayOf(LiveDefinition(self)->instances); }
VALUE DefinitionCountInstances(VALUE self) { return SIZET2NUM(LiveDefinition(self)->instances.size()); }

// How many times the definition appears in the model, through every level of nesting: a
// placement inside a definition counts once for each use of that definition.
long UsedCount(const ComponentDefinition* def, int depth) {
    if (depth > 64) return 0;  // a definition that contains itself is never drawn
    long used = 0;
    for (const ComponentInstance* inst : def->instances) {
        const Entities* in = inst->parent;
        if (!in || inst->deleted) continue;
        used += in->definition ? UsedCount(in->definition, depth + 1) : 1;
    }
    return used;
}

VALUE DefinitionCountUsedInstances(VALUE self) { return LONG2NUM(UsedCount(LiveDefinition(self), 0)); }
VALUE DefinitionName(VALUE self) { return Utf8(LiveDefinition(self)->name); }

void RenameDefinition(ComponentDefinition* def, VALUE packed) { def->model->SetDefinitionName(def, TextOf(packed)); }

VALUE DefinitionSetName(VALUE self, VALUE name) {
    ComponentDefinition* def = LiveDefinition(self);
    RenameDefinition(def, PackText(name));
    return name;
}

VALUE DefinitionGroup(VALUE self) { return Bool(LiveDefinition(self)->kind == DefinitionKind::Group); }
VALUE DefinitionImage(VALUE self) { return Bool(LiveDefinition(self)->kind == DefinitionKind::Image); }
VALUE DefinitionGuid(VALUE self) { return Utf8(LiveDefinition(self)->guid); }

// One Behavior object per definition; its data pointer is the definition.
VALUE DefinitionBehavior(VALUE self) {
    ComponentDefinition* def = LiveDefinition(self);
    static ID cache = rb_intern("__behavior");
    VALUE behavior = rb_attr_get(self, cache);
    if (NIL_P(behavior)) {
        behavior = rb_data_object_wrap(k.cBehavior, def, nullptr, nullptr);
        rb_ivar_set(self, cache, behavior);
    }
    return behavior;
}

// ---- Behavior

ComponentDefinition* DefinitionOfBehavior(VALUE self) { return static_cast<ComponentDefinition*>(DATA_PTR(self)); }

VALUE BehaviorCutsOpening(VALUE self) { return Bool(DefinitionOfBehavior(self)->cutsOpening); }
VALUE BehaviorFacesCamera(VALUE self) { return Bool(DefinitionOfBehavior(self)->alwaysFaceCamera); }

VALUE BehaviorSetCutsOpening(VALUE self, VALUE cuts) {
    ComponentDefinition* def = DefinitionOfBehavior(self);
    def->model->SetCutsOpening(def, RTEST(cuts));
    return cuts;
}

VALUE BehaviorSetFacesCamera(VALUE self, VALUE faces) {
    ComponentDefinition* def = DefinitionOfBehavior(self);
    def->model->SetAlwaysFaceCamera(def, RTEST(faces));
    return faces;
}

}  // namespace

void DefinePlacements() {
    for (VALUE c : {k.cGroup, k.cComponentInstance, k.cImage}) {
        rb_define_method(c, "definition", PlacementDefinition, 0);
        rb_define_method(c, "transformation", PlacementTransformation, 0);
        rb_define_method(c, "transformation=", PlacementSetTransformation, 1);
        rb_define_method(c, "transform!", PlacementTransform, 1);
        rb_define_method(c, "move!", PlacementMove, 1);
        rb_define_method(c, "glued_to", PlacementGluedTo, 0);
        rb_define_method(c, "glued_to=", PlacementSetGluedTo, 1);
    }
    for (VALUE c : {k.cGroup, k.cComponentInstance}) {
        rb_define_method(c, "name", PlacementName, 0);
        rb_define_method(c, "name=", PlacementSetName, 1);
        rb_define_method(c, "make_unique", PlacementMakeUnique, 0);
    }
    rb_define_method(k.cGroup, "entities", GroupEntities, 0);
    rb_define_method(k.cComponentInstance, "definition=", InstanceSetDefinition, 1);

    VALUE I = k.cImage;
    rb_define_method(I, "width", ImageWidth, 0);
    rb_define_method(I, "height", ImageHeight, 0);
    rb_define_method(I, "origin", ImageOrigin, 0);
    rb_define_method(I, "normal", ImageNormal, 0);
    rb_define_method(I, "path", ImagePath, 0);

    VALUE D = k.cComponentDefinition;
    rb_define_method(D, "entities", DefinitionEntities, 0);
    rb_define_method(D, "instances", DefinitionInstances, 0);
    rb_define_method(D, "count_instances", DefinitionCountInstances, 0);
    rb_define_method(D, "count_used_instances", DefinitionCountUsedInstances, 0);
    rb_define_method(D, "name", DefinitionName, 0);
    rb_define_method(D, "name=", DefinitionSetName, 1);
    rb_define_method(D, "group?", DefinitionGroup, 0);
    rb_define_method(D, "image?", DefinitionImage, 0);
    rb_define_method(D, "guid", DefinitionGuid, 0);
    rb_define_method(D, "behavior", DefinitionBehavior, 0);

    VALUE B = k.cBehavior;
    rb_define_method(B, "cuts_opening?", BehaviorCutsOpening, 0);
    rb_define_method(B, "cuts_opening=", BehaviorSetCutsOpening, 1);
    rb_define_method(B, "always_face_camera?", BehaviorFacesCamera, 0);
    rb_define_method(B, "always_face_camera=", BehaviorSetFacesCamera, 1);
}

}  // namespace hostsim::ruby
