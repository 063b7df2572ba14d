#include "renderer/renderer_check.h"

#include "renderer/renderer_discovery.h"
#include "renderer/version_text.h"

namespace korvan {

namespace {

constexpr uint32_t kYesNoQuestion = 0x4 | 0x20;  // MB_YESNO | MB_ICONQUESTION
constexpr uint32_t kOkInformation = 0x0 | 0x40;  // MB_OK | MB_ICONINFORMATION
constexpr int kYes = 6;                           // IDYES

constexpr char16_t kNotRunningCaption[] = u"Korvan TwinLink - Korvan is not running";

std::u16string WithMinimum(const char16_t* before, const char16_t* between = nullptr,
                           const char16_t* after = nullptr) {
    std::u16string text = before;
    text += kMinimumRendererVersion;
    if (between) {
        text += between;
        if (after) {
            text += kMinimumRendererVersion;
            text += after;
        }
    }
    return text;
}

}  // namespace

bool CheckRenderer(const RendererPrompts& prompts) {
    const std::u16string running = RunningVersion();
    if (CompareVersions(running, kMinimumRendererVersion) >= 0) return true;

    const std::u16string installed = InstalledVersion();
    if (CompareVersions(installed, kMinimumRendererVersion) == -1) {
        const int answer = prompts.ask(
            WithMinimum(u"You need to have Korvan\u00ae ", u" or newer to start TwinLink.\nAre you "
                        u"interested in learning more about the current version of Korvan?"),
            u"Korvan TwinLink - Newer Korvan version required", kYesNoQuestion);
        if (answer == kYes) prompts.openHomePage();
        return false;
    }

    // A recent Korvan is installed. The link goes on either way and waits in the directory for
    // Korvan to find it.
    if (CompareVersions(running, u"0.0.0.0") == 0) {
        const int answer = prompts.ask(
            WithMinimum(u"Korvan ", u" or newer is not running.\nWould you like to start Korvan now?"),
            kNotRunningCaption, kYesNoQuestion);
        if (answer == kYes) LaunchRenderer(installed);
    } else {
        prompts.ask(WithMinimum(u"Korvan ", u" or newer is not running.\nPlease close your current "
                                u"version and start Korvan ", u" or newer."),
                    kNotRunningCaption, kOkInformation);
    }
    return true;
}

}  // namespace korvan
