// The Ruby extension's entry: defines the SketchUp Ruby API over the hostsim document.
#include "ruby/bindings.h"
#include "ruby/wrap.h"

extern "C" __attribute__((visibility("default"))) void Init_hostsim_ext() {
    using namespace hostsim::ruby;
    DefineClasses();
    DefineGeom();
    DefineObservers();
    DefineEntities();
    DefineAppearanceAndView();
    DefineModelSources();
    DefineSummary();
    DefineMeshing();
    DefineDrawnTriangles();
    DefineDesktop(k.mHostSim);
}
