// SketchUp's status bar: the main text and the value box (its label and its value), all set
// through Sketchup.set_status_text.
#pragma once

#include <optional>
#include <string_view>

namespace korvan::rb {

// With a text, shows it; with none, calls set_status_text with no argument, which clears it.
void SetStatusText(std::optional<std::u16string_view> text = std::nullopt);
// Sets the label first (when one is given), then the value (when one is given); an absent one
// is left as it is.
void SetValueBox(std::optional<std::u16string_view> value,
                 std::optional<std::u16string_view> label = std::nullopt);
// Sets the label to nil, then the value.
void ClearValueBox();

}  // namespace korvan::rb
