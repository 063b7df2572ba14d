// Modal dialogs: DialogBoxIndirectParamW on a DLGTEMPLATE laid out in memory from the
// DialogTemplate, driven by the DialogProcedure. Title texts get a bold font, clickable texts a
// bold underlined one drawn in blue on a transparent background, a picture the bitmap
// kDialogPictureResource; the fonts are made once per process and kept.
#include <memory>
#include <utility>
#include <vector>

#include "failure.h"
#include "windows_api.h"

namespace twinlink::platform {

using namespace win32;

namespace {

constexpr WORD kButtonClass = 0x0080;
constexpr WORD kStaticClass = 0x0082;

// A DLGTEMPLATE with its items, as WORDs: every item starts on a DWORD boundary.
class TemplateBuilder {
  public:
    template <typename T>
    void Add(const T& value) {
        const auto* words = reinterpret_cast<const WORD*>(&value);
        static_assert(sizeof(T) % sizeof(WORD) == 0);
        words_.insert(words_.end(), words, words + sizeof(T) / sizeof(WORD));
    }
    void AddWord(WORD word) { words_.push_back(word); }
    void AddText(const std::u16string& text) {
        words_.insert(words_.end(), text.begin(), text.end());
        words_.push_back(0);
    }
    void AlignToDword() {
        if (words_.size() % 2 != 0) words_.push_back(0);
    }
    const DLGTEMPLATE* Template() const {
        return reinterpret_cast<const DLGTEMPLATE*>(words_.data());
    }

  private:
    std::vector<WORD> words_;
};

DWORD ControlStyle(ControlKind kind) {
    switch (kind) {
        case ControlKind::Button:
            return BS_PUSHBUTTON | WS_TABSTOP;
        case ControlKind::DefaultButton:
            return BS_DEFPUSHBUTTON | WS_TABSTOP;
        case ControlKind::CheckBox:
            return BS_AUTOCHECKBOX | WS_TABSTOP;
        case ControlKind::Text:
            return SS_LEFT;
        case ControlKind::ClickableText:
            return SS_LEFT | SS_NOTIFY;
        case ControlKind::TitleText:
            return SS_LEFT;
        case ControlKind::Picture:
            return SS_BITMAP | SS_NOTIFY;
    }
    return SS_LEFT;
}

bool IsButton(ControlKind kind) {
    return kind == ControlKind::Button || kind == ControlKind::DefaultButton ||
           kind == ControlKind::CheckBox;
}

TemplateBuilder BuildTemplate(const DialogTemplate& dialog) {
    TemplateBuilder built;
    DLGTEMPLATE head{};
    head.style = DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    head.cdit = static_cast<WORD>(dialog.controls.size());
    head.cx = static_cast<short>(dialog.width);
    head.cy = static_cast<short>(dialog.height);
    built.Add(head);
    built.AddWord(0);  // no menu
    built.AddWord(0);  // the dialog class
    built.AddText(dialog.caption);
    built.AddWord(static_cast<WORD>(dialog.fontPoints));
    built.AddText(dialog.fontName.empty() ? u"MS Shell Dlg" : dialog.fontName);
    for (const DialogControl& control : dialog.controls) {
        built.AlignToDword();
        DLGITEMTEMPLATE item{};
        item.style = WS_CHILD | (control.visible ? WS_VISIBLE : 0) | ControlStyle(control.kind);
        item.x = static_cast<short>(control.x);
        item.y = static_cast<short>(control.y);
        item.cx = static_cast<short>(control.width);
        item.cy = static_cast<short>(control.height);
        item.id = static_cast<WORD>(control.id);  // -1 is IDC_STATIC, 0xFFFF
        built.Add(item);
        built.AddWord(0xFFFF);
        built.AddWord(IsButton(control.kind) ? kButtonClass : kStaticClass);
        built.AddText(control.kind == ControlKind::Picture ? u"" : control.text);
        built.AddWord(0);  // no creation data
    }
    return built;
}

// Bold, at `points` for the screen's resolution; underlined when asked.
HFONT MakeFont(int points, bool underlined) {
    HDC screen = ::GetDC(nullptr);
    const int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ::ReleaseDC(nullptr, screen);
    return ::CreateFontW(-::MulDiv(points, dpi, 96), 0, 0, 0, FW_BOLD, FALSE, underlined, FALSE,
                         DEFAULT_CHARSET, OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                         DEFAULT_PITCH, L"MS Shell Dlg");
}

HFONT TitleFont() {
    static const HFONT font = MakeFont(12, false);
    return font;
}

HFONT LinkFont() {
    static const HFONT font = MakeFont(10, true);
    return font;
}

// The picture is drawn for 384 dots per inch: at the screen's resolution it is a quarter of its
// size at 96 (110 x 140 pixels), half at 192. Scaled once per process, with halftone; the loaded
// bitmap is kept only when no scaling is needed or it fails.
HBITMAP ScaledToScreen(HBITMAP loaded) {
    const HDC screen = ::GetDC(nullptr);
    if (!screen) return loaded;
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    const int width = ::MulDiv(kPictureWidth, dpi, 384),
              height = ::MulDiv(kPictureHeight, dpi, 384);
    HBITMAP result = loaded;
    if (width != kPictureWidth || height != kPictureHeight) {
        const HDC from = ::CreateCompatibleDC(screen);
        const HDC to = ::CreateCompatibleDC(screen);
        HBITMAP scaled = ::CreateCompatibleBitmap(screen, width, height);
        if (from && to && scaled) {
            const HGDIOBJ fromBefore = ::SelectObject(from, loaded);
            const HGDIOBJ toBefore = ::SelectObject(to, scaled);
            ::SetStretchBltMode(to, HALFTONE);
            ::SetBrushOrgEx(to, 0, 0, nullptr);  // as HALFTONE asks
            const bool drawn = ::StretchBlt(to, 0, 0, width, height, from, 0, 0, kPictureWidth,
                                            kPictureHeight, SRCCOPY);
            ::SelectObject(from, fromBefore);
            ::SelectObject(to, toBefore);
            if (drawn) std::swap(result, scaled);
        }
        if (scaled) ::DeleteObject(scaled);  // the loaded one when it was replaced
        if (from) ::DeleteDC(from);
        if (to) ::DeleteDC(to);
    }
    ::ReleaseDC(nullptr, screen);
    return result;
}

HBITMAP Picture() {
    static const HBITMAP picture = [] {
        const HBITMAP loaded =
            ::LoadBitmapW(ThisModule(), MAKEINTRESOURCEW(kDialogPictureResource));
        return loaded ? ScaledToScreen(loaded) : nullptr;
    }();
    return picture;
}

class Win32Dialog : public DialogWindow {
  public:
    Win32Dialog(HWND window, const DialogTemplate& dialog) : window_(window), dialog_(dialog) {}

