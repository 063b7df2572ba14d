#include "plugin/plugin_dialogs.h"

#include "liveconnection/renderer_windows.h"
#include "plugin/dialog_templates.h"
#include "plugin/plugin_settings.h"
#include "plugin/plugin_version.h"
#include "plugin/web_links.h"
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

void PluginDialogs::ShowAbout() {
    const auto open = [](const std::u16string& link) {
        if (!link.empty()) platform::OpenWebLink(link);
    };
    platform::ShowDialog(
        OwnerWindow(), AboutDialogTemplate(),
        {[](platform::DialogWindow& dialog) {
             dialog.SetText(kAboutVersion, FormatWide(u"version: %s", kPluginVersionWide));
         },
         [&](platform::DialogWindow& dialog, int control) {
             if (control == 1 || control == 2) dialog.End(0);
             if (control == kAboutPicture) open(HomePageLink());
             if (control == kSupportLinkText) open(SupportPageLink());
             if (control == kExportersLinkText) open(ExportersPageLink());
         }});
}

// Each change is saved at once; OK only closes.
void PluginDialogs::ShowSettings() {
    if (!settings) return;
    PluginSettings& settings = *this->settings;
    platform::ShowDialog(
        OwnerWindow(), SettingsDialogTemplate(),
        {[&](platform::DialogWindow& dialog) {
             dialog.SetSmallIcon();
             dialog.SetCheck(kCameraAutoSyncBox, settings.CameraAutoSync());
             dialog.SetCheck(kSingleSidedBox, settings.SingleSided());
         },
         [&](platform::DialogWindow& dialog, int control) {
             if (control == 1 || control == 2) dialog.End(0);
             if (control == kCameraAutoSyncBox) settings.SetCameraAutoSync(dialog.IsChecked(control));
             if (control == kSingleSidedBox) settings.SetSingleSided(dialog.IsChecked(control));
         }});
}

int PluginDialogs::ShowMessage(const std::u16string& text, const std::u16string& caption,
                               uint32_t flags) {
    return platform::MessageBoxWithPluginIcon(OwnerWindow(), text, caption, flags, u"Korvan TwinLink");
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
