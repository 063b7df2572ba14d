// Who is talking to Korvan: the host application's edition and version, read from the SketchUp
// C API each time they are needed.
#pragma once

#include <string>

namespace korvan {

// "SketchUp Make", "SketchUp Pro", or "SketchUp" for any other edition or when the edition
// cannot be read.
std::u16string HostEditionName();
// SketchUp's version text ("17.3.116"); empty when it cannot be read.
std::u16string HostVersion();
// "Sketchup <Make|Pro|Unknown> <version>": who is asking, in the campaign query of web links.
std::u16string HostIdentityText();

}  // namespace korvan
