// The Sketchup module's functions (the active model, undo and redo, actions, new models, the
// version, quitting) and HostSim's switches for the host's own behaviour.
#include <cstdio>
#include <string_view>

#include "ruby/entity_bindings.h"
#include "ruby/wrap.h"

namespace hostsim::ruby {

namespace {

VALUE Bool(bool b) { return b ? Qtrue : Qfalse; }

Model* Active() { return App::Instance().ActiveModel(); }

VALUE ActiveModel(VALUE) { return Wrap(Active()); }
VALUE Undo(VALUE) { return Bool(Active()->Undo()); }
// SketchUp itself redoes only through send_action("editRedo:"); scripts here may call it directly.
VALUE Redo(VALUE) { return Bool(Active()->Redo()); }

// The actions of SketchUp's menus that hostsim knows; true when the action was known.
VALUE SendAction(VALUE, VALUE action) {
    VALUE name = PackText(action);
    std::string_view a(RSTRING_PTR(name), static_cast<size_t>(RSTRING_LEN(name)));
    Model* m = Active();
    if (a == "editUndo:") {
        m->Undo();
    } else if (a == "editRedo:") {
        m->Redo();
    } else if (a == "selectSelectionTool:") {
        m->SetActiveTool(kSelectToolId, "SelectionTool");
    } else if (a == "selectMoveTool:") {
        m->SetActiveTool(kMoveToolId, "MoveTool");
    } else {
        return Qfalse;
    }
    return Qtrue;
}

VALUE FileNew(VALUE module) {
    App::Instance().NewModel();
    return module;
}

VALUE Version(VALUE) { return Utf8(App::Instance().version); }

// "17.3.116" gives 17300116: major * 1000000 + minor * 100000 + build.
VALUE VersionNumber(VALUE) {
    unsigned major = 0, minor = 0, build = 0;
    std::sscanf(App::Instance().version.c_str(), "%u.%u.%u", &major, &minor, &build);
    return ULONG2NUM(major * 1000000UL + minor * 100000UL + build);
}

VALUE IsPro(VALUE) { return Bool(App::Instance().edition == 2); }

VALUE Quit(VALUE) {
    App::Instance().Quit();
    return Qnil;
}

// ---- HostSim

// Current SketchUp's observer order (element events after the commit, undo and redo announced
// first); off is the order of SketchUp 2017-18. Switches the active model.
VALUE SetDeferElementEvents(VALUE, VALUE on) {
    Active()->deferElementEvents = RTEST(on);
    return on;
}

// The edition and version the C API reports (SUGetEdition, SUGetVersionStringUtf8): an edition
// below 0 makes SUGetEdition fail, a nil or empty version makes the version call fail.
VALUE SetEdition(VALUE, VALUE edition) {
    App::Instance().edition = NUM2INT(edition);
    return edition;
}

VALUE Edition(VALUE) { return INT2NUM(App::Instance().edition); }

VALUE SetVersion(VALUE, VALUE version) {
    if (NIL_P(version)) App::Instance().version.clear();
    else App::Instance().version = StringOf(version);
    return version;
}

VALUE DeferElementEvents(VALUE) { return Bool(Active()->deferElementEvents); }

// After an undo or redo, the entities it touched come back as new Ruby objects (active model).
VALUE SetFreshObjectsAfterUndo(VALUE, VALUE on) {
    Active()->freshObjectsAfterUndo = RTEST(on);
    return on;
}

VALUE FreshObjectsAfterUndo(VALUE) { return Bool(Active()->freshObjectsAfterUndo); }

void UnloadExtension(VALUE packedName) { App::Instance().UnloadExtension(TextOf(packedName)); }

VALUE UnloadExtensionNamed(VALUE, VALUE name) {
    UnloadExtension(PackText(name));
    return Qnil;
}

}  // namespace

void DefineSketchupModule() {
    VALUE S = k.mSketchup;
    rb_define_module_function(S, "active_model", ActiveModel, 0);
    rb_define_module_function(S, "undo", Undo, 0);
    rb_define_module_function(S, "redo", Redo, 0);
    rb_define_module_function(S, "send_action", SendAction, 1);
    rb_define_module_function(S, "file_new", FileNew, 0);
    rb_define_module_function(S, "version", Version, 0);
    rb_define_module_function(S, "version_number", VersionNumber, 0);
    rb_define_module_function(S, "is_pro?", IsPro, 0);
    rb_define_module_function(S, "quit", Quit, 0);

    VALUE H = k.mHostSim;
    rb_define_module_function(H, "defer_element_events=", SetDeferElementEvents, 1);
    rb_define_module_function(H, "defer_element_events", DeferElementEvents, 0);
    rb_define_module_function(H, "fresh_objects_after_undo=", SetFreshObjectsAfterUndo, 1);
    rb_define_module_function(H, "fresh_objects_after_undo", FreshObjectsAfterUndo, 0);
    rb_define_module_function(H, "unload_extension", UnloadExtensionNamed, 1);
    rb_define_module_function(H, "edition=", SetEdition, 1);
    rb_define_module_function(H, "edition", Edition, 0);
    rb_define_module_function(H, "version=", SetVersion, 1);
}

}  // namespace hostsim::ruby
