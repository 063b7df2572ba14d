// Editing how things look: element properties, materials, textures, attributes and layers.
#include <algorithm>

#include "model/model.h"
#include "model/operation_scope.h"

namespace hostsim {

namespace {

// Every drawing element of the model and of every definition.
template <typename Visit>
void ForEachElement(Model& m, Visit visit) {
    auto walk = [&](Entities* in) {
        std::vector<DrawingElement*> copy = in->items;
        for (DrawingElement* e : copy) visit(e);
    };
    walk(m.entities);
    std::vector<ComponentDefinition*> defs = m.definitions;
    for (ComponentDefinition* d : defs) walk(d->entities);
}

}  // namespace

std::vector<uint8_t> Texture::UnpaddedPixels() const {
    size_t row = static_cast<size_t>(pixelWidth) * bitsPerPixel / 8;
    std::vector<uint8_t> out;
    out.reserve(row * pixelHeight);
    for (int y = 0; y < pixelHeight; ++y) {
        auto start = pixels.begin() + static_cast<std::ptrdiff_t>(y * RowBytes());
        out.insert(out.end(), start, start + static_cast<std::ptrdiff_t>(row));
    }
    return out;
}

// ---- element properties

void Model::SetMaterial(DrawingElement* e, Material* m) {
    Material* old = e->material;
    if (old == m) return;
    Edit("Paint", [e, m] { e->material = m; }, [e, old] { e->material = old; }, {ModifiedEvent(e)}, {ModifiedEvent(e)});
}

void Model::SetBackMaterial(Face* f, Material* m) {
    Material* old = f->backMaterial;
    if (old == m) return;
    Edit("Paint", [f, m] { f->backMaterial = m; }, [f, old] { f->backMaterial = old; }, {ModifiedEvent(f)},
         {ModifiedEvent(f)});
}

void Model::SetHidden(DrawingElement* e, bool hidden) {
    bool old = e->hidden;
    if (old == hidden) return;
    Edit(hidden ? "Hide" : "Unhide", [e, hidden] { e->hidden = hidden; }, [e, old] { e->hidden = old; },
         {ModifiedEvent(e)}, {ModifiedEvent(e)});
}

void Model::SetLayer(DrawingElement* e, Layer* layer) {
    Layer* old = e->layer;
    if (!layer || old == layer) return;
    Edit("Layer", [e, layer] { e->layer = layer; }, [e, old] { e->layer = old; }, {ModifiedEvent(e)}, {ModifiedEvent(e)});
}

// ---- materials

std::string Model::UniqueMaterialName(const std::string& wanted) const {
    std::string base = wanted.empty() ? "Material" : wanted;
    std::string name = base;
    for (int n = 1; std::any_of(materials.begin(), materials.end(), [&](const Material* m) { return m->name == name; });
         ++n)
        name = base + std::to_string(n);
    return name;
}

Material* Model::AddMaterial(const std::string& name) {
    Material* m = Make<Material>();
    m->name = UniqueMaterialName(name);
    Edit(
        "Add Material",
        [this, m] {
            m->deleted = false;
            materials.push_back(m);
        },
        [this, m] {
            m->deleted = true;
            std::erase(materials, m);
        },
        {{EventKind::MaterialAdd, this, m}}, {{EventKind::MaterialRemove, this, m}});
    return m;
}

Texture* Model::CreateTexture(int pixelWidth, int pixelHeight, int bitsPerPixel, std::vector<uint8_t> pixels,
                              double width, double height, const std::string& fileName) {
    Texture* t = Make<Texture>();
    t->pixelWidth = pixelWidth;
    t->pixelHeight = pixelHeight;
    t->bitsPerPixel = bitsPerPixel;
    t->pixels = std::move(pixels);
    t->pixels.resize(t->RowBytes() * static_cast<size_t>(pixelHeight));
    t->width = width;
    t->height = height;
    t->fileName = fileName;
    return t;
}

namespace {
// A change to a material: observers hear onMaterialChange, and onMaterialUndoRedo when undone.
template <typename T>
void EditMaterial(Model& model, Material* m, T Material::*field, T value) {
    T old = m->*field;
    if (old == value) return;
    model.Edit("Edit Material", [m, field, value] { m->*field = value; }, [m, field, old] { m->*field = old; },
               {{EventKind::MaterialChange, &model, m}}, {{EventKind::MaterialUndoRedo, &model, m}});
}
}  // namespace

void Model::SetMaterialColor(Material* m, const Color& c) {
    Color keepAlpha = c;
    keepAlpha.alpha = m->color.alpha;
    EditMaterial(*this, m, &Material::color, keepAlpha);
}

void Model::SetMaterialAlpha(Material* m, double alpha) {
    alpha = std::clamp(alpha, 0.0, 1.0);
    // The opacity, its flag and the colour's alpha channel change together: SketchUp reports
    // one material change for them, not three.
    struct Opacity {
        double alpha;
        bool useAlpha;
        uint8_t channel;
        bool operator==(const Opacity&) const = default;
    };
    const Opacity old{m->alpha, m->useAlpha, m->color.alpha};
    const Opacity now{alpha, alpha < 1.0, static_cast<uint8_t>(alpha * 255.0 + 0.5)};
    if (old == now) return;
    auto set = [m](const Opacity& o) {
        m->alpha = o.alpha;
        m->useAlpha = o.useAlpha;
        m->color.alpha = o.channel;
    };
    Edit("Edit Material", [set, now] { set(now); }, [set, old] { set(old); }, {{EventKind::MaterialChange, this, m}},
         {{EventKind::MaterialUndoRedo, this, m}});
}

void Model::SetMaterialTexture(Material* m, Texture* t) { EditMaterial(*this, m, &Material::texture, t); }

void Model::SetMaterialColorized(Material* m, bool colorized) { EditMaterial(*this, m, &Material::colorized, colorized); }

void Model::SetMaterialName(Material* m, const std::string& name) {
    if (m->name == name) return;  // not "name1": the name is taken by this very material
    EditMaterial(*this, m, &Material::name, UniqueMaterialName(name));
}

void Model::RemoveMaterial(Material* m) {
    if (!m || m->deleted) return;
    OperationScope scope(*this, "Delete Material");
    // What was painted with it falls back to the default material.
    ForEachElement(*this, [&](DrawingElement* e) {
        if (e->material == m) SetMaterial(e, nullptr);
        if (e->type == RefType::Face && static_cast<Face*>(e)->backMaterial == m)
            SetBackMaterial(static_cast<Face*>(e), nullptr);
    });
    size_t index = static_cast<size_t>(std::find(materials.begin(), materials.end(), m) - materials.begin());
    Edit(
        "Delete Material",
        [this, m] {
            m->deleted = true;
            std::erase(materials, m);
        },
        [this, m, index] {
            m->deleted = false;
            materials.insert(materials.begin() + static_cast<std::ptrdiff_t>(std::min(index, materials.size())), m);
        },
        {{EventKind::MaterialRemove, this, m}}, {{EventKind::MaterialAdd, this, m}});
}

int Model::PurgeUnusedMaterials() {
    std::vector<Material*> used;
    ForEachElement(*this, [&](DrawingElement* e) {
        used.push_back(e->material);
        if (e->type == RefType::Face) used.push_back(static_cast<Face*>(e)->backMaterial);
    });
    std::vector<Material*> unused;
    for (Material* m : materials)
        if (std::find(used.begin(), used.end(), m) == used.end()) unused.push_back(m);
    if (unused.empty()) return 0;
    OperationScope scope(*this, "Purge Unused");
    for (Material* m : unused) RemoveMaterial(m);
    return static_cast<int>(unused.size());
}

void Model::SetTextureSize(Texture* t, double width, double height) {
    const double oldWidth = t->width, oldHeight = t->height;
    if (width <= 0 || height <= 0 || (oldWidth == width && oldHeight == height)) return;
    std::vector<Event> changed, undone;
    for (Material* m : materials) {
        if (m->texture != t) continue;
        changed.push_back({EventKind::MaterialChange, this, m});
        undone.push_back({EventKind::MaterialUndoRedo, this, m});
    }
    Edit(
        "Texture Size",
        [t, width, height] {
            t->width = width;
            t->height = height;
        },
        [t, oldWidth, oldHeight] {
            t->width = oldWidth;
            t->height = oldHeight;
        },
        changed, undone);
}

// ---- attribute dictionaries

AttributeDictionary* Model::Dictionary(Entity* e, const std::string& name, bool create) {
    for (AttributeDictionary* d : e->dictionaries)
        if (!d->deleted && d->name == name) return d;
    if (!create) return nullptr;
    AttributeDictionary* d = Make<AttributeDictionary>(name);
    d->owner = e;
    Edit("Attribute", [e, d] { e->dictionaries.push_back(d); d->deleted = false; },
         [e, d] { std::erase(e->dictionaries, d); d->deleted = true; }, {}, {});
    return d;
}

void Model::SetAttribute(Entity* e, const std::string& dict, const std::string& key, const Value& v) {
    OperationScope scope(*this, "Attribute");
    AttributeDictionary* d = Dictionary(e, dict, true);
    auto it = d->values.find(key);
    std::optional<Value> old;
    if (it != d->values.end()) old = it->second;
    std::vector<Event> events;
    if (e->type == RefType::Material) events.push_back({EventKind::MaterialChange, this, e});
    std::vector<Event> revert;
    if (e->type == RefType::Material) revert.push_back({EventKind::MaterialUndoRedo, this, e});
    Edit("Attribute", [d, key, v] { d->values[key] = v; },
         [d, key, old] {
             if (old) d->values[key] = *old;
             else d->values.erase(key);
         },
         events, revert);
}

void Model::DeleteAttribute(Entity* e, const std::string& dict, const std::string& key) {
    AttributeDictionary* d = Dictionary(e, dict, false);
    if (!d) return;
    auto it = d->values.find(key);
    if (it == d->values.end()) return;
    Value old = it->second;
    std::vector<Event> events, revert;
    if (e->type == RefType::Material) {
        events.push_back({EventKind::MaterialChange, this, e});
        revert.push_back({EventKind::MaterialUndoRedo, this, e});
    }
    Edit("Attribute", [d, key] { d->values.erase(key); }, [d, key, old] { d->values[key] = old; }, events, revert);
}

// ---- layers

Layer* Model::AddLayer(const std::string& name) {
    for (Layer* l : layers)
        if (l->name == name) return l;
    Layer* l = Make<Layer>();
    l->name = name;
    l->material = Make<Material>();
    l->material->name = name;
    // A distinct colour per layer, as SketchUp picks one for each new layer.
    static const Color palette[] = {{200, 80, 80, 255}, {80, 160, 80, 255}, {80, 100, 200, 255},
                                    {210, 170, 60, 255}, {150, 90, 180, 255}, {60, 170, 170, 255}};
    l->material->color = palette[layers.size() % std::size(palette)];
    Edit(
        "Add Layer",
        [this, l] {
            l->deleted = false;
            layers.push_back(l);
        },
        [this, l] {
            l->deleted = true;
            std::erase(layers, l);
        },
        {{EventKind::LayerAdded, this, l}}, {{EventKind::LayerRemoved, this, l}});
    return l;
}

void Model::SetLayerVisible(Layer* l, bool visible) {
    bool old = l->visible;
    if (old == visible) return;
    Edit("Layer Visibility", [l, visible] { l->visible = visible; }, [l, old] { l->visible = old; },
         {{EventKind::LayerChanged, this, l}}, {{EventKind::LayerChanged, this, l}});
}

void Model::SetLayerColor(Layer* l, const Color& c) {
    Color old = l->material->color;
    if (old == c) return;
    Material* m = l->material;
    Edit("Layer Color", [m, c] { m->color = c; }, [m, old] { m->color = old; }, {{EventKind::LayerChanged, this, l}},
         {{EventKind::LayerChanged, this, l}});
}

void Model::SetLayerName(Layer* l, const std::string& name) {
    const std::string old = l->name;
    if (old == name || std::any_of(layers.begin(), layers.end(), [&](const Layer* o) { return o->name == name; }))
        return;
    // The layer's colour material carries the layer's name, as in SketchUp.
    Material* m = l->material;
    Edit(
        "Rename Layer",
        [l, m, name] {
            l->name = name;
            m->name = name;
        },
        [l, m, old] {
            l->name = old;
            m->name = old;
        },
        {{EventKind::LayerChanged, this, l}}, {{EventKind::LayerChanged, this, l}});
}

void Model::RemoveLayer(Layer* l) {
    if (!l || l == defaultLayer || l->deleted) return;
    OperationScope scope(*this, "Delete Layer");
    ForEachElement(*this, [&](DrawingElement* e) {
        if (e->layer == l) SetLayer(e, defaultLayer);
    });
    size_t index = static_cast<size_t>(std::find(layers.begin(), layers.end(), l) - layers.begin());
    Edit(
        "Delete Layer",
        [this, l] {
            l->deleted = true;
            std::erase(layers, l);
        },
        [this, l, index] {
            l->deleted = false;
            layers.insert(layers.begin() + static_cast<std::ptrdiff_t>(std::min(index, layers.size())), l);
        },
        {{EventKind::LayerRemoved, this, l}}, {{EventKind::LayerAdded, this, l}});
}

}  // namespace hostsim
