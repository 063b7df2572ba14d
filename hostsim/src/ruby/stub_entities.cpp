// Placeholder until the real bindings land; delete this file when writing them.
#include "ruby/bindings.h"
namespace hostsim::ruby {
void DefineEntities() {}
}  // namespace hostsim::ruby
