#include "rubybridge/status_bar.h"

#include "rubybridge/ruby_symbols.h"
#include "rubybridge/ruby_values.h"

namespace korvan::rb {

void SetStatusText(std::optional<std::u16string_view> text) {
    if (!text) {
        rb_funcall(k.mSketchup, id.setStatusText, 0);
        return;
    }
    rb_funcall(k.mSketchup, id.setStatusText, 1, WideToRuby(*text));
}

void SetValueBox(std::optional<std::u16string_view> value,
                 std::optional<std::u16string_view> label) {
    if (label) rb_funcall(k.mSketchup, id.setStatusText, 2, WideToRuby(*label), k.SB_VCB_LABEL);
    if (value) rb_funcall(k.mSketchup, id.setStatusText, 2, WideToRuby(*value), k.SB_VCB_VALUE);
}

void ClearValueBox() {
    rb_funcall(k.mSketchup, id.setStatusText, 2, Qnil, k.SB_VCB_LABEL);
    rb_funcall(k.mSketchup, id.setStatusText, 2, Qnil, k.SB_VCB_VALUE);
}

}  // namespace korvan::rb
