#include "plugin/korvan_observer.h"

#include "plugin/plugin_commands.h"
#include "plugin/plugin_controller.h"
#include "rubybridge/ruby_entry.h"
#include "rubybridge/ruby_symbols.h"
#include "rubybridge/ruby_values.h"

namespace korvan {

using rb::id;
using rb::k;

namespace {

// The controller when the link is open; null otherwise (and while the controller is being made).
PluginController* LinkedController() {
    PluginController* controller = PluginController::Instance();
    return controller && controller->connection->IsOpen() ? controller : nullptr;
}

void StopOpenLink() {
    if (PluginController* controller = LinkedController()) controller->StopLink();
}

// The instance the controller makes is created before the controller pointer is set; any
// later one comes from Ruby code and is refused.
VALUE Initialize(VALUE) {
    if (PluginController::Instance())
        rb_raise(rb_eRuntimeError, "KorvanObserver instances can not be created from ruby code.");
    return Qnil;
}

VALUE ExpectsStartupModelNotifications(VALUE) {
    return Qtrue;
}

VALUE OnNewModel(VALUE, VALUE) {
    return rb::RubyEntry([] {
        StopOpenLink();
        return Qnil;
    });
}

VALUE OnOpenModel(VALUE, VALUE) {
    return rb::RubyEntry([] {
        StopOpenLink();
        return Qnil;
    });
}

VALUE OnQuit(VALUE) {
    return rb::RubyEntry([] {
        StopOpenLink();
        return Qnil;
    });
}

VALUE OnUnloadExtension(VALUE, VALUE) {
    return rb::RubyEntry([] {
        StopOpenLink();
        const VALUE toolbar = Toolbar();
        if (!NIL_P(toolbar)) rb_funcall(toolbar, id.hide, 0);
        return Qnil;
    });
}

// The model was saved: the next heartbeat checks whether it was saved under another path.
VALUE OnPostSaveModel(VALUE, VALUE) {
    return rb::RubyEntry([] {
        if (PluginController* controller = LinkedController()) controller->pathCheckPending = true;
        return Qnil;
    });
}

// The model's events reach the controller only while the link is open.
template <typename Forward>
VALUE Routed(Forward&& forward) {
    return rb::RubyEntry([&] {
        if (PluginController* controller = LinkedController()) forward(*controller);
        return Qnil;
    });
}

VALUE OnActivePathChanged(VALUE, VALUE) {
    return Routed([](PluginController& c) { c.scene->UpdateEditContext(); });
}
VALUE OnTransactionStart(VALUE, VALUE) {
    return Routed([](PluginController& c) { c.OnTransactionStart(); });
}
VALUE OnTransactionEnd(VALUE, VALUE) {
    return Routed([](PluginController& c) { c.OnTransactionEnd(); });
}
VALUE OnTransactionUndo(VALUE, VALUE) {
    return Routed([](PluginController& c) { c.OnTransactionUndo(); });
}
VALUE OnTransactionRedo(VALUE, VALUE) {
    return Routed([](PluginController& c) { c.OnTransactionRedo(); });
}
VALUE OnElementAdded(VALUE, VALUE entities, VALUE entity) {
    return Routed([&](PluginController& c) { c.OnElementAdded(entities, entity); });
}
VALUE OnElementModified(VALUE, VALUE entities, VALUE entity) {
    return Routed([&](PluginController& c) { c.OnElementModified(entities, entity); });
}
// The pages report a removed scene with the page itself, which changes nothing in the mirror.
VALUE OnElementRemoved(VALUE, VALUE entities, VALUE removedId) {
    return Routed([&](PluginController& c) {
        if (RB_INTEGER_TYPE_P(removedId))
            c.OnElementRemoved(entities, static_cast<uint32_t>(NUM2ULL(removedId)));
    });
}
VALUE OnChangeEntity(VALUE, VALUE entity) {
    return Routed([&](PluginController& c) {
        c.EnsureChangeRecord();
        if (rb::ClassOf(entity) == k.cFace && !RTEST(rb_funcall(entity, id.isDeleted, 0)))
            c.scene->EntityChanged(Qnil, entity);
    });
}
VALUE OnComponentAdded(VALUE, VALUE, VALUE definition) {
    return Routed([&](PluginController& c) { c.OnComponentAdded(definition); });
}
VALUE Ignore1(VALUE, VALUE) {
    return Qnil;
}
VALUE OnLayerAdded(VALUE, VALUE, VALUE layer) {
    return Routed([&](PluginController& c) { c.OnLayerAdded(layer); });
}
VALUE OnLayerChanged(VALUE, VALUE, VALUE layer) {
    return Routed([&](PluginController& c) { c.OnLayerChanged(layer); });
}
VALUE OnLayerRemoved(VALUE, VALUE layers, VALUE) {
    return Routed([&](PluginController& c) { c.OnLayerRemoved(layers); });
}
VALUE OnRemoveAllLayers(VALUE, VALUE) {
    return Routed([](PluginController& c) { c.EnsureChangeRecord(); });
}
VALUE OnMaterialAdd(VALUE, VALUE, VALUE material) {
    return Routed([&](PluginController& c) { c.OnMaterialAdded(material); });
}
VALUE OnMaterialChange(VALUE, VALUE, VALUE material) {
    return Routed([&](PluginController& c) { c.OnMaterialChanged(material); });
}
VALUE OnMaterialRemove(VALUE, VALUE, VALUE) {
    return Routed([](PluginController& c) { c.OnMaterialRemoved(); });
}
VALUE OnContentsModified(VALUE, VALUE pages) {
    return Routed([&](PluginController& c) { c.OnPagesChanged(pages); });
}
VALUE OnRenderingOptionsChanged(VALUE, VALUE, VALUE) {
    return Routed([](PluginController& c) { c.OnColourByLayerSwitched(); });
}
VALUE OnActiveToolChanged(VALUE, VALUE, VALUE, VALUE toolId) {
    return Routed([&](PluginController& c) {
        c.OnActiveToolChanged(static_cast<int32_t>(rb::ToInt(toolId)));
    });
}
VALUE OnViewChanged(VALUE, VALUE) {
    return Routed([](PluginController& c) { c.PushCamera(); });
}

}  // namespace

VALUE CreateKorvanObserver() {
    const VALUE observerClass = rb_define_class_under(k.mKorvan, "KorvanObserver", k.cAppObserver);
    rb_define_method(observerClass, "initialize", Initialize, 0);
    rb_define_method(observerClass, "expectsStartupModelNotifications",
                     ExpectsStartupModelNotifications, 0);
    rb_define_method(observerClass, "onNewModel", OnNewModel, 1);
    rb_define_method(observerClass, "onOpenModel", OnOpenModel, 1);
    rb_define_method(observerClass, "onQuit", OnQuit, 0);
    rb_define_method(observerClass, "onUnloadExtension", OnUnloadExtension, 1);
    rb_define_method(observerClass, "onPostSaveModel", OnPostSaveModel, 1);
    rb_define_method(observerClass, "onActivePathChanged", OnActivePathChanged, 1);
    rb_define_method(observerClass, "onTransactionStart", OnTransactionStart, 1);
    for (const char* end : {"onTransactionCommit", "onTransactionAbort", "onTransactionEmpty"})
        rb_define_method(observerClass, end, OnTransactionEnd, 1);
    rb_define_method(observerClass, "onTransactionUndo", OnTransactionUndo, 1);
    rb_define_method(observerClass, "onTransactionRedo", OnTransactionRedo, 1);
    rb_define_method(observerClass, "onElementAdded", OnElementAdded, 2);
    rb_define_method(observerClass, "onElementModified", OnElementModified, 2);
    rb_define_method(observerClass, "onElementRemoved", OnElementRemoved, 2);
    rb_define_method(observerClass, "onChangeEntity", OnChangeEntity, 1);
    rb_define_method(observerClass, "onComponentAdded", OnComponentAdded, 2);
    rb_define_method(observerClass, "onActiveSectionPlaneChanged", Ignore1, 1);
    rb_define_method(observerClass, "onLayerAdded", OnLayerAdded, 2);
    rb_define_method(observerClass, "onLayerChanged", OnLayerChanged, 2);
    rb_define_method(observerClass, "onLayerRemoved", OnLayerRemoved, 2);
    rb_define_method(observerClass, "onRemoveAllLayers", OnRemoveAllLayers, 1);
    rb_define_method(observerClass, "onMaterialAdd", OnMaterialAdd, 2);
    rb_define_method(observerClass, "onMaterialChange", OnMaterialChange, 2);
    rb_define_method(observerClass, "onMaterialUndoRedo", OnMaterialChange, 2);
    rb_define_method(observerClass, "onMaterialRemove", OnMaterialRemove, 2);
    rb_define_method(observerClass, "onContentsModified", OnContentsModified, 1);
    rb_define_method(observerClass, "onRenderingOptionsChanged", OnRenderingOptionsChanged, 2);
    rb_define_method(observerClass, "onShadowInfoChanged", Ignore1, 1);
    rb_define_method(observerClass, "onActiveToolChanged", OnActiveToolChanged, 3);
    rb_define_method(observerClass, "onViewChanged", OnViewChanged, 1);

    const VALUE observer = rb_funcall(observerClass, id.new_, 0);
    rb_funcall(k.mSketchup, id.addObserver, 1, observer);
    return observer;
}

}  // namespace korvan
