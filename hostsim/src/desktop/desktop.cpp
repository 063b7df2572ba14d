#include "desktop/desktop.h"

#include <algorithm>
#include <cstdio>
#include <deque>
#include <mutex>
#include <optional>
#include <span>

#include "common/utf16.h"
#include "twinlink/host_desktop.h"
#include "twinlink/message_box_rules.h"
#include "twinlink/platform.h"

namespace hostsim::desktop {

namespace {

struct State {
    std::mutex mutex;
    std::vector<Shown> shown;
    std::deque<Answer> answers;
};

// Never destroyed: a worker thread may still show a box while the process exits.
State& TheDesktop() {
    static State* const state = new State;
    return *state;
}

// Records what is shown and takes the next queued answer, if any, in one step, so that two
// threads showing boxes at once each get their own answer.
std::optional<Answer> RecordAndTakeAnswer(Shown shown) {
    State& desktop = TheDesktop();
    std::lock_guard lock(desktop.mutex);
    desktop.shown.push_back(std::move(shown));
    if (desktop.answers.empty()) return std::nullopt;
    Answer answer = std::move(desktop.answers.front());
    desktop.answers.pop_front();
    return answer;
}

// Nobody answered: show the person running the script what came up and what it got.
void PrintUnanswered(const char* what, std::u16string_view caption, std::u16string_view text,
                     int result) {
    std::string line =
        "[hostsim desktop] " + std::string(what) + " \"" + Utf8FromUtf16(caption) + "\"";
    if (!text.empty()) line += ": " + Utf8FromUtf16(text);
    line += " -> " + std::to_string(result) + " (" + twinlink::platform::MessageBoxButtonName(result) + ", default)\n";
    std::fputs(line.c_str(), stdout);
    std::fflush(stdout);
}

}  // namespace

int DefaultAnswer(unsigned flags) {
    return twinlink::platform::DefaultMessageBoxButton(flags);
}

int ShowMessageBox(std::u16string_view text, std::u16string_view caption, unsigned flags,
                   bool pluginIcon) {
    Shown shown{Shown::Kind::MessageBox, std::u16string(caption), std::u16string(text), flags, 0, {}, {}, {}};
    shown.pluginIcon = pluginIcon;
    std::optional<Answer> answer = RecordAndTakeAnswer(std::move(shown));
    if (answer) return answer->result;
    const int result = DefaultAnswer(flags);
    PrintUnanswered("message box", caption, text, result);
    return result;
}

Answer ShowDialog(int resourceId, std::u16string_view caption, const ControlTexts& controls,
                  int defaultResult) {
    std::optional<Answer> answer = RecordAndTakeAnswer(
        {Shown::Kind::Dialog, std::u16string(caption), {}, 0, resourceId, controls});
    if (answer) return std::move(*answer);
    PrintUnanswered(("dialog " + std::to_string(resourceId)).c_str(), caption, {}, defaultResult);
    return {defaultResult, {}};
}

std::optional<std::vector<int>> ShowDrivenDialog(int resourceId, std::u16string_view caption,
                                                 const std::vector<DialogControlShown>& controls) {
    Shown shown{Shown::Kind::Dialog, std::u16string(caption), {}, 0, resourceId, {}, {}, {}};
    for (const DialogControlShown& control : controls) {
        if (control.id == -1) continue;
        shown.controls[control.id] = control.text;
        if (control.checkBox) shown.checks[control.id] = control.checked;
        if (!control.visible) shown.hidden.push_back(control.id);
    }
    std::optional<Answer> answer = RecordAndTakeAnswer(std::move(shown));
    if (answer) return std::move(answer->clicks);
    PrintUnanswered(("dialog " + std::to_string(resourceId)).c_str(), caption, {}, kIdOk);
    return std::nullopt;
}

void QueueAnswer(Answer answer) {
    State& desktop = TheDesktop();
    std::lock_guard lock(desktop.mutex);
    desktop.answers.push_back(std::move(answer));
}

std::vector<Shown> ShownSoFar() {
    State& desktop = TheDesktop();
    std::lock_guard lock(desktop.mutex);
    return desktop.shown;
}

size_t PendingAnswers() {
    State& desktop = TheDesktop();
    std::lock_guard lock(desktop.mutex);
    return desktop.answers.size();
}

void Clear() {
    State& desktop = TheDesktop();
    std::lock_guard lock(desktop.mutex);
    desktop.shown.clear();
    desktop.answers.clear();
}

}  // namespace hostsim::desktop

extern "C" int hostsim_desktop_dialog(int resourceId, const char16_t* caption,
                                      const HostDialogControl* controls, int count, int* clicks,
                                      int capacity) {
    try {
        std::vector<hostsim::desktop::DialogControlShown> shown;
        for (int i = 0; i < count; ++i) {
            const HostDialogControl& c = controls[i];
            const int checkBox = static_cast<int>(twinlink::platform::ControlKind::CheckBox);
            shown.push_back({c.id, c.kind == checkBox, c.text ? c.text : u"", c.checked != 0, c.visible != 0});
        }
        const auto answer = hostsim::desktop::ShowDrivenDialog(resourceId, caption ? caption : u"", shown);
        if (!answer) return -1;
        const int n = std::min(capacity, static_cast<int>(answer->size()));
        std::copy_n(answer->begin(), n, clicks);
        return n;
    } catch (...) {
        return -1;
    }
}

extern "C" int hostsim_desktop_icon_message_box(const char16_t* text, const char16_t* caption,
                                                unsigned flags, int pluginIcon) {
    try {
        return hostsim::desktop::ShowMessageBox(text ? text : u"", caption ? caption : u"Error", flags,
                                                pluginIcon != 0);
    } catch (...) {
        return 0;
    }
}

extern "C" int hostsim_desktop_message_box(const char16_t* text, const char16_t* caption,
                                           unsigned flags) {
    try {
        // A null caption is shown as "Error" by Windows.
        return hostsim::desktop::ShowMessageBox(text ? text : u"", caption ? caption : u"Error",
                                                flags);
    } catch (...) {
        return 0;  // MessageBoxW's failure value
    }
}
