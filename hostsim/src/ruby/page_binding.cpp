// Sketchup::Pages and Sketchup::Page (scenes).
#include <vector>

#include "ruby/appearance_and_view.h"
#include "ruby/entity_bindings.h"
#include "ruby/camera.h"
#include "ruby/wrap.h"

namespace hostsim::ruby {

namespace {

Page* LivePage(VALUE v) {
    auto* p = static_cast<Page*>(UnwrapLiveEntity(v));
    if (p->type != RefType::Scene) rb_raise(rb_eTypeError, "expected a Sketchup::Page");
    return p;
}

// ---- Pages

VALUE PagesEach(VALUE self) {
    RETURN_ENUMERATOR(self, 0, nullptr);
    return YieldElements(self, ArrayOf(ModelOfCollection(self)->pages));
}

VALUE PagesToA(VALUE self) { return ArrayOf(ModelOfCollection(self)->pages); }

VALUE PagesSize(VALUE self) { return SIZET2NUM(ModelOfCollection(self)->pages.size()); }

VALUE PagesAt(VALUE self, VALUE key) { return Wrap(ByIndexOrName(ModelOfCollection(self)->pages, key)); }

// Without a name the page is called "Scene N". It stores the current camera.
VALUE PagesAdd(int argc, VALUE* argv, VALUE self) {
    rb_check_arity(argc, 0, 1);
    Model* model = ModelOfCollection(self);
    VALUE name = argc > 0 && !NIL_P(argv[0]) ? argv[0] : rb_str_new(nullptr, 0);
    StringValue(name);
    return Wrap(model->AddPage(StringOf(name)));
}

VALUE PagesSelected(VALUE self) { return Wrap(ModelOfCollection(self)->selectedPage); }

VALUE PagesSetSelected(VALUE self, VALUE page) {
    Model* model = ModelOfCollection(self);
    Page* p = LivePage(page);
    if (p->model != model) rb_raise(rb_eArgError, "the page belongs to another model");
    model->SelectPage(p);
    return page;
}

// True when the page was there to erase.
VALUE PagesErase(VALUE self, VALUE page) {
    Model* model = ModelOfCollection(self);
    Page* p = LivePage(page);
    if (p->model != model) return Qfalse;
    model->RemovePage(p);
    return Qtrue;
}

// ---- Page

VALUE PageName(VALUE self) { return Utf8(LivePage(self)->name); }

VALUE PageSetName(VALUE self, VALUE name) {
    Page* p = LivePage(self);
    StringValue(name);
    p->model->SetPageName(p, StringOf(name));
    return name;
}

VALUE PageCameraOf(VALUE self) { return PageCamera(LivePage(self)); }

// The layers the page hides when it is shown.
VALUE PageLayers(VALUE self) {
    VALUE list = rb_ary_new();
    for (Layer* l : LivePage(self)->hiddenLayers)
        if (!l->deleted) rb_ary_push(list, Wrap(l));
    return list;
}

VALUE PageSetVisibility(VALUE self, VALUE layer, VALUE visible) {
    Page* p = LivePage(self);
    auto* l = static_cast<Layer*>(UnwrapLiveEntity(layer));
    if (l->type != RefType::Layer || l->model != p->model) rb_raise(rb_eArgError, "expected a layer of the page's model");
    p->model->SetPageLayerVisible(p, l, RTEST(visible));
    return self;
}

VALUE PageHiddenEntities(VALUE self) {
    VALUE list = rb_ary_new();
    for (Entity* e : LivePage(self)->hiddenEntities)
        if (!e->deleted) rb_ary_push(list, Wrap(e));
    return list;
}

// What the page hides when it is shown; scripts playing the user say so here.
void StoreHidden(Page* p, VALUE list) {
    std::vector<Entity*> hidden;
    for (long i = 0; i < RARRAY_LEN(list); ++i) hidden.push_back(static_cast<Entity*>(DATA_PTR(rb_ary_entry(list, i))));
    p->model->SetPageHidden(p, hidden);
}

VALUE PageSetHiddenEntities(VALUE self, VALUE list) {
    Page* p = LivePage(self);
    list = rb_Array(list);
    for (long i = 0; i < RARRAY_LEN(list); ++i) UnwrapDrawingElement(rb_ary_entry(list, i));
    StoreHidden(p, list);
    return list;
}

// Stores the current camera in the page.
VALUE PageUpdate(int argc, VALUE* argv, VALUE self) {
    rb_check_arity(argc, 0, 1);
    Page* p = LivePage(self);
    p->model->SetPageCamera(p, p->model->camera);
    return Qtrue;
}

}  // namespace

void DefinePages() {
    VALUE L = k.cPages;
    rb_define_method(L, "each", PagesEach, 0);
    rb_define_method(L, "to_a", PagesToA, 0);
    rb_define_method(L, "size", PagesSize, 0);
    rb_define_method(L, "length", PagesSize, 0);
    rb_define_method(L, "count", PagesSize, 0);
    rb_define_method(L, "[]", PagesAt, 1);
    rb_define_method(L, "add", PagesAdd, -1);
    rb_define_method(L, "erase", PagesErase, 1);
    rb_define_method(L, "selected_page", PagesSelected, 0);
    rb_define_method(L, "selected_page=", PagesSetSelected, 1);
    rb_define_method(L, "model", CollectionModel, 0);

    VALUE P = k.cPage;
    rb_define_method(P, "name", PageName, 0);
    rb_define_method(P, "name=", PageSetName, 1);
    rb_define_method(P, "camera", PageCameraOf, 0);
    rb_define_method(P, "hidden_entities", PageHiddenEntities, 0);
    rb_define_method(P, "layers", PageLayers, 0);
    rb_define_method(P, "set_visibility", PageSetVisibility, 2);
    rb_define_method(P, "hidden_entities=", PageSetHiddenEntities, 1);
    rb_define_method(P, "update", PageUpdate, -1);
}

}  // namespace hostsim::ruby
