// What a host application that shows the plug-in's windows itself may export, found by name in
// the process at run time (hostsim, SketchUp's stand-in, does). Plain C, so that the two sides
// need share nothing but these declarations.
#pragma once

extern "C" {

// MessageBoxW: the button id, 0 on failure.
using HostMessageBoxEntry = int (*)(const char16_t* text, const char16_t* caption, unsigned flags);
inline constexpr char kHostMessageBoxEntry[] = "hostsim_desktop_message_box";

// MessageBoxW of a box that shows the plug-in's icon (`pluginIcon` non-zero) or Windows' own.
using HostIconMessageBoxEntry = int (*)(const char16_t* text, const char16_t* caption, unsigned flags,
                                        int pluginIcon);
inline constexpr char kHostIconMessageBoxEntry[] = "hostsim_desktop_icon_message_box";

// One control of a dialog as it stands when the dialog comes up.
struct HostDialogControl {
    int id;
    int kind;  // a twinlink::platform::ControlKind
    const char16_t* text;
    int checked;  // check boxes: 0 or 1
    int visible;
};

// A modal dialog: records it, and writes into `clicks` the control ids the user clicks, in
// order (at most `capacity`); returns how many, or -1 when nobody answers (Enter is pressed).
using HostDialogEntry = int (*)(int resourceId, const char16_t* caption,
                                const HostDialogControl* controls, int count, int* clicks,
                                int capacity);
inline constexpr char kHostDialogEntry[] = "hostsim_desktop_dialog";

}
