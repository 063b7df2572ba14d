// Placeholder until the real bindings land; delete this file when writing them.
#include "ruby/bindings.h"
namespace hostsim::ruby {
void DefineAppearanceAndView() {}
}  // namespace hostsim::ruby
