// The desktop: where the plug-in's message boxes and dialogs appear in the stand-in. Nothing
// is drawn; every box and dialog is recorded, and answered from the answers that scripts
// queue, or with its default (printed, so that a person running a script sees it).
// Process-wide and thread-safe. Texts are UTF-16, as on Windows.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "twinlink/message_box_rules.h"

namespace hostsim::desktop {

// The Windows MessageBox flags and results the desktop understands.
enum : unsigned {
    kMbOk = 0x0,
    kMbOkCancel = 0x1,
    kMbAbortRetryIgnore = 0x2,
    kMbYesNoCancel = 0x3,
    kMbYesNo = 0x4,
    kMbRetryCancel = 0x5,
    kMbCancelTryContinue = 0x6,
    kMbTypeMask = 0xF,
    kMbIconError = 0x10,
    kMbIconQuestion = 0x20,
    kMbIconWarning = 0x30,
    kMbIconInformation = 0x40,
    kMbDefButton2 = 0x100,
    kMbDefButton3 = 0x200,
    kMbDefButtonMask = 0xF00,
};
// The results are those of the platform layer's message-box rules, which the desktop follows.
using twinlink::platform::kIdAbort;
using twinlink::platform::kIdCancel;
using twinlink::platform::kIdContinue;
using twinlink::platform::kIdIgnore;
using twinlink::platform::kIdNo;
using twinlink::platform::kIdOk;
using twinlink::platform::kIdRetry;
using twinlink::platform::kIdTryAgain;
using twinlink::platform::kIdYes;

using ControlTexts = std::map<int, std::u16string>;  // control id -> text

// One box or dialog as it was shown.
struct Shown {
    enum class Kind { MessageBox, Dialog } kind;
    std::u16string caption;
    std::u16string text;    // a message box's text; empty for a dialog
    unsigned flags = 0;     // a message box's MB_* flags, icon bits included
    int resourceId = 0;     // a dialog's template id
    ControlTexts controls;  // a dialog's control texts when it was shown
    std::map<int, bool> checks;  // a dialog's check boxes and their state when it was shown
    std::vector<int> hidden;     // a dialog's controls that were not visible
    bool pluginIcon = false;     // a message box that shows the plug-in's icon, not Windows' own
};

// What the user does: the button (or dialog result) and, for a dialog, the texts that
// the user typed into its controls.
struct Answer {
    int result = 0;
    ControlTexts controls;
    std::vector<int> clicks;  // a driven dialog: the controls clicked, in order
};

// The answer a person pressing Enter gets: the default button of the box's flags.
int DefaultAnswer(unsigned flags);

// Shows a message box; returns the clicked button's id.
int ShowMessageBox(std::u16string_view text, std::u16string_view caption, unsigned flags,
                   bool pluginIcon = false);

// Shows a modal dialog from its template; with no queued answer it is closed with
// defaultResult and its controls unchanged.
Answer ShowDialog(int resourceId, std::u16string_view caption, const ControlTexts& controls,
                  int defaultResult = kIdOk);

// One control of a dialog that the plug-in drives: what ShowDrivenDialog shows.
struct DialogControlShown {
    int id;
    bool checkBox;
    std::u16string text;
    bool checked;
    bool visible;
};
// Shows a dialog whose procedure runs in the plug-in; returns the controls the user clicks, or
// nothing when nobody answered (the plug-in then presses Enter).
std::optional<std::vector<int>> ShowDrivenDialog(int resourceId, std::u16string_view caption,
                                                 const std::vector<DialogControlShown>& controls);

// Queues the answer to the next box or dialog shown (first in, first out).
void QueueAnswer(Answer answer);

std::vector<Shown> ShownSoFar();
size_t PendingAnswers();

// Forgets what was shown and every queued answer.
void Clear();

}  // namespace hostsim::desktop

// The entry for the platform layer's MessageBoxW of a box with the plug-in's icon (non-zero
// `pluginIcon`) or Windows' own.
extern "C" int hostsim_desktop_icon_message_box(const char16_t* text, const char16_t* caption,
                                                unsigned flags, int pluginIcon);

// The entry for the platform layer's MessageBoxW: returns the button id, 0 on failure.
extern "C" int hostsim_desktop_message_box(const char16_t* text, const char16_t* caption,
                                           unsigned flags);
