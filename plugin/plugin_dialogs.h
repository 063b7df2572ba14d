// What the plug-in shows in windows of its own: its message boxes, the About box and the
// settings dialog. Every window is owned by SketchUp's main window, so that it stays on top of
// it and is modal to it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "twinlink/platform.h"

namespace korvan {

class PluginController;
class PluginSettings;

// MessageBox flags the plug-in uses.
inline constexpr uint32_t kMbOk = 0x0;
inline constexpr uint32_t kMbYesNo = 0x4;
inline constexpr uint32_t kMbIconError = 0x10;
inline constexpr uint32_t kMbIconQuestion = 0x20;
inline constexpr uint32_t kMbIconInformation = 0x40;

class PluginDialogs {
  public:
    // The controller gives the settings dialog its settings.
    explicit PluginDialogs(PluginController* controller);
    PluginDialogs(const PluginDialogs&) = delete;
    PluginDialogs& operator=(const PluginDialogs&) = delete;

    // The About box: the plug-in's picture, name, version and links to help and updates; the
    // picture and the two link texts open the maker's pages.
    void ShowAbout();
    // The settings dialog with its check boxes, saving each change at once.
    void ShowSettings();

    // What the settings dialog edits; the controller makes the settings after the dialogs.
    PluginSettings* settings = nullptr;

    // A message box of the plug-in, owned by SketchUp's main window and showing the plug-in's
    // icon when its caption names "Korvan TwinLink"; returns the button pressed.
    int ShowMessage(const std::u16string& text, const std::u16string& caption, uint32_t flags);
    // The start needs a saved model: its path names the link.
    void ShowSaveFirst();
    // Another SketchUp already links a model of this path. Shown without the plug-in's icon.
    void ShowFileAlreadyOpen(std::u16string_view fileName);

  private:
    // Looks for SketchUp's main window again while none has been found.
    twinlink::platform::WindowHandle OwnerWindow();

    twinlink::platform::WindowHandle ownerWindow = 0;
    PluginController* controller;
};

}  // namespace korvan
