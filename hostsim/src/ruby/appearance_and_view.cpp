// Materials, textures, colours, layers, pages, the view and its camera, rendering options,
// tools, the selection and shadow settings.
#include "ruby/appearance_and_view.h"

#include "ruby/bindings.h"
#include "ruby/wrap.h"

namespace hostsim::ruby {

VALUE CollectionModel(VALUE self) { return Wrap(ModelOfCollection(self)); }

void DefineAppearanceAndView() {
    DefineColor();
    DefineMaterials();
    DefineLayers();
    DefinePages();
    DefineView();
    DefineOptions();
    DefineSelection();
}

}  // namespace hostsim::ruby
