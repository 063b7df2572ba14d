// Which Korvan runs and which is installed, and starting an installed one.
#pragma once

#include <string>

namespace korvan {

// The highest version in the titles ("Korvan 8.5") of Korvan's main windows; "0.0.0.0" when
// none runs.
std::u16string RunningVersion();
// The greatest version text (compared as text, not as numbers) of the Korvan copies the
// uninstall registry lists; "0.0" when there is none.
std::u16string InstalledVersion();
// Starts the installed copy whose version text is exactly `version`, from its install folder
// and maximised; false when there is none or it cannot be started. Does not wait for it.
bool LaunchRenderer(const std::u16string& version);

}  // namespace korvan