    void SetText(int id, const std::u16string& text) override {
        ::SetDlgItemTextW(window_, id, Wide(text));
    }
    void SetCheck(int id, bool checked) override {
        ::CheckDlgButton(window_, id, checked ? BST_CHECKED : BST_UNCHECKED);
    }
    bool IsChecked(int id) const override {
        return ::IsDlgButtonChecked(window_, id) == BST_CHECKED;
    }
    void SetSmallIcon() override {
        if (const HICON icon = PluginSmallIcon())
            ::SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    }
    void End(int result) override { ::EndDialog(window_, result); }

    const DialogControl* Control(int id) const {
        for (const DialogControl& control : dialog_.controls)
            if (control.id == id && id != -1) return &control;
        return nullptr;
    }
    const DialogTemplate& Template() const { return dialog_; }

  private:
    HWND window_;
    const DialogTemplate& dialog_;
};

struct Running {
    const DialogTemplate& dialog;
    const DialogProcedure& procedure;
    std::unique_ptr<Win32Dialog> window;
};

void Dress(HWND window, const DialogTemplate& dialog) {
    for (const DialogControl& control : dialog.controls) {
        if (control.id == -1) continue;
        HWND item = ::GetDlgItem(window, control.id);
        if (!item) continue;
        HFONT font = control.kind == ControlKind::TitleText       ? TitleFont()
                     : control.kind == ControlKind::ClickableText ? LinkFont()
                                                                  : nullptr;
        if (font) ::SendMessageW(item, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
        if (control.kind == ControlKind::Picture && Picture())
            ::SendMessageW(item, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(Picture()));
    }
}

INT_PTR CALLBACK DialogProcedureOf(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* running = reinterpret_cast<Running*>(::GetWindowLongPtrW(window, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG: {
            running = reinterpret_cast<Running*>(lParam);
            ::SetWindowLongPtrW(window, DWLP_USER, lParam);
            running->window = std::make_unique<Win32Dialog>(window, running->dialog);
            Dress(window, running->dialog);
            if (running->procedure.initialise) running->procedure.initialise(*running->window);
            return TRUE;
        }
        case WM_COMMAND: {
            // A click (BN_CLICKED and STN_CLICKED are both 0), Enter, Esc or the close box.
            if (!running || HIWORD(wParam) != 0) return FALSE;
            const int id = LOWORD(wParam);
            if (running->procedure.command) running->procedure.command(*running->window, id);
            return TRUE;
        }
        case WM_CTLCOLORSTATIC: {
            if (!running) return FALSE;
            const DialogControl* control =
                running->window->Control(::GetDlgCtrlID(reinterpret_cast<HWND>(lParam)));
            if (!control || control->kind != ControlKind::ClickableText) return FALSE;
            HDC dc = reinterpret_cast<HDC>(wParam);
            ::SetBkMode(dc, TRANSPARENT);
            ::SetTextColor(dc, RGB(0, 0, 255));
            return reinterpret_cast<INT_PTR>(::GetSysColorBrush(COLOR_MENU));
        }
        default:
            return FALSE;
    }
}

}  // namespace

int ShowDialog(WindowHandle owner, const DialogTemplate& dialog, const DialogProcedure& procedure) {
    ClearFailure();
    const TemplateBuilder built = BuildTemplate(dialog);
    Running running{dialog, procedure, nullptr};
    const INT_PTR result =
        ::DialogBoxIndirectParamW(ThisModule(), built.Template(), ToHwnd(owner), DialogProcedureOf,
                                  reinterpret_cast<LPARAM>(&running));
    if (result == -1) {
        SetFailureFromSystem("cannot show the dialog " + Utf16ToUtf8(dialog.caption),
                             ::GetLastError());
        return -1;
    }
    return static_cast<int>(result);
}

}  // namespace twinlink::platform
