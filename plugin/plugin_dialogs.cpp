#include "plugin/plugin_dialogs.h"

#include "liveconnection/renderer_windows.h"
#include "rubybridge/string_utilities.h"

namespace platform = twinlink::platform;

namespace korvan {

PluginDialogs::PluginDialogs(PluginController* controller)
    : ownerWindow(TwinLinkAPI::FindMainWindow(platform::GetCurrentProcessId())),
      controller(controller) {}

platform::WindowHandle PluginDialogs::OwnerWindow() {
    if (ownerWindow == 0)
        ownerWindow = TwinLinkAPI::FindMainWindow(platform::GetCurrentProcessId());
    return ownerWindow;
}

void PluginDialogs::ShowAbout() {}

void PluginDialogs::ShowSettings() {}

int PluginDialogs::ShowMessage(const std::u16string& text, const std::u16string& caption,
                               uint32_t flags) {
    return platform::MessageBox(OwnerWindow(), text, caption, flags);
}

void PluginDialogs::ShowSaveFirst() {
    ShowMessage(u"Please save your project before starting Korvan TwinLink.",
                u"Korvan TwinLink - Save project first", kMbOk | kMbIconInformation);
}

void PluginDialogs::ShowFileAlreadyOpen(std::u16string_view fileName) {
    const std::u16string name(fileName);
    platform::MessageBox(
        OwnerWindow(),
        FormatWide(u"Cannot start the TwinLink connection.\n\nFile \"%s\" is being used by another "
                   u"instance of SketchUp.\n\nSave the file with a different name or stop other "
                   u"connections.",
                   name.c_str()),
        u"Korvan TwinLink - File already open", kMbOk | kMbIconError);
}

}  // namespace korvan
