// HostSim::Desktop: the Ruby side of the desktop. Ruby passes UTF-8, the desktop keeps UTF-16.
//
// Every function first does all that may raise (argument checks, conversions) while no C++
// object is alive, then the C++ work, and builds its Ruby result under rb_protect from data
// that lives in an outer frame; a Ruby or C++ failure is re-raised once the C++ objects are gone.
#include <ruby/encoding.h>

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "desktop/desktop.h"
#include "common/utf16.h"
#include "ruby/bindings.h"

namespace hostsim::ruby {

namespace {

using desktop::ControlTexts;

// A recorded box with its texts already in UTF-8, ready to become Ruby values.
struct ShownUtf8 {
    const char* kind;
    std::string caption;
    std::string text;
    unsigned flags;
    int resourceId;
    std::vector<std::pair<int, std::string>> controls;
    std::map<int, bool> checks;
    std::vector<int> hidden;
    bool pluginIcon;
};

std::string_view View(VALUE str) {
    return {RSTRING_PTR(str), static_cast<size_t>(RSTRING_LEN(str))};
}

// May raise: a String (or something that converts to one) in UTF-8.
VALUE Utf8(VALUE value) {
    VALUE str = rb_str_to_str(value);
    return rb_str_export_to_enc(str, rb_utf8_encoding());
}

VALUE NewUtf8(const std::string& text) {
    return rb_enc_str_new(text.data(), static_cast<long>(text.size()), rb_utf8_encoding());
}

int CollectControl(VALUE id, VALUE text, VALUE out) {
    rb_ary_push(out, INT2NUM(NUM2INT(id)));
    rb_ary_push(out, Utf8(text));
    return ST_CONTINUE;
}

// May raise: a Hash of control id => text as a flat array [id, utf8, id, utf8, ...].
VALUE NormalizeControls(VALUE controls) {
    VALUE flat = rb_ary_new();
    if (!NIL_P(controls))
        rb_hash_foreach(rb_convert_type(controls, T_HASH, "Hash", "to_hash"), CollectControl, flat);
    return flat;
}

// Never raises: reads an array that NormalizeControls made.
ControlTexts ToControlTexts(VALUE flat) {
    ControlTexts controls;
    for (long i = 0; i + 1 < RARRAY_LEN(flat); i += 2)
        controls[FIX2INT(RARRAY_AREF(flat, i))] = Utf16FromUtf8(View(RARRAY_AREF(flat, i + 1)));
    return controls;
}

std::vector<std::pair<int, std::string>> ToUtf8(const ControlTexts& controls) {
    std::vector<std::pair<int, std::string>> out;
    for (const auto& [id, text] : controls) out.emplace_back(id, Utf8FromUtf16(text));
    return out;
}

VALUE ControlsHash(const std::vector<std::pair<int, std::string>>& controls) {
    VALUE hash = rb_hash_new();
    for (const auto& [id, text] : controls) rb_hash_aset(hash, INT2NUM(id), NewUtf8(text));
    return hash;
}

VALUE Sym(const char* name) {
    return ID2SYM(rb_intern(name));
}

// Runs prepare() (C++ only; may throw) and then make(data) (Ruby calls only; may raise).
template <class Prepare, class Make>
VALUE Build(const Prepare& prepare, const Make& make) {
    using Data = decltype(prepare());
    struct Call {
        const Make* make;
        const Data* data;
    };
    VALUE result = Qnil;
    int state = 0;
    bool failed = false;
    try {
        const Data data = prepare();
        const Call call{&make, &data};
        result = rb_protect(
            [](VALUE p) {
                const Call* c = reinterpret_cast<const Call*>(p);
                return (*c->make)(*c->data);
            },
            reinterpret_cast<VALUE>(&call), &state);
    } catch (...) {
        failed = true;
    }
    if (state) rb_jump_tag(state);
    if (failed) rb_raise(rb_eNoMemError, "hostsim desktop: out of memory");
    return result;
}

std::vector<ShownUtf8> PrepareMessages() {
    std::vector<ShownUtf8> out;
    for (const desktop::Shown& s : desktop::ShownSoFar()) {
        const bool box = s.kind == desktop::Shown::Kind::MessageBox;
        out.push_back({box ? "messagebox" : "dialog", Utf8FromUtf16(s.caption),
                       Utf8FromUtf16(s.text), s.flags, s.resourceId, ToUtf8(s.controls), s.checks,
                       s.hidden, s.pluginIcon});
    }
    return out;
}

VALUE BuildMessages(const std::vector<ShownUtf8>& shown) {
    VALUE list = rb_ary_new_capa(static_cast<long>(shown.size()));
    for (const ShownUtf8& s : shown) {
        VALUE hash = rb_hash_new();
        rb_hash_aset(hash, Sym("kind"), rb_str_new_cstr(s.kind));
        rb_hash_aset(hash, Sym("caption"), NewUtf8(s.caption));
        rb_hash_aset(hash, Sym("text"), NewUtf8(s.text));
        rb_hash_aset(hash, Sym("flags"), UINT2NUM(s.flags));
        rb_hash_aset(hash, Sym("resource_id"), INT2NUM(s.resourceId));
        rb_hash_aset(hash, Sym("controls"), ControlsHash(s.controls));
        // Boxes that show the plug-in's icon say so.
        if (s.pluginIcon) rb_hash_aset(hash, Sym("icon"), rb_str_new_cstr("plug-in"));
        // Dialogs the plug-in drives also tell their check boxes and hidden controls.
        if (!s.checks.empty() || !s.hidden.empty()) {
            VALUE checks = rb_hash_new();
            for (const auto& [id, checked] : s.checks) rb_hash_aset(checks, INT2NUM(id), checked ? Qtrue : Qfalse);
            rb_hash_aset(hash, Sym("checked"), checks);
            VALUE hidden = rb_ary_new();
            for (int id : s.hidden) rb_ary_push(hidden, INT2NUM(id));
            rb_hash_aset(hash, Sym("hidden"), hidden);
        }
        rb_ary_push(list, hash);
    }
    return list;
}

// HostSim::Desktop.messages -> [{kind:, caption:, text:, flags:, resource_id:, controls:}, ...]
VALUE Messages(VALUE) {
    return Build(PrepareMessages, BuildMessages);
}

// HostSim::Desktop.message_box(text, caption, flags) -> the button id
VALUE MessageBox(VALUE, VALUE text, VALUE caption, VALUE flags) {
    const unsigned mbFlags = NUM2UINT(flags);
    text = Utf8(text);
    caption = Utf8(caption);
    int result = 0;
    try {
        result = desktop::ShowMessageBox(Utf16FromUtf8(View(text)), Utf16FromUtf8(View(caption)),
                                         mbFlags);
    } catch (...) {
        result = 0;
    }
    RB_GC_GUARD(text);
    RB_GC_GUARD(caption);
    return INT2NUM(result);
}

// HostSim::Desktop.dialog(resource_id, caption, controls = {}, default_result = IDOK)
//   -> {result:, controls: {id => text}}
VALUE Dialog(int argc, VALUE* argv, VALUE) {
    VALUE resourceId, caption, controls, defaultResult;
    rb_scan_args(argc, argv, "22", &resourceId, &caption, &controls, &defaultResult);
    const int id = NUM2INT(resourceId);
    const int fallback = NIL_P(defaultResult) ? desktop::kIdOk : NUM2INT(defaultResult);
    caption = Utf8(caption);
    VALUE flat = NormalizeControls(controls);

    struct Result {
        int result;
        std::vector<std::pair<int, std::string>> controls;
    };
    VALUE answer = Build(
        [&] {
            desktop::Answer a = desktop::ShowDialog(id, Utf16FromUtf8(View(caption)),
                                                    ToControlTexts(flat), fallback);
            return Result{a.result, ToUtf8(a.controls)};
        },
        [](const Result& r) {
            VALUE hash = rb_hash_new();
            rb_hash_aset(hash, Sym("result"), INT2NUM(r.result));
            rb_hash_aset(hash, Sym("controls"), ControlsHash(r.controls));
            return hash;
        });
    RB_GC_GUARD(caption);
    RB_GC_GUARD(flat);
    return answer;
}

// HostSim::Desktop.queue_answer(result, controls = nil, clicks = nil): the next box or dialog
// gets it; `clicks` are the controls a user clicks in a dialog that the plug-in drives.
VALUE QueueAnswer(int argc, VALUE* argv, VALUE) {
    VALUE result, controls, clicks;
    rb_scan_args(argc, argv, "12", &result, &controls, &clicks);
    const int code = NUM2INT(result);
    VALUE flat = NormalizeControls(controls);
    std::vector<int> clicked;
    if (!NIL_P(clicks)) {
        VALUE list = rb_convert_type(clicks, T_ARRAY, "Array", "to_ary");
        for (long i = 0; i < RARRAY_LEN(list); ++i) clicked.push_back(NUM2INT(RARRAY_AREF(list, i)));
    }
    bool failed = false;
    try {
        desktop::QueueAnswer({code, ToControlTexts(flat), std::move(clicked)});
    } catch (...) {
        failed = true;
    }
    RB_GC_GUARD(flat);
    if (failed) rb_raise(rb_eNoMemError, "hostsim desktop: out of memory");
    return Qnil;
}

VALUE Pending(VALUE) {
    return SIZET2NUM(desktop::PendingAnswers());
}

VALUE Clear(VALUE) {
    desktop::Clear();
    return Qnil;
}

}  // namespace

void DefineDesktop(VALUE mHostSim) {
    VALUE mDesktop = rb_define_module_under(mHostSim, "Desktop");
    rb_define_module_function(mDesktop, "messages", Messages, 0);
    rb_define_module_function(mDesktop, "message_box", MessageBox, 3);
    rb_define_module_function(mDesktop, "dialog", Dialog, -1);
    rb_define_module_function(mDesktop, "queue_answer", QueueAnswer, -1);
    rb_define_module_function(mDesktop, "pending_answers", Pending, 0);
    rb_define_module_function(mDesktop, "clear", Clear, 0);
}

}  // namespace hostsim::ruby
