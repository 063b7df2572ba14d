// Sketchup::Selection: the model's selection set. Every change goes through the model, which
// tells selection observers (onSelectionBulkChange).
#include <algorithm>
#include <vector>

#include "ruby/appearance_and_view.h"
#include "ruby/entity_bindings.h"
#include "ruby/wrap.h"

namespace hostsim::ruby {

namespace {

// The selected entities still alive, in selection order.
VALUE Selected(VALUE self) {
    VALUE list = rb_ary_new();
    for (Entity* e : ModelOfCollection(self)->selection)
        if (!e->deleted) rb_ary_push(list, Wrap(e));
    return list;
}

// The drawing elements given as arguments or as one array, checked to be live elements of
// this model, packed for Apply.
VALUE ElementsArgument(int argc, VALUE* argv, VALUE self) {
    Model* model = ModelOfCollection(self);
    VALUE list = ArgumentList(argc, argv);
    VALUE packed = PackElements(list);
    for (long i = 0; i < RARRAY_LEN(list); ++i)
        if (static_cast<DrawingElement*>(DATA_PTR(rb_ary_entry(list, i)))->model != model)
            rb_raise(rb_eArgError, "the entity belongs to another model");
    return packed;
}

enum class Change { Add, Remove, Toggle };

// Applies the change to the checked elements; returns how many it affected.
long Apply(Model* model, VALUE packed, Change change) {
    std::vector<Entity*> now;
    for (Entity* e : model->selection)
        if (!e->deleted) now.push_back(e);
    long affected = 0;
    for (DrawingElement* e : UnpackElements(packed)) {
        auto it = std::find(now.begin(), now.end(), e);
        const bool selected = it != now.end();
        if (selected && change != Change::Add) {
            now.erase(it);
            ++affected;
        } else if (!selected && change != Change::Remove) {
            now.push_back(e);
            ++affected;
        }
    }
    if (affected > 0) model->SetSelection(now);
    return affected;
}

VALUE Add(int argc, VALUE* argv, VALUE self) {
    VALUE packed = ElementsArgument(argc, argv, self);
    return LONG2NUM(Apply(ModelOfCollection(self), packed, Change::Add));
}

VALUE Remove(int argc, VALUE* argv, VALUE self) {
    VALUE packed = ElementsArgument(argc, argv, self);
    return LONG2NUM(Apply(ModelOfCollection(self), packed, Change::Remove));
}

VALUE Toggle(int argc, VALUE* argv, VALUE self) {
    VALUE packed = ElementsArgument(argc, argv, self);
    return LONG2NUM(Apply(ModelOfCollection(self), packed, Change::Toggle));
}

VALUE Clear(VALUE self) {
    Model* model = ModelOfCollection(self);
    if (!model->selection.empty()) model->SetSelection({});
    return Qnil;
}

VALUE Each(VALUE self) {
    RETURN_ENUMERATOR(self, 0, nullptr);
    return YieldElements(self, Selected(self));
}

VALUE Size(VALUE self) { return LONG2NUM(RARRAY_LEN(Selected(self))); }

VALUE Empty(VALUE self) { return RARRAY_LEN(Selected(self)) == 0 ? Qtrue : Qfalse; }

VALUE At(VALUE self, VALUE index) { return rb_ary_entry(Selected(self), NUM2LONG(index)); }

VALUE First(VALUE self) { return rb_ary_entry(Selected(self), 0); }

VALUE Contains(VALUE self, VALUE entity) { return rb_ary_includes(Selected(self), entity); }

}  // namespace

void DefineSelection() {
    VALUE S = k.cSelection;
    rb_define_method(S, "add", Add, -1);
    rb_define_method(S, "remove", Remove, -1);
    rb_define_method(S, "toggle", Toggle, -1);
    rb_define_method(S, "clear", Clear, 0);
    rb_define_method(S, "each", Each, 0);
    rb_define_method(S, "to_a", Selected, 0);
    rb_define_method(S, "size", Size, 0);
    rb_define_method(S, "length", Size, 0);
    rb_define_method(S, "count", Size, 0);
    rb_define_method(S, "empty?", Empty, 0);
    rb_define_method(S, "[]", At, 1);
    rb_define_method(S, "at", At, 1);
    rb_define_method(S, "first", First, 0);
    rb_define_method(S, "include?", Contains, 1);
    rb_define_method(S, "contains?", Contains, 1);
    rb_define_method(S, "model", CollectionModel, 0);
}

}  // namespace hostsim::ruby
