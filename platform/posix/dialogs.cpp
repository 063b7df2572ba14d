// Modal dialogs. The host application shows them when it exports a desktop (hostsim does):
// the dialog is laid out from its template, its procedure initialises it, and the clicks the
// host's user makes are played to the procedure one by one, as Windows sends WM_COMMAND. Without
// a host desktop, or when the user's clicks leave it open, Enter presses the default button and
// then Esc closes it, as a person would.
#include <dlfcn.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>

#include "failure.h"
#include "twinlink/host_desktop.h"
#include "twinlink/message_box_rules.h"
#include "twinlink/platform.h"

namespace twinlink::platform {

namespace {

class PosixDialog : public DialogWindow {
  public:
    explicit PosixDialog(const DialogTemplate& dialog) : dialog_(dialog) {
        for (const DialogControl& control : dialog.controls)
            if (control.id != -1) state_[control.id] = {control.text, false};
    }

    void SetText(int id, const std::u16string& text) override {
        if (auto found = state_.find(id); found != state_.end()) found->second.text = text;
    }
    void SetCheck(int id, bool checked) override {
        if (auto found = state_.find(id); found != state_.end()) found->second.checked = checked;
    }
    bool IsChecked(int id) const override {
        const auto found = state_.find(id);
        return found != state_.end() && found->second.checked;
    }
    void SetSmallIcon() override {}  // windows here have no icons
    void End(int result) override {
        if (!result_) result_ = result;
    }

    bool Ended() const { return result_.has_value(); }
    int Result() const { return result_.value_or(kIdCancel); }

    // What a click on the control does before the procedure hears of it.
    void Click(int id) {
        const auto control = std::find_if(dialog_.controls.begin(), dialog_.controls.end(),
                                          [&](const DialogControl& c) { return c.id == id; });
        if (control != dialog_.controls.end() && control->kind == ControlKind::CheckBox)
            state_[id].checked = !state_[id].checked;
    }

    int DefaultButton() const {
        for (const DialogControl& control : dialog_.controls)
            if (control.kind == ControlKind::DefaultButton) return control.id;
        return kIdOk;
    }

    std::vector<HostDialogControl> AsShown() const {
        std::vector<HostDialogControl> shown;
        for (const DialogControl& control : dialog_.controls) {
            const bool addressed = control.id != -1;
            shown.push_back({control.id, static_cast<int>(control.kind),
                             addressed ? state_.at(control.id).text.c_str() : control.text.c_str(),
                             addressed && state_.at(control.id).checked ? 1 : 0, control.visible ? 1 : 0});
        }
        return shown;
    }

  private:
    struct ControlState {
        std::u16string text;
        bool checked;
    };
    const DialogTemplate& dialog_;
    std::map<int, ControlState> state_;
    std::optional<int> result_;
};

HostDialogEntry FindHostDialog() {
    return reinterpret_cast<HostDialogEntry>(dlsym(RTLD_DEFAULT, kHostDialogEntry));
}

}  // namespace

int ShowDialog(WindowHandle /*owner*/, const DialogTemplate& dialog, const DialogProcedure& procedure) {
    ClearFailure();
    PosixDialog window(dialog);
    if (procedure.initialise) procedure.initialise(window);

    std::vector<int> clicks(64);
    int count = -1;
    if (!window.Ended()) {
        const std::vector<HostDialogControl> shown = window.AsShown();
        if (const HostDialogEntry host = FindHostDialog()) {
            count = host(dialog.resourceId, dialog.caption.c_str(), shown.data(),
                         static_cast<int>(shown.size()), clicks.data(), static_cast<int>(clicks.size()));
        } else {
            const std::string line = "[twinlink dialog] \"" + Utf16ToUtf8(dialog.caption) + "\" -> Enter\n";
            std::fwrite(line.data(), 1, line.size(), stderr);
        }
    }
    const auto press = [&](int id) {
        window.Click(id);
        if (procedure.command) procedure.command(window, id);
    };
    for (int i = 0; i < count && i < static_cast<int>(clicks.size()) && !window.Ended(); ++i) press(clicks[i]);
    if (!window.Ended()) press(window.DefaultButton());
    if (!window.Ended()) press(kIdCancel);
    return window.Result();
}

}  // namespace twinlink::platform
