// Sketchup::Entity and Sketchup::Drawingelement: what every entity answers (id, type, model,
// deleted state) and what every drawn element has (layer, material, visibility, erasing).
#include <string_view>

#include "ruby/bindings.h"
#include "ruby/entity_bindings.h"
#include "ruby/wrap.h"

namespace hostsim::ruby {

namespace {

const char* TypeName(RefType t) {
    switch (t) {
        case RefType::AttributeDictionary: return "AttributeDictionary";
        case RefType::ComponentDefinition: return "ComponentDefinition";
        case RefType::ComponentInstance: return "ComponentInstance";
        case RefType::Edge: return "Edge";
        case RefType::Face: return "Face";
        case RefType::Group: return "Group";
        case RefType::Image: return "Image";
        case RefType::Layer: return "Layer";
        case RefType::Loop: return "Loop";
        case RefType::Material: return "Material";
        case RefType::Scene: return "Page";
        case RefType::Texture: return "Texture";
        case RefType::Vertex: return "Vertex";
        default: return "Entity";
    }
}

std::string_view View(VALUE s) { return {RSTRING_PTR(s), static_cast<size_t>(RSTRING_LEN(s))}; }

// ---- Entity

VALUE EntityId(VALUE self) { return UINT2NUM(UnwrapEntity(self)->id); }
VALUE EntityTypename(VALUE self) { return rb_str_new_cstr(TypeName(UnwrapEntity(self)->type)); }
VALUE EntityModel(VALUE self) { return Wrap(UnwrapEntity(self)->model); }
// An object the model replaced after an undo or redo counts as deleted, as in SketchUp.
bool IsGone(VALUE self) {
    Entity* e = UnwrapEntity(self);
    return e->deleted || IsSuperseded(self, e);
}
VALUE EntityDeleted(VALUE self) { return IsGone(self) ? Qtrue : Qfalse; }
VALUE EntityValid(VALUE self) { return IsGone(self) ? Qfalse : Qtrue; }

VALUE EntityInspect(VALUE self) {
    // The model's collections (materials, layers, ...) are entities without an id of their own.
    if (RB_TYPE_P(self, T_DATA) && static_cast<Object*>(DATA_PTR(self))->type == RefType::Model)
        return rb_sprintf("#<%" PRIsVALUE ">", rb_class_name(rb_obj_class(self)));
    Entity* e = UnwrapEntity(self);
    if (e->deleted) return rb_sprintf("#<Deleted Entity:%p>", static_cast<void*>(e));
    return rb_sprintf("#<%" PRIsVALUE ":%p id=%u>", rb_class_name(rb_obj_class(self)), static_cast<void*>(e), e->id);
}

// ---- Drawingelement

VALUE ElementLayer(VALUE self) { return Wrap(UnwrapDrawingElement(self)->layer); }

// A layer given as a Layer, by name (made when missing, as SketchUp does) or nil (the default).
Layer* FindLayer(Model* m, std::string_view name) {
    for (Layer* l : m->layers)
        if (l->name == name) return l;
    return nullptr;
}

void SetLayerByName(DrawingElement* e, VALUE packedName) {
    Model* m = e->model;
    std::string name = TextOf(packedName);
    AsOneOperation(m, "Layer", [&] {
        Layer* l = FindLayer(m, name);
        m->SetLayer(e, l ? l : m->AddLayer(name));
    });
}

VALUE ElementSetLayer(VALUE self, VALUE layer) {
    DrawingElement* e = UnwrapDrawingElement(self);
    if (NIL_P(layer)) {
        e->model->SetLayer(e, e->model->defaultLayer);
    } else if (RB_TYPE_P(layer, T_STRING)) {
        SetLayerByName(e, PackText(layer));
    } else {
        Layer* l = Unwrap<Layer>(layer, RefType::Layer);
        if (l->deleted || l->model != e->model) rb_raise(rb_eArgError, "the layer is not in this entity's model");
        e->model->SetLayer(e, l);
    }
    return layer;
}

VALUE ElementMaterial(VALUE self) { return Wrap(UnwrapDrawingElement(self)->material); }

VALUE ElementSetMaterial(VALUE self, VALUE material) {
    DrawingElement* e = UnwrapDrawingElement(self);
    Material* m = MaterialArgument(e->model, material);
    e->model->SetMaterial(e, m);
    return material;
}

VALUE ElementHidden(VALUE self) { return UnwrapDrawingElement(self)->hidden ? Qtrue : Qfalse; }
VALUE ElementVisible(VALUE self) { return UnwrapDrawingElement(self)->hidden ? Qfalse : Qtrue; }

VALUE ElementSetHidden(VALUE self, VALUE hidden) {
    DrawingElement* e = UnwrapDrawingElement(self);
    e->model->SetHidden(e, RTEST(hidden));
    return hidden;
}

VALUE ElementSetVisible(VALUE self, VALUE visible) {
    DrawingElement* e = UnwrapDrawingElement(self);
    e->model->SetHidden(e, !RTEST(visible));
    return visible;
}

VALUE ElementErase(VALUE self) {
    DrawingElement* e = UnwrapDrawingElement(self);
    e->model->Erase({e});
    return Qtrue;
}

VALUE ElementParent(VALUE self) { return OwnerOf(UnwrapDrawingElement(self)->parent); }

}  // namespace

Material* MaterialArgument(Model* m, VALUE material) {
    if (NIL_P(material)) return nullptr;
    if (RB_TYPE_P(material, T_STRING)) {
        std::string_view name = View(material);
        for (Material* candidate : m->materials)
            if (candidate->name == name) return candidate;
        rb_raise(rb_eArgError, "no material named \"%" PRIsVALUE "\" in the model", material);
    }
    auto* found = Unwrap<Material>(material, RefType::Material);
    if (found->deleted || found->model != m) rb_raise(rb_eArgError, "the material is not in this entity's model");
    return found;
}

void DefineEntityBase() {
    VALUE E = k.cEntity;
    rb_define_method(E, "entityID", EntityId, 0);
    rb_define_method(E, "persistent_id", EntityId, 0);
    rb_define_method(E, "typename", EntityTypename, 0);
    rb_define_method(E, "model", EntityModel, 0);
    rb_define_method(E, "deleted?", EntityDeleted, 0);
    rb_define_method(E, "valid?", EntityValid, 0);
    rb_define_method(E, "to_s", EntityInspect, 0);
    rb_define_method(E, "inspect", EntityInspect, 0);

    VALUE D = k.cDrawingelement;
    rb_define_method(D, "layer", ElementLayer, 0);
    rb_define_method(D, "layer=", ElementSetLayer, 1);
    rb_define_method(D, "material", ElementMaterial, 0);
    rb_define_method(D, "material=", ElementSetMaterial, 1);
    rb_define_method(D, "hidden?", ElementHidden, 0);
    rb_define_method(D, "hidden=", ElementSetHidden, 1);
    rb_define_method(D, "visible?", ElementVisible, 0);
    rb_define_method(D, "visible=", ElementSetVisible, 1);
    rb_define_method(D, "erase!", ElementErase, 0);
    rb_define_method(D, "parent", ElementParent, 0);
}

void DefineEntities() {
    DefineEntityBase();
    DefineAttributes();
    DefineTopology();
    DefinePlacements();
    DefineEntitiesCollections();
    DefineModel();
    DefineSketchupModule();
}

}  // namespace hostsim::ruby
