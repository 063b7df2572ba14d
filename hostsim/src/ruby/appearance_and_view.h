// The parts of the appearance and view bindings (DefineAppearanceAndView runs each once) and
// the helpers they share.
#pragma once

#include <ruby.h>

#include <string_view>
#include <vector>

namespace hostsim::ruby {

void DefineColor();      // Sketchup::Color
void DefineMaterials();  // Materials, Material, Texture
void DefineLayers();     // Layers, Layer
void DefinePages();      // Pages, Page
void DefineView();       // View, Camera
void DefineOptions();    // RenderingOptions, ShadowInfo, Tools, HostSim.select_tool
void DefineSelection();  // Selection

// The element of a named list chosen by an Integer index or a String name; null when none
// matches. Raises TypeError for any other key.
template <typename T>
T* ByIndexOrName(const std::vector<T*>& list, VALUE key) {
    if (RB_INTEGER_TYPE_P(key)) {
        long i = NUM2LONG(key);
        return i >= 0 && i < static_cast<long>(list.size()) ? list[static_cast<size_t>(i)] : nullptr;
    }
    if (!RB_TYPE_P(key, T_STRING)) rb_raise(rb_eTypeError, "expected an index or a name");
    std::string_view name(RSTRING_PTR(key), static_cast<size_t>(RSTRING_LEN(key)));
    for (T* item : list)
        if (item->name == name) return item;
    return nullptr;
}

// The model behind a per-model collection object, for the collections' #model.
VALUE CollectionModel(VALUE self);

}  // namespace hostsim::ruby
