// Placeholder until the real bindings land; delete this file when writing them.
#include "ruby/bindings.h"
namespace hostsim::ruby {
void DefineModelSources() {}
}  // namespace hostsim::ruby
