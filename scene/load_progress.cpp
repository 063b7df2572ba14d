// The load's progress in the status bar: a text, and while the tree is built, up to five dots
// after it that advance at most every 0.4 s so that the user sees the load is alive.
#include <chrono>

#include "scene/su_scene.h"

namespace korvan {

namespace {

constexpr int64_t kDotIntervalNs = 400'000'000;
constexpr int32_t kDotSteps = 6;  // none, then one to five dots
constexpr std::u16string_view kDots = u".....";

int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

void SUScene::SetStatus(std::u16string_view text) {
    statusText.assign(text);
    statusStep = text.empty() ? -1 : 0;
    if (statusDisplay != nullptr) statusDisplay(statusText);
}

void SUScene::ProgressDots() {
    if (statusStep < 0) return;
    const int64_t now = NowNs();
    if (now <= nextDotTime) return;
    nextDotTime = now + kDotIntervalNs;
    statusStep = (statusStep + 1) % kDotSteps;
    if (statusDisplay == nullptr) return;
    std::u16string shown = statusText;
    shown.append(kDots.substr(0, static_cast<size_t>(statusStep)));
    statusDisplay(shown);
}

}  // namespace korvan
