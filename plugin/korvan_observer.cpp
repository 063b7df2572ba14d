#include "plugin/korvan_observer.h"

#include "plugin/plugin_commands.h"
#include "plugin/plugin_controller.h"
#include "rubybridge/ruby_entry.h"
#include "rubybridge/ruby_symbols.h"

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

    const VALUE observer = rb_funcall(observerClass, id.new_, 0);
    rb_funcall(k.mSketchup, id.addObserver, 1, observer);
    return observer;
}

}  // namespace korvan
