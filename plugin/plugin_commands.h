// How the user drives the plug-in: the "Korvan TwinLink" toolbar, the submenu of the same name
// in the host's extensions menu, and the "TwinLink: Update Face" entry of the context menu.
// The commands reach the controller through PluginController::Instance(); their validation
// procs read its state each time the host redraws them.
#pragma once

#include <ruby/ruby.h>

namespace korvan {

// Builds the commands, the toolbar, the submenu and the context-menu handler; shows the
// toolbar unless the user had closed it in an earlier session. Returns the toolbar.
VALUE BuildToolbarAndMenus();

// Keeps the toolbar for the life of the process.
void KeepToolbar(VALUE toolbar);
// The toolbar kept, or nil.
VALUE Toolbar();

}  // namespace korvan
