// Sketchup::Layers and Sketchup::Layer.
#include "ruby/appearance_and_view.h"
#include "ruby/entity_bindings.h"
#include "ruby/color.h"
#include "ruby/wrap.h"

namespace hostsim::ruby {

namespace {

Layer* LiveLayer(VALUE v) {
    auto* l = static_cast<Layer*>(UnwrapLiveEntity(v));
    if (l->type != RefType::Layer) rb_raise(rb_eTypeError, "expected a Sketchup::Layer");
    return l;
}

// ---- Layers

VALUE LayersEach(VALUE self) {
    RETURN_ENUMERATOR(self, 0, nullptr);
    return YieldElements(self, ArrayOf(ModelOfCollection(self)->layers));
}

VALUE LayersToA(VALUE self) { return ArrayOf(ModelOfCollection(self)->layers); }

VALUE LayersSize(VALUE self) { return SIZET2NUM(ModelOfCollection(self)->layers.size()); }

VALUE LayersAt(VALUE self, VALUE key) { return Wrap(ByIndexOrName(ModelOfCollection(self)->layers, key)); }

// An existing name gives back that layer, as in SketchUp.
VALUE LayersAdd(VALUE self, VALUE name) {
    Model* model = ModelOfCollection(self);
    StringValue(name);
    return Wrap(model->AddLayer(StringOf(name)));
}

// False for an unknown layer and for the default layer, which cannot go.
VALUE LayersRemove(VALUE self, VALUE which) {
    Model* model = ModelOfCollection(self);
    Layer* l = RB_TYPE_P(which, T_STRING) ? ByIndexOrName(model->layers, which) : LiveLayer(which);
    if (!l || l->model != model || l == model->defaultLayer) return Qfalse;
    model->RemoveLayer(l);
    return Qtrue;
}

// ---- Layer

VALUE LayerName(VALUE self) { return Utf8(LiveLayer(self)->name); }

VALUE LayerSetName(VALUE self, VALUE name) {
    Layer* l = LiveLayer(self);
    StringValue(name);
    l->model->SetLayerName(l, StringOf(name));
    return name;
}

VALUE LayerVisible(VALUE self) { return LiveLayer(self)->visible ? Qtrue : Qfalse; }

VALUE LayerSetVisible(VALUE self, VALUE visible) {
    Layer* l = LiveLayer(self);
    l->model->SetLayerVisible(l, RTEST(visible));
    return visible;
}

VALUE LayerColor(VALUE self) { return NewColor(LiveLayer(self)->material->color); }

VALUE LayerSetColor(VALUE self, VALUE color) {
    Layer* l = LiveLayer(self);
    Color c = ColorOf(color);
    l->model->SetLayerColor(l, c);
    return color;
}

}  // namespace

void DefineLayers() {
    VALUE L = k.cLayers;
    rb_define_method(L, "each", LayersEach, 0);
    rb_define_method(L, "to_a", LayersToA, 0);
    rb_define_method(L, "size", LayersSize, 0);
    rb_define_method(L, "length", LayersSize, 0);
    rb_define_method(L, "count", LayersSize, 0);
    rb_define_method(L, "[]", LayersAt, 1);
    rb_define_method(L, "at", LayersAt, 1);
    rb_define_method(L, "add", LayersAdd, 1);
    rb_define_method(L, "remove", LayersRemove, 1);
    rb_define_method(L, "model", CollectionModel, 0);

    VALUE C = k.cLayer;
    rb_define_method(C, "name", LayerName, 0);
    rb_define_method(C, "name=", LayerSetName, 1);
    rb_define_method(C, "visible?", LayerVisible, 0);
    rb_define_method(C, "visible=", LayerSetVisible, 1);
    rb_define_method(C, "color", LayerColor, 0);
    rb_define_method(C, "color=", LayerSetColor, 1);
}

}  // namespace hostsim::ruby
