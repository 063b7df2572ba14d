// Entry points of the parts of the hostsim Ruby extension; Init_hostsim_ext calls each once.
#pragma once

#include <ruby.h>

namespace hostsim::ruby {

// HostSim::Desktop: the recorded message boxes and dialogs, and the answers scripts give them.
void DefineDesktop(VALUE mHostSim);

}  // namespace hostsim::ruby
