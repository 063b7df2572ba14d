// Which buttons a Windows message box has and which one Enter presses, as MessageBoxW documents
// them: the one home of these rules for the platform layer and for a host that shows the boxes.
#pragma once

#include <cstdint>
#include <span>

namespace twinlink::platform {

// MessageBoxW's results.
enum : int {
    kIdOk = 1,
    kIdCancel = 2,
    kIdAbort = 3,
    kIdRetry = 4,
    kIdIgnore = 5,
    kIdYes = 6,
    kIdNo = 7,
    kIdTryAgain = 10,
    kIdContinue = 11,
};

namespace message_box_buttons {
inline constexpr int kOk[] = {kIdOk};
inline constexpr int kOkCancel[] = {kIdOk, kIdCancel};
inline constexpr int kAbortRetryIgnore[] = {kIdAbort, kIdRetry, kIdIgnore};
inline constexpr int kYesNoCancel[] = {kIdYes, kIdNo, kIdCancel};
inline constexpr int kYesNo[] = {kIdYes, kIdNo};
inline constexpr int kRetryCancel[] = {kIdRetry, kIdCancel};
inline constexpr int kCancelTryContinue[] = {kIdCancel, kIdTryAgain, kIdContinue};
}  // namespace message_box_buttons

// The buttons of a box with these MB_* flags (their low four bits), left to right.
constexpr std::span<const int> MessageBoxButtons(uint32_t flags) {
    using namespace message_box_buttons;
    switch (flags & 0xF) {
        case 1: return kOkCancel;
        case 2: return kAbortRetryIgnore;
        case 3: return kYesNoCancel;
        case 4: return kYesNo;
        case 5: return kRetryCancel;
        case 6: return kCancelTryContinue;
        default: return kOk;
    }
}

// The button Enter presses: MB_DEFBUTTONn (bits 8 to 11) picks among the box's buttons; one
// that is not there means the first.
constexpr int DefaultMessageBoxButton(uint32_t flags) {
    const std::span<const int> buttons = MessageBoxButtons(flags);
    const uint32_t chosen = (flags >> 8) & 0xF;
    return chosen < buttons.size() ? buttons[chosen] : buttons.front();
}

// The button's label, as the box shows it in English.
constexpr const char* MessageBoxButtonName(int id) {
    switch (id) {
        case kIdOk: return "OK";
        case kIdCancel: return "Cancel";
        case kIdAbort: return "Abort";
        case kIdRetry: return "Retry";
        case kIdIgnore: return "Ignore";
        case kIdYes: return "Yes";
        case kIdNo: return "No";
        case kIdTryAgain: return "Try Again";
        case kIdContinue: return "Continue";
        default: return "?";
    }
}

}  // namespace twinlink::platform
