// The plug-in's two dialogs as the library's resources describe them: the settings dialog (101)
// and the About box (102), with their captions, fonts, sizes and controls in dialog units.
#pragma once

#include "twinlink/platform.h"

namespace korvan {

// Control ids the dialogs' procedures address.
inline constexpr int kCameraAutoSyncBox = 1002;
inline constexpr int kSingleSidedBox = 1003;  // wired, but the template leaves it hidden
inline constexpr int kAboutPicture = 1004;
inline constexpr int kAboutTitle = 1005;
inline constexpr int kAboutVersion = 1007;
inline constexpr int kSupportLinkText = 1009;
inline constexpr int kExportersLinkText = 1011;

const twinlink::platform::DialogTemplate& SettingsDialogTemplate();
const twinlink::platform::DialogTemplate& AboutDialogTemplate();

}  // namespace korvan
