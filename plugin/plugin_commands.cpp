#include "plugin/plugin_commands.h"

#include <string>
#include <string_view>
#include <vector>

#include "plugin/plugin_controller.h"
#include "rubybridge/ruby_entry.h"
#include "rubybridge/ruby_symbols.h"
#include "rubybridge/ruby_values.h"
#include "twinlink/platform.h"

namespace korvan {

using rb::id;
using rb::k;

namespace {

VALUE toolbarValue = Qnil;
VALUE submenuValue = Qnil;

constexpr char16_t kMenuTitle[] = u"Korvan TwinLink";

struct CommandTexts {
    std::u16string_view text, tooltip, statusBarText, menuText;
};

// One UI::Command; the same object goes on the toolbar and into the submenu. The icons are
// Ruby strings already, so that no C++ text is alive while the host's methods run.
VALUE MakeCommand(const CommandTexts& texts, VALUE smallIcon, VALUE largeIcon,
                  rb::NativeBlock action, rb::NativeBlock validation) {
    const VALUE text = rb::WideToRuby(texts.text);
    const VALUE command = rb::CallWithBlock(k.cCommand, id.new_, 1, &text, action, Qnil);
    rb_funcall(command, id.setTooltip, 1, rb::WideToRuby(texts.tooltip));
    rb_funcall(command, id.setStatusBarText, 1, rb::WideToRuby(texts.statusBarText));
    rb_funcall(command, id.setMenuText, 1, rb::WideToRuby(texts.menuText));
    rb_funcall(command, id.setSmallIcon, 1, smallIcon);
    rb_funcall(command, id.setLargeIcon, 1, largeIcon);
    if (validation) rb::CallWithBlock(command, id.setValidationProc, 0, nullptr, validation, Qnil);
    return command;
}

// ---- state the actions and validation procs read

PluginController* Controller() {
    return PluginController::Instance();
}

bool LinkOpen() {
    PluginController* controller = Controller();
    return controller && controller->connection->IsOpen();
}

bool CameraCommandApplies(bool syncOn) {
    PluginController* controller = Controller();
    return controller && controller->connection->IsOpen() && controller->cameraSync == syncOn &&
           controller->scene->CanFollowCamera();
}

VALUE MenuState(bool enabled) {
    return enabled ? k.MF_ENABLED : k.MF_GRAYED;
}

// ---- actions

VALUE AboutAction(VALUE, VALUE, int, const VALUE*, VALUE) {
    return rb::RubyEntry([] {
        if (PluginController* controller = Controller()) controller->dialogs->ShowAbout();
        return Qnil;
    });
}

VALUE StartAction(VALUE, VALUE, int, const VALUE*, VALUE) {
    return rb::RubyEntry([] {
        PluginController* controller = Controller();
        if (controller && !controller->connection->IsOpen()) controller->StartLink();
        return Qnil;
    });
}

VALUE StopAction(VALUE, VALUE, int, const VALUE*, VALUE) {
    return rb::RubyEntry([] {
        if (LinkOpen()) Controller()->StopLink();
        return Qnil;
    });
}

VALUE StartCameraAction(VALUE, VALUE, int, const VALUE*, VALUE) {
    return rb::RubyEntry([] {
        if (LinkOpen()) Controller()->SetCameraSync(true);
        return Qnil;
    });
}

VALUE StopCameraAction(VALUE, VALUE, int, const VALUE*, VALUE) {
    return rb::RubyEntry([] {
        if (LinkOpen()) Controller()->SetCameraSync(false);
        return Qnil;
    });
}

VALUE SettingsAction(VALUE, VALUE, int, const VALUE*, VALUE) {
    return rb::RubyEntry([] {
        if (PluginController* controller = Controller()) controller->dialogs->ShowSettings();
        return Qnil;
    });
}

VALUE ShowToolbarAction(VALUE, VALUE, int, const VALUE*, VALUE) {
    return rb::RubyEntry([] {
        if (!NIL_P(toolbarValue)) {
            rb_funcall(toolbarValue, id.show, 0);
            rb_funcall(toolbarValue, id.restore, 0);
        }
        return Qnil;
    });
}

VALUE UpdateFaceAction(VALUE, VALUE, int, const VALUE*, VALUE) {
    return rb::RubyEntry([] {
        if (LinkOpen()) Controller()->UpdateSelectedFaces();
        return Qnil;
    });
}

// ---- validation procs

VALUE StartValidation(VALUE, VALUE, int, const VALUE*, VALUE) {
    return rb::RubyEntry([] { return MenuState(Controller() && !LinkOpen()); });
}

VALUE StopValidation(VALUE, VALUE, int, const VALUE*, VALUE) {
    return rb::RubyEntry([] { return MenuState(LinkOpen()); });
}

VALUE StartCameraValidation(VALUE, VALUE, int, const VALUE*, VALUE) {
    return rb::RubyEntry([] { return MenuState(CameraCommandApplies(false)); });
}

VALUE StopCameraValidation(VALUE, VALUE, int, const VALUE*, VALUE) {
    return rb::RubyEntry([] { return MenuState(CameraCommandApplies(true)); });
}

VALUE SettingsValidation(VALUE, VALUE, int, const VALUE*, VALUE) {
    return rb::RubyEntry([] { return MenuState(Controller() && !LinkOpen()); });
}

VALUE ShowToolbarValidation(VALUE, VALUE, int, const VALUE*, VALUE) {
    return rb::RubyEntry([] {
        if (NIL_P(toolbarValue)) return MenuState(false);
        return MenuState(!RTEST(rb_funcall(toolbarValue, id.isVisible, 0)));
    });
}

// ---- the context menu

VALUE MakeUpdateFaceCommand() {
    const VALUE noIcon = rb::WideToRuby(u"");
    return MakeCommand({u"TwinLink: Update Face", u"TwinLink: Update Face",
                        u"TwinLink: Update Face", u"TwinLink: Update Face"},
                       noIcon, noIcon, UpdateFaceAction, nullptr);
}

bool SelectionHoldsAFace(VALUE selection) {
    std::vector<VALUE>* elements = rb::ToValueVector(selection);
    if (!elements) return false;
    bool found = false;
    for (VALUE element : *elements) found = found || rb::ClassOf(element) == k.cFace;
    delete elements;
    return found;
}

// Offers "TwinLink: Update Face" while the link runs and the selection holds a face.
VALUE ContextMenuHandler(VALUE, VALUE, int argc, const VALUE* argv, VALUE) {
    return rb::RubyEntry([&] {
        if (!LinkOpen()) return Qnil;
        if (argc < 1 || rb::ClassOf(argv[0]) != k.cMenu) return Qnil;
        const VALUE menu = argv[0];
        const VALUE activeModel = rb_funcall(k.mSketchup, id.activeModel, 0);
        if (NIL_P(activeModel)) return Qnil;
        const VALUE selection = rb_funcall(activeModel, id.selection, 0);
        if (NIL_P(selection) || !SelectionHoldsAFace(selection)) return Qnil;
        rb_funcall(menu, id.addSeparator, 0);
        rb_funcall(menu, id.addItem, 1, MakeUpdateFaceCommand());
        return Qnil;
    });
}

// ---- building

struct IconPaths {
    VALUE korvan, start, stop, syncCamera, syncCameraOff, settings;
};

// The icons live in korvan/assets/ beside the loader script, whose folder the loader gives in
// @@PluginFolder. Without it the icons are named by their bare file names.
std::u16string IconFolder(VALUE pluginFolder) {
    if (NIL_P(pluginFolder)) return {};
    std::u16string folder = rb::RubyToWide(pluginFolder);
    const char16_t separator = twinlink::platform::PathSeparator();
    for (std::u16string_view part : {u"korvan", u"assets"}) {
        folder += separator;
        folder += part;
    }
    folder += separator;
    return folder;
}

IconPaths ComputeIconPaths() {
    const VALUE pluginFolder = rb_iv_get(k.mKorvan, "@@PluginFolder");
    // Only allocations happen while the folder text is alive.
    const std::u16string folder = IconFolder(pluginFolder);
    const auto path = [&folder](std::u16string_view file) {
        return rb::WideToRuby(folder + std::u16string(file));
    };
    return {path(u"icon_korvan.svg"),   path(u"icon_start.svg"),        path(u"icon_stop.svg"),
            path(u"icon_sync_cam.svg"), path(u"icon_sync_cam_off.svg"), path(u"icon_settings.svg")};
}

}  // namespace

VALUE BuildToolbarAndMenus() {
    const IconPaths icons = ComputeIconPaths();

    const VALUE about = MakeCommand({u"About", u"About…", u"About Korvan® TwinLink®", u"About…"},
                                    icons.korvan, icons.korvan, AboutAction, nullptr);
    const VALUE start =
        MakeCommand({u"Start TwinLink", u"Start TwinLink",
                     u"Start TwinLink to view your project in Korvan", u"Start TwinLink"},
                    icons.start, icons.start, StartAction, StartValidation);
    const VALUE stop =
        MakeCommand({u"Stop TwinLink", u"Stop TwinLink", u"Stop TwinLink", u"Stop TwinLink"},
                    icons.stop, icons.stop, StopAction, StopValidation);
    const VALUE startCamera =
        MakeCommand({u"Start camera synchronization", u"Start camera synchronization",
                     u"Only available for perspective camera", u"Start camera synchronization"},
                    icons.syncCamera, icons.syncCamera, StartCameraAction, StartCameraValidation);
    const VALUE stopCamera = MakeCommand(
        {u"Stop camera synchronization", u"Stop camera synchronization",
         u"Stop camera synchronization with Korvan", u"Stop camera synchronization"},
        icons.syncCameraOff, icons.syncCameraOff, StopCameraAction, StopCameraValidation);
    const VALUE settings = MakeCommand(
        {u"TwinLink settings", u"TwinLink settings…", u"TwinLink settings", u"TwinLink settings…"},
        icons.settings, icons.settings, SettingsAction, SettingsValidation);
    const VALUE showToolbar =
        MakeCommand({u"Show TwinLink Toolbar", u"Show TwinLink Toolbar", u"Show TwinLink Toolbar",
                     u"Show TwinLink Toolbar"},
                    icons.korvan, icons.korvan, ShowToolbarAction, ShowToolbarValidation);

    const VALUE title = rb::WideToRuby(kMenuTitle);
    const VALUE toolbar = rb_funcall(k.cToolbar, id.new_, 1, title);
    for (VALUE item :
         {about, Qundef, start, stop, Qundef, startCamera, stopCamera, Qundef, settings}) {
        if (item == Qundef) {
            rb_funcall(toolbar, id.addSeparator, 0);
        } else {
            rb_funcall(toolbar, id.addItem, 1, item);
        }
    }

    const VALUE extensionsMenu = rb_funcall(k.mUI, id.menu, 0);
    if (!NIL_P(extensionsMenu)) {
        submenuValue = rb_funcall(extensionsMenu, id.addSubmenu, 1, rb::WideToRuby(kMenuTitle));
        if (!NIL_P(submenuValue)) rb_gc_register_address(&submenuValue);
        for (VALUE item : {start, stop, Qundef, startCamera, stopCamera, Qundef, showToolbar,
                           settings, Qundef, about}) {
            if (item == Qundef) {
                rb_funcall(submenuValue, id.addSeparator, 0);
            } else {
                rb_funcall(submenuValue, id.addItem, 1, item);
            }
        }
    }

    rb::CallWithBlock(k.mUI, id.addContextMenuHandler, 0, nullptr, ContextMenuHandler, Qnil);

    // Not 0: visible when the last session ended, or never shown (a fresh installation).
    if (rb::ToInt(rb_funcall(toolbar, id.getLastState, 0)) != 0) rb_funcall(toolbar, id.show, 0);
    return toolbar;
}

void KeepToolbar(VALUE toolbar) {
    toolbarValue = toolbar;
    if (!NIL_P(toolbarValue)) rb_gc_register_address(&toolbarValue);
}

VALUE Toolbar() {
    return toolbarValue;
}

}  // namespace korvan
