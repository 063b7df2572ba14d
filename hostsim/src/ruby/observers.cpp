// Delivers the document's events to Ruby observers, as SketchUp calls its observer methods:
// only the methods an observer responds to are called, and an exception raised inside one is
// reported on the console (and kept for scripts in HostSim.observer_errors), never passed on.
#include <vector>

#include "ruby/bindings.h"
#include "ruby/wrap.h"

namespace hostsim::ruby {

namespace {

ID ObserversId() {
    static ID id = rb_intern("__observers");
    return id;
}

VALUE g_errors = Qnil;

VALUE AddObserver(VALUE self, VALUE observer) {
    VALUE list = ObserversOf(self);
    if (RTEST(rb_ary_includes(list, observer))) return Qfalse;
    rb_ary_push(list, observer);
    return Qtrue;
}

VALUE RemoveObserver(VALUE self, VALUE observer) {
    VALUE list = ObserversOf(self);
    return NIL_P(rb_ary_delete(list, observer)) ? Qfalse : Qtrue;
}

struct Call {
    VALUE receiver;
    ID method;
    std::vector<VALUE> args;
};

VALUE Invoke(VALUE data) {
    auto* c = reinterpret_cast<Call*>(data);
    return rb_funcallv(c->receiver, c->method, static_cast<int>(c->args.size()), c->args.data());
}

void Notify(VALUE target, const char* method, std::vector<VALUE> args) {
    if (NIL_P(target)) return;
    ID mid = rb_intern(method);
    VALUE list = rb_ary_dup(ObserversOf(target));
    for (long i = 0; i < RARRAY_LEN(list); ++i) {
        VALUE observer = rb_ary_entry(list, i);
        // An observer removed by an earlier one in this round is not called any more.
        if (!RTEST(rb_ary_includes(ObserversOf(target), observer))) continue;
        if (!rb_respond_to(observer, mid)) continue;
        Call call{observer, mid, args};
        int state = 0;
        rb_protect(Invoke, reinterpret_cast<VALUE>(&call), &state);
        if (state) {
            VALUE err = rb_errinfo();
            rb_set_errinfo(Qnil);
            rb_ary_push(g_errors, err);
            VALUE text = rb_funcall(err, rb_intern("full_message"), 0);
            fprintf(stderr, "Error in observer %s: %s\n", method, StringValueCStr(text));
        }
    }
}

class RubyListener : public EventListener {
public:
    void OnEvent(const Event& e) override {
        auto* model = dynamic_cast<Model*>(e.target);
        auto coll = [&](Collection c) { return CollectionOf(model, c); };
        VALUE subject = Wrap(e.subject);
        switch (e.kind) {
            case EventKind::ElementAdded: Notify(Wrap(e.target), "onElementAdded", {Wrap(e.target), subject}); break;
            case EventKind::ElementModified: Notify(Wrap(e.target), "onElementModified", {Wrap(e.target), subject}); break;
            case EventKind::ElementRemoved: Notify(Wrap(e.target), "onElementRemoved", {Wrap(e.target), UINT2NUM(e.id)}); break;
            case EventKind::TransactionStart: ModelEvent(model, "onTransactionStart"); break;
            case EventKind::TransactionCommit: ModelEvent(model, "onTransactionCommit"); break;
            case EventKind::TransactionAbort: ModelEvent(model, "onTransactionAbort"); break;
            case EventKind::TransactionEmpty: ModelEvent(model, "onTransactionEmpty"); break;
            case EventKind::TransactionUndo: ModelEvent(model, "onTransactionUndo"); break;
            case EventKind::TransactionRedo: ModelEvent(model, "onTransactionRedo"); break;
            case EventKind::ActivePathChanged: ModelEvent(model, "onActivePathChanged"); break;
            case EventKind::PreSaveModel: ModelEvent(model, "onPreSaveModel"); break;
            case EventKind::PostSaveModel: ModelEvent(model, "onPostSaveModel"); break;
            case EventKind::MaterialAdd: Notify(coll(Collection::Materials), "onMaterialAdd", {coll(Collection::Materials), subject}); break;
            case EventKind::MaterialChange: Notify(coll(Collection::Materials), "onMaterialChange", {coll(Collection::Materials), subject}); break;
            case EventKind::MaterialRemove: Notify(coll(Collection::Materials), "onMaterialRemove", {coll(Collection::Materials), subject}); break;
            case EventKind::MaterialUndoRedo: Notify(coll(Collection::Materials), "onMaterialUndoRedo", {coll(Collection::Materials), subject}); break;
            case EventKind::LayerAdded: Notify(coll(Collection::Layers), "onLayerAdded", {coll(Collection::Layers), subject}); break;
            case EventKind::LayerChanged: Notify(coll(Collection::Layers), "onLayerChanged", {coll(Collection::Layers), subject}); break;
            case EventKind::LayerRemoved: Notify(coll(Collection::Layers), "onLayerRemoved", {coll(Collection::Layers), subject}); break;
            case EventKind::ComponentAdded: Notify(coll(Collection::Definitions), "onComponentAdded", {coll(Collection::Definitions), subject}); break;
            case EventKind::ComponentRemoved: Notify(coll(Collection::Definitions), "onComponentRemoved", {coll(Collection::Definitions), subject}); break;
            case EventKind::PageAdded: Notify(coll(Collection::Pages), "onElementAdded", {coll(Collection::Pages), subject}); break;
            case EventKind::PageRemoved: Notify(coll(Collection::Pages), "onElementRemoved", {coll(Collection::Pages), subject}); break;
            case EventKind::PagesContentsModified: Notify(coll(Collection::Pages), "onContentsModified", {coll(Collection::Pages)}); break;
            case EventKind::RenderingOptionsChanged:
                Notify(coll(Collection::RenderingOptions), "onRenderingOptionsChanged", {coll(Collection::RenderingOptions), INT2NUM(e.number)});
                break;
            case EventKind::ActiveToolChanged:
                Notify(coll(Collection::Tools), "onActiveToolChanged", {coll(Collection::Tools), Utf8(e.text), INT2NUM(e.number)});
                break;
            case EventKind::ViewChanged: Notify(coll(Collection::View), "onViewChanged", {coll(Collection::View)}); break;
            case EventKind::SelectionChanged: Notify(coll(Collection::Selection), "onSelectionBulkChange", {coll(Collection::Selection)}); break;
            case EventKind::NewModel:
                ListenTo(model);
                AppEvent("onNewModel", {Wrap(model)});
                break;
            case EventKind::OpenModel:
                ListenTo(model);
                AppEvent("onOpenModel", {Wrap(model)});
                break;
            case EventKind::Quit: AppEvent("onQuit", {}); break;
            case EventKind::UnloadExtension: AppEvent("onUnloadExtension", {Utf8(e.text)}); break;
        }
    }

private:
    static void ModelEvent(Model* m, const char* method) { Notify(Wrap(m), method, {Wrap(m)}); }
    static void AppEvent(const char* method, std::vector<VALUE> args) { Notify(k.mSketchup, method, std::move(args)); }
};

RubyListener& Listener() {
    static RubyListener listener;
    return listener;
}

VALUE ObserverErrors(VALUE) { return g_errors; }

}  // namespace

VALUE ObserversOf(VALUE target) {
    VALUE list = rb_attr_get(target, ObserversId());
    if (NIL_P(list)) {
        list = rb_ary_new();
        rb_ivar_set(target, ObserversId(), list);
    }
    return list;
}

void DefineObservable(VALUE klass) {
    rb_define_method(klass, "add_observer", AddObserver, 1);
    rb_define_method(klass, "remove_observer", RemoveObserver, 1);
}

void ListenTo(Model* m) { m->AddListener(&Listener()); }

void DefineObservers() {
    g_errors = rb_ary_new();
    rb_gc_register_address(&g_errors);
    rb_define_module_function(k.mHostSim, "observer_errors", ObserverErrors, 0);
    DefineObservable(rb_singleton_class(k.mSketchup));
    for (VALUE c : {k.cModel, k.cEntities, k.cMaterials, k.cLayers, k.cDefinitionList, k.cPages, k.cRenderingOptions,
                    k.cTools, k.cView, k.cSelection, k.cEntity})
        DefineObservable(c);
    App::Instance().AddListener(&Listener());
    ListenTo(App::Instance().ActiveModel());
}

}  // namespace hostsim::ruby
