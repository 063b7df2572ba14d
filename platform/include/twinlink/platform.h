// The Windows services the plug-in uses, behind one narrow interface. The plug-in's code talks
// to these functions only; platform/win32/ maps them one to one onto the calls they are named
// after, and platform/posix/ stands in for them on Linux (with the state of each service under
// folders that tests can move through environment variables: the registry under
// TWINLINK_REGISTRY_ROOT, file mappings in TWINLINK_SHM_DIR, windows in TWINLINK_RUNTIME_DIR).
// What each platform keeps behind an object (an open key, a window) is its own, out of sight here.
//
// Text is UTF-16 (std::u16string) as on Windows. Results that Windows reports as error codes
// are the same Win32 codes here (kSuccess, kFileNotFound, ...).
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace twinlink::platform {

// ---- Win32 error codes the plug-in distinguishes
inline constexpr uint32_t kSuccess = 0;
inline constexpr uint32_t kFileNotFound = 2;        // ERROR_FILE_NOT_FOUND
inline constexpr uint32_t kAccessDenied = 5;        // ERROR_ACCESS_DENIED
inline constexpr uint32_t kInvalidHandle = 6;       // ERROR_INVALID_HANDLE (a key that is not open)
inline constexpr uint32_t kInvalidParameter = 87;   // ERROR_INVALID_PARAMETER
inline constexpr uint32_t kAlreadyExists = 183;     // ERROR_ALREADY_EXISTS
inline constexpr uint32_t kMoreData = 234;          // ERROR_MORE_DATA
inline constexpr uint32_t kNoMoreItems = 259;       // ERROR_NO_MORE_ITEMS
inline constexpr uint32_t kRegistryCorrupt = 1015;  // ERROR_REGISTRY_CORRUPT (an unreadable value)

// ---- Registry (HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE)
enum class RegistryRoot { CurrentUser, LocalMachine };
inline constexpr uint32_t kRegSz = 1;     // REG_SZ
inline constexpr uint32_t kRegDword = 4;  // REG_DWORD

struct RegistryValue {
    std::u16string name;
    uint32_t type = 0;
    std::vector<uint8_t> data;  // REG_SZ: UTF-16LE with its terminating zero
};

// An open registry key. Keys are opened by path (backslash-separated, as on Windows).
class RegistryKey {
public:
    // Opens an existing key; kFileNotFound when it does not exist.
    static uint32_t Open(RegistryRoot root, const std::u16string& path, RegistryKey& out);
    // Opens the key, creating it (and its parents) when missing.
    static uint32_t Create(RegistryRoot root, const std::u16string& path, RegistryKey& out);

    bool IsOpen() const { return key_ != nullptr; }
    // Copies share the open key; it is closed when the last of them lets go.
    void Close() { key_.reset(); }

    // RegQueryValueExW into a buffer of *size bytes: kMoreData when the value is larger (nothing
    // is copied, *size and *type tell the value's), kFileNotFound when it is missing,
    // kRegistryCorrupt when it cannot be read. A null buffer asks for the size only.
    uint32_t QueryValue(const std::u16string& name, uint32_t* type, uint8_t* buffer, uint32_t* size) const;
    uint32_t SetValue(const std::u16string& name, uint32_t type, const uint8_t* data, uint32_t size) const;
    uint32_t DeleteValue(const std::u16string& name) const;
    // RegQueryInfoKeyW's value count (unreadable values included, as EnumValue lists them).
    uint32_t CountValues(uint32_t* count) const;
    // RegEnumValueW at one index, values in name order: kNoMoreItems past the end; kMoreData
    // when the name does not fit nameCapacity units (terminator included) or the data does not
    // fit dataCapacity bytes; kRegistryCorrupt for a value that cannot be read. `out` is only
    // written on success.
    uint32_t EnumValue(uint32_t index, uint32_t nameCapacity, uint32_t dataCapacity, RegistryValue& out) const;
    // Names of the direct subkeys, ordered as Windows lists them (ASCII case ignored).
    std::vector<std::u16string> Subkeys() const;

    // Convenience for REG_DWORD values.
    uint32_t SetDword(const std::u16string& name, uint32_t value) const;

    struct OpenKey;  // the platform's open key (an HKEY, or the folder that stands for it)

private:
    std::shared_ptr<const OpenKey> key_;
};

// ---- Named shared memory (file mappings, page-file backed)
using MappingHandle = intptr_t;  // 0 = none
// Section names are limited as on Windows: a name of MAX_PATH (260) UTF-16 units or more is
// refused (0, with LastErrorText saying so).
// CreateFileMappingW: a new zero-filled section of `size` bytes, or a handle to the existing
// one with *alreadyExisted set (as GetLastError() == ERROR_ALREADY_EXISTS). 0 on failure.
MappingHandle CreateFileMapping(const std::u16string& name, uint32_t size, bool* alreadyExisted);
// OpenFileMappingW: 0 when no section of that name exists.
MappingHandle OpenFileMapping(const std::u16string& name);
// MapViewOfFile of the whole section; null on failure.
void* MapViewOfFile(MappingHandle handle);
size_t MappingSize(MappingHandle handle);
void UnmapViewOfFile(void* view);
void CloseHandle(MappingHandle handle);

// ---- Processes
uint32_t GetCurrentProcessId();
// K32EnumProcesses: the ids of running processes (at most maxCount).
std::vector<uint32_t> EnumProcesses(size_t maxCount);
// QueryFullProcessImageNameW: the executable's full path; nothing when it cannot be read.
std::optional<std::u16string> ProcessImagePath(uint32_t pid);

// ---- Windows and posted messages
using WindowHandle = uintptr_t;  // 0 = none

struct WindowInfo {
    WindowHandle handle = 0;
    uint32_t processId = 0;
    std::u16string className;
    std::u16string title;
    bool visible = true;
    WindowHandle owner = 0;
};

struct WindowMessage {
    uint32_t message = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
};

// The top-level windows, as EnumWindows lists them.
std::vector<WindowInfo> EnumWindows();
// A number that moves whenever a top-level window is created, shown or hidden, or one that
// EnumWindows listed is destroyed (also by the end of its process), and may move more often:
// while it stays, what EnumWindows listed still holds. Cheap enough to ask before every post.
// (Win32: counted by a WinEvent hook on EVENT_OBJECT_CREATE, EVENT_OBJECT_DESTROY,
// EVENT_OBJECT_SHOW and EVENT_OBJECT_HIDE.)
uint64_t WindowChangeCount();
bool IsWindow(WindowHandle w);
bool IsWindowVisible(WindowHandle w);
// GetWindowThreadProcessId's process id; 0 for a window that is gone.
uint32_t GetWindowProcessId(WindowHandle w);
WindowHandle GetWindowOwner(WindowHandle w);
std::optional<std::u16string> GetClassName(WindowHandle w);
std::optional<std::u16string> GetWindowText(WindowHandle w);
WindowHandle GetForegroundWindow();
// PostMessageW: queued for the window's owner, never waits. False when the window is gone.
bool PostMessage(WindowHandle w, uint32_t message, uintptr_t wParam, intptr_t lParam);

// A window of this process that others can find and post to.
class OwnWindow {
public:
    OwnWindow();
    ~OwnWindow();
    OwnWindow(const OwnWindow&) = delete;
    OwnWindow& operator=(const OwnWindow&) = delete;

    // Creates and publishes the window; false (with a reason) when it cannot be.
    bool Create(const std::u16string& className, const std::u16string& title, bool visible, WindowHandle owner,
                std::string* error = nullptr);
    void Destroy();
    WindowHandle Handle() const { return handle_; }
    // The next posted message, waiting at most `timeout`; nothing when none came.
    std::optional<WindowMessage> Receive(std::chrono::milliseconds timeout);

    struct State;  // what the platform keeps for the window while it exists

private:
    WindowHandle handle_ = 0;
    std::unique_ptr<State> state_;
};

// ---- The desktop: message boxes, shown by the host application
// The resource id of the plug-in's icon (an icon group in the module that holds the platform
// code, the plug-in's DLL): the small icon of its message boxes and dialogs. A module without
// it shows them with Windows' own icon.
inline constexpr int kPluginIconResource = 110;
// MessageBoxW: the id of the button pressed (IDOK, IDYES, ...).
int MessageBox(WindowHandle owner, const std::u16string& text, const std::u16string& caption, uint32_t flags);
// MessageBoxW that shows the plug-in's small icon when the box's caption contains
// `iconCaption` (on Windows a hook on this thread gives the box the icon as it comes up).
int MessageBoxWithPluginIcon(WindowHandle owner, const std::u16string& text, const std::u16string& caption,
                             uint32_t flags, const std::u16string& iconCaption);

// ---- Modal dialogs from a template (DialogBoxIndirectParamW), driven by a dialog procedure
enum class ControlKind : uint8_t {
    Button,         // BS_PUSHBUTTON
    DefaultButton,  // BS_DEFPUSHBUTTON: what Enter presses
    CheckBox,       // BS_AUTOCHECKBOX: a click turns its check, then tells the procedure
    Text,           // SS_LEFT
    ClickableText,  // SS_LEFT | SS_NOTIFY, drawn as a link: blue, underlined, bold
    TitleText,      // SS_LEFT in the bold title font
    Picture,        // SS_BITMAP | SS_NOTIFY: the dialog's picture; clickable
};
// The bitmap a Picture control shows: a resource of the module that holds the platform code,
// as the icon is, of kPictureWidth x kPictureHeight pixels, shown at 110 x 140 pixels per 96
// dots per inch of the screen; without it the control stays empty.
inline constexpr int kDialogPictureResource = 107;
inline constexpr int kPictureWidth = 440;
inline constexpr int kPictureHeight = 560;

struct DialogControl {
    int id = -1;  // -1: a control the procedure never addresses
    ControlKind kind = ControlKind::Text;
    std::u16string text;
    int x = 0, y = 0, width = 0, height = 0;  // dialog units
    bool visible = true;
};

struct DialogTemplate {
    int resourceId = 0;
    std::u16string caption;
    int width = 0, height = 0;  // dialog units
    std::u16string fontName;
    int fontPoints = 8;
    std::vector<DialogControl> controls;
};

// The running dialog as its procedure sees it.
class DialogWindow {
public:
    virtual ~DialogWindow() = default;
    virtual void SetText(int controlId, const std::u16string& text) = 0;  // SetDlgItemTextW
    virtual void SetCheck(int controlId, bool checked) = 0;              // BM_SETCHECK
    virtual bool IsChecked(int controlId) const = 0;                     // BM_GETCHECK
    virtual void SetSmallIcon() = 0;  // WM_SETICON ICON_SMALL with the plug-in's icon
    virtual void End(int result) = 0;  // EndDialog
};

struct DialogProcedure {
    std::function<void(DialogWindow&)> initialise;                // WM_INITDIALOG
    std::function<void(DialogWindow&, int controlId)> command;  // WM_COMMAND from a control;
                                                                // 2 for Esc and the close box
};

// Shows the dialog modally, owned by `owner`, until its procedure ends it; returns the result
// the procedure gave End.
int ShowDialog(WindowHandle owner, const DialogTemplate& dialog, const DialogProcedure& procedure);

// ---- Launching
// CreateProcessW of an executable with a command line (without an executable the command line
// names it first), in `workingDirectory` when one is given, its window maximised when asked
// (STARTF_USESHOWWINDOW with SW_SHOWMAXIMIZED); false when it cannot start.
bool LaunchProcess(const std::u16string& executable, const std::u16string& arguments,
                   const std::u16string& workingDirectory = u"", bool maximised = false);
// ShellExecuteW with the default verb on a web link; failures are silent.
void OpenWebLink(const std::u16string& url);

// ---- Files and folders
// GetTempPathW: the temporary folder with a trailing separator.
std::u16string GetTempPath();
bool FileExists(const std::u16string& path);       // an existing file that is not a folder
bool DirectoryExists(const std::u16string& path);
bool CreateDirectory(const std::u16string& path);  // one level, as CreateDirectoryW
bool DeleteFile(const std::u16string& path);
// GetFileTime's last-write time as a 64-bit FILETIME (100 ns units since 1601); nothing when
// the file cannot be opened.
std::optional<uint64_t> GetFileLastWriteTime(const std::u16string& path);
bool WriteFile(const std::u16string& path, const void* data, size_t size);
// The native separator of this platform ('\\' on Windows, '/' here).
char16_t PathSeparator();

// ---- Diagnostics
// OutputDebugStringW.
void OutputDebugString(const std::u16string& text);
// Why the last failing call of this thread failed, in words (for example a refused planted
// folder); empty after a success.
const std::string& LastErrorText();

// ---- Hashing
// shlwapi's HashData: fills `out` with `outSize` bytes hashed from `data`.
void HashData(const uint8_t* data, size_t size, uint8_t* out, size_t outSize);

// ---- Text
std::u16string Utf8ToUtf16(const std::string& utf8);
std::string Utf16ToUtf8(const std::u16string& utf16);
// iswalnum(unit) || iswspace(unit) as Windows' C runtime answers them in its default locale: by
// Unicode, so that letters such as "ü" count.
bool IsAlphanumericOrSpace(char16_t unit);

}  // namespace twinlink::platform
