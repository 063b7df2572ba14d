// The Ruby extension's entry: defines the SketchUp Ruby API over the hostsim document.
#include "ruby/bindings.h"

extern "C" __attribute__((visibility("default"))) void Init_hostsim_ext() {
    VALUE mHostSim = rb_define_module("HostSim");
    hostsim::ruby::DefineDesktop(mHostSim);
}
