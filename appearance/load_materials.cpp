// The Ruby half of a load: walks the model's `materials` collection. Kept apart so that the
// rest of the catalogue links without the plug-in's Ruby bridge.
#include "appearance/material_catalogue.h"
#include "rubybridge/ruby_symbols.h"
#include "rubybridge/ruby_values.h"

namespace korvan {

// Nothing with a destructor lives in this frame: every rb_funcall may raise.
void MaterialCatalogue::LoadMaterials(VALUE newModel, SUModelRef newModelRef, bool backFaces,
                                      bool inMemory) {
    BeginLoad(newModel, newModelRef, backFaces, inMemory);
    VALUE materials = rb_funcall(newModel, rb::id.materials, 0);
    const long count = rb::ToInt(rb_funcall(materials, rb::id.size, 0));
    for (long i = 0; i < count; ++i) {
        const VALUE material = rb_funcall(materials, rb::id.at, 1, LONG2NUM(i));
        if (NIL_P(material)) continue;
        rb_check_type(material, T_DATA);
        const SUMaterialRef materialRef{DATA_PTR(material)};
        if (materialRef.ptr != nullptr) AddMaterial(materialRef, material, kNoId);
    }
    RB_GC_GUARD(materials);
}

}  // namespace korvan
