// Sketchup::Color and the colour arguments SketchUp accepts wherever it takes a colour: a
// Color, [r, g, b(, a)] (Floats are fractions of 255), a name such as "red" or "#rrggbb",
// or an Integer 0xRRGGBB.
#pragma once

#include <ruby.h>

#include "model/appearance.h"

namespace hostsim::ruby {

// Raises TypeError for a value that is no colour and ArgumentError for an unknown name.
Color ColorOf(VALUE v);
VALUE NewColor(const Color& c);

}  // namespace hostsim::ruby
