#include "liveconnection/renderer_windows.h"
#include "twinlink/parallel.h"


#include <vector>

#include "liveconnection/wide_text.h"

namespace platform = twinlink::platform;

namespace TwinLinkAPI {
namespace {

constexpr size_t kMaxProcesses = 4096;

// The class name a main window must have for the process to count as a renderer; null when the
// process is no renderer at all. A path naming both products counts as Korvan.
const char16_t* RequiredClassName(const std::u16string& upperImagePath) {
    if (upperImagePath.find(u"KORVAN") != std::u16string::npos) return u"START";
    if (upperImagePath.find(u"ZENTRIX") != std::u16string::npos) return u"ZENTRIX EDITOR";
    return nullptr;
}

void ExamineProcess(uint32_t processId, WindowList& found) {
    if (processId == 0) return;
    const std::optional<std::u16string> imagePath = platform::ProcessImagePath(processId);
    if (!imagePath) return;
    const char16_t* requiredClass = RequiredClassName(ToUpper(*imagePath));
    if (requiredClass == nullptr) return;
    const platform::WindowHandle window = FindMainWindow(processId);
    if (window == 0) return;
    const std::optional<std::u16string> className = platform::GetClassName(window);
    if (!className) return;
    if (ToUpper(*className).find(requiredClass) != std::u16string::npos) found.push_back(window);
}

}  // namespace

WindowList FindRendererWindows() {
    WindowList found;
    const std::vector<uint32_t> processIds = platform::EnumProcesses(kMaxProcesses);
    if (processIds.size() == 1) {
        ExamineProcess(processIds.front(), found);
    } else if (processIds.size() > 1) {
        twinlink::parallel::ForEach(processIds.begin(), processIds.end(),
                                    [&found](uint32_t processId) { ExamineProcess(processId, found); });
    }
    return found;
}

platform::WindowHandle FindMainWindow(uint32_t processId) {
    for (const platform::WindowInfo& window : platform::EnumWindows()) {
        if (window.processId == 0 || window.processId != processId) continue;
        if (window.owner != 0 || !window.visible) continue;
        return window.handle;
    }
    return 0;
}

}  // namespace TwinLinkAPI
