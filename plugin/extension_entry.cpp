// The Ruby entry of the KorvanPlugin library, the only symbol it exports. The loader script
// defines the module Korvan (with @@PluginFolder and @@LibraryUpdated) before it requires the
// library.
#include <ruby/ruby.h>

#include "plugin/plugin_controller.h"
#include "plugin/plugin_version.h"
#include "rubybridge/ruby_entry.h"
#include "rubybridge/ruby_symbols.h"

namespace korvan {
namespace {

VALUE Initialized(VALUE) {
    return PluginController::Instance() ? Qtrue : Qfalse;
}

// Made apart from the Ruby calls of the constructor's caller, so that a failed allocation is a
// result here and never an exception in the interpreter.
PluginController* NewController() noexcept {
    try {
        return new PluginController();
    } catch (...) {
        return nullptr;
    }
}

// SketchUp says onQuit before it ends, and the link stops then. An interpreter that ends
// without it (a host script that simply finishes) must still not leave the sync worker running
// while the process tears down the objects it writes through; the link is let go as at a stop.
void StopLinkAtExit(VALUE) {
    PluginController* controller = PluginController::Instance();
    if (controller == nullptr || !controller->connection->IsOpen()) return;
    controller->scene->ResetScene();
    controller->connection->Stop();
}

}  // namespace
}  // namespace korvan

extern "C" __attribute__((visibility("default"))) void Init_KorvanPlugin() {
    using korvan::rb::k;
    korvan::rb::RaiseIfLookupFailed();

    rb_define_const(k.mKorvan, "CEXT_VERSION", rb_utf8_str_new_cstr(korvan::kPluginVersion));
    rb_define_module_function(k.mKorvan, "Initialized", korvan::Initialized, 0);

    korvan::PluginController* controller = korvan::NewController();
    if (!controller) rb_raise(rb_eNoMemError, "Korvan TwinLink could not be set up: out of memory");
    korvan::PluginController::SetInstance(controller);
    rb_set_end_proc(korvan::StopLinkAtExit, Qnil);

    // A freshly installed library keeps its textures in memory, whatever was chosen before.
    if (RTEST(rb_cv_get(k.mKorvan, "@@LibraryUpdated"))) {
        controller->settings->Load();
        controller->settings->StoreMemoryTextures(1);
        controller->settings->Save();
    }
}
