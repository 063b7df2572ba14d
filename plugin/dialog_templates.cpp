#include "plugin/dialog_templates.h"

#include "plugin/web_links.h"

namespace korvan {

namespace {

using twinlink::platform::ControlKind;
using twinlink::platform::DialogTemplate;

// The link texts show the address without its scheme and query.
std::u16string Address(const char16_t* path) {
    return std::u16string(kMakerHost) + path;
}

}  // namespace

const DialogTemplate& SettingsDialogTemplate() {
    static const DialogTemplate dialog{
        101, u"Korvan TwinLink settings", 188, 95, u"MS Shell Dlg", 8,
        {
            {1, ControlKind::DefaultButton, u"OK", 133, 76, 50, 14, true},
            {kCameraAutoSyncBox, ControlKind::CheckBox, u"Automatically start camera synchronization", 13, 16,
             164, 10, true},
            {kSingleSidedBox, ControlKind::CheckBox, u"Face mode: single sided", 13, 31, 164, 10, false},
        }};
    return dialog;
}

const DialogTemplate& AboutDialogTemplate() {
    static const DialogTemplate dialog{
        102, u"About Korvan\u00ae TwinLink\u00ae for SketchUp", 209, 102, u"MS Shell Dlg", 9,
        {
            {1, ControlKind::DefaultButton, u"OK", 156, 80, 45, 15, true},
            {kAboutPicture, ControlKind::Picture, u"", 8, 8, 25, 30, true},
            {kAboutTitle, ControlKind::TitleText, u"Korvan\u00ae TwinLink\u00ae for SketchUp", 79, 12, 127, 16, true},
            {kAboutVersion, ControlKind::Text, u"version", 79, 22, 127, 11, true},
            {-1, ControlKind::Text, u"Click here to get help:", 79, 36, 127, 11, true},
            {kSupportLinkText, ControlKind::ClickableText, Address(u"/support.html"), 79, 44, 127, 11, true},
            {-1, ControlKind::Text, u"Click here to get the latest version:", 79, 57, 127, 11, true},
            {kExportersLinkText, ControlKind::ClickableText, Address(u"/sketchup-exporters.html"), 79, 65,
             127, 11, true},
        }};
    return dialog;
}

}  // namespace korvan
