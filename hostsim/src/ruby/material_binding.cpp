// Sketchup::Materials, Sketchup::Material and Sketchup::Texture.
#include <algorithm>
#include <cmath>
#include <string>

#include "model/image_file.h"
#include "ruby/appearance_and_view.h"
#include "ruby/entity_bindings.h"
#include "ruby/color.h"
#include "ruby/wrap.h"

namespace hostsim::ruby {

namespace {

ID CurrentId() {
    static ID id = rb_intern("__current_material");
    return id;
}

Material* LiveMaterial(VALUE v) {
    auto* m = static_cast<Material*>(UnwrapLiveEntity(v));
    if (m->type != RefType::Material) rb_raise(rb_eTypeError, "expected a Sketchup::Material");
    return m;
}

Texture* LiveTexture(VALUE v) {
    auto* t = static_cast<Texture*>(UnwrapLiveEntity(v));
    if (t->type != RefType::Texture) rb_raise(rb_eTypeError, "expected a Sketchup::Texture");
    return t;
}

// ---- Materials

VALUE MaterialsEach(VALUE self) {
    RETURN_ENUMERATOR(self, 0, nullptr);
    return YieldElements(self, ArrayOf(ModelOfCollection(self)->materials));
}

VALUE MaterialsToA(VALUE self) { return ArrayOf(ModelOfCollection(self)->materials); }

VALUE MaterialsSize(VALUE self) { return SIZET2NUM(ModelOfCollection(self)->materials.size()); }

VALUE MaterialsAt(VALUE self, VALUE key) { return Wrap(ByIndexOrName(ModelOfCollection(self)->materials, key)); }

VALUE MaterialsAdd(int argc, VALUE* argv, VALUE self) {
    rb_check_arity(argc, 0, 1);
    Model* model = ModelOfCollection(self);
    VALUE name = argc > 0 ? rb_obj_as_string(argv[0]) : rb_str_new_cstr("Material");
    return Wrap(model->AddMaterial(StringOf(name)));
}

// A material given as itself or by name; null for an unknown name.
Material* MaterialOf(Model* model, VALUE v) {
    if (RB_TYPE_P(v, T_STRING)) return ByIndexOrName(model->materials, v);
    Material* m = LiveMaterial(v);
    return m->model == model ? m : nullptr;
}

VALUE MaterialsRemove(VALUE self, VALUE which) {
    Model* model = ModelOfCollection(self);
    Material* m = MaterialOf(model, which);
    if (!m) return Qfalse;
    model->RemoveMaterial(m);
    return Qtrue;
}

VALUE MaterialsCurrent(VALUE self) {
    VALUE current = rb_attr_get(self, CurrentId());
    if (NIL_P(current) || UnwrapEntity(current)->deleted) return Qnil;
    return current;
}

VALUE MaterialsSetCurrent(VALUE self, VALUE material) {
    if (!NIL_P(material) && MaterialOf(ModelOfCollection(self), material) == nullptr)
        rb_raise(rb_eArgError, "the material belongs to another model");
    rb_ivar_set(self, CurrentId(), material);
    return material;
}

VALUE MaterialsPurgeUnused(VALUE self) {
    ModelOfCollection(self)->PurgeUnusedMaterials();
    return self;
}

// ---- Material

VALUE MaterialName(VALUE self) { return Utf8(LiveMaterial(self)->name); }

VALUE MaterialSetName(VALUE self, VALUE name) {
    Material* m = LiveMaterial(self);
    StringValue(name);
    m->model->SetMaterialName(m, StringOf(name));
    return name;
}

// The name without the brackets SketchUp puts around the names of its built-in materials.
VALUE MaterialDisplayName(VALUE self) {
    const std::string& name = LiveMaterial(self)->name;
    if (name.size() >= 2 && name.front() == '[' && name.back() == ']')
        return rb_utf8_str_new(name.data() + 1, static_cast<long>(name.size() - 2));
    return Utf8(name);
}

VALUE MaterialColor(VALUE self) { return NewColor(LiveMaterial(self)->color); }

VALUE MaterialSetColor(VALUE self, VALUE color) {
    Material* m = LiveMaterial(self);
    Color c = ColorOf(color);
    m->model->SetMaterialColor(m, c);
    return color;
}

VALUE MaterialAlpha(VALUE self) { return DBL2NUM(LiveMaterial(self)->alpha); }

VALUE MaterialSetAlpha(VALUE self, VALUE alpha) {
    Material* m = LiveMaterial(self);
    double a = NUM2DBL(alpha);
    m->model->SetMaterialAlpha(m, a);
    return alpha;
}

VALUE MaterialUseAlpha(VALUE self) { return LiveMaterial(self)->useAlpha ? Qtrue : Qfalse; }

VALUE MaterialTexture(VALUE self) { return Wrap(LiveMaterial(self)->texture); }

// Loads the image into a new texture of the material. Without a size, one pixel spans one
// inch; with a width only, the height keeps the image's proportions.
bool LoadTexture(Material* m, const char* path, long pathLength, double width, double height) {
    std::string file(path, static_cast<size_t>(pathLength));
    std::optional<ImagePixels> image = LoadImageFile(file);
    if (!image) return false;
    if (width <= 0) width = image->pixelWidth;
    if (height <= 0) height = width * image->pixelHeight / image->pixelWidth;
    Texture* t = m->model->CreateTexture(image->pixelWidth, image->pixelHeight, image->bitsPerPixel,
                                         std::move(image->pixels), width, height, file);
    m->model->SetMaterialTexture(m, t);
    return true;
}

VALUE MaterialSetTexture(VALUE self, VALUE texture) {
    Material* m = LiveMaterial(self);
    if (NIL_P(texture)) {
        m->model->SetMaterialTexture(m, nullptr);
        return texture;
    }
    VALUE path = texture;
    double width = 0, height = 0;
    if (RB_TYPE_P(texture, T_ARRAY)) {
        long n = RARRAY_LEN(texture);
        if (n < 1 || n > 3) rb_raise(rb_eArgError, "expected [path], [path, width] or [path, width, height]");
        path = rb_ary_entry(texture, 0);
        if (n >= 2) width = NUM2DBL(rb_ary_entry(texture, 1));
        if (n == 3) height = NUM2DBL(rb_ary_entry(texture, 2));
    }
    StringValue(path);
    if (!LoadTexture(m, RSTRING_PTR(path), RSTRING_LEN(path), width, height))
        rb_raise(rb_eArgError, "could not load the texture image %" PRIsVALUE, path);
    return texture;
}

VALUE MaterialTypeOf(VALUE self) { return INT2NUM(static_cast<int>(LiveMaterial(self)->Type())); }

VALUE MaterialSetColorize(VALUE self, VALUE colorize) {
    Material* m = LiveMaterial(self);
    m->model->SetMaterialColorized(m, RTEST(colorize));
    return colorize;
}

// ---- Texture

VALUE TextureFilename(VALUE self) { return Utf8(LiveTexture(self)->fileName); }
VALUE TextureWidth(VALUE self) { return DBL2NUM(LiveTexture(self)->width); }
VALUE TextureHeight(VALUE self) { return DBL2NUM(LiveTexture(self)->height); }
VALUE TextureImageWidth(VALUE self) { return INT2NUM(LiveTexture(self)->pixelWidth); }
VALUE TextureImageHeight(VALUE self) { return INT2NUM(LiveTexture(self)->pixelHeight); }

VALUE TextureValid(VALUE self) {
    const Texture* t = static_cast<Texture*>(UnwrapEntity(self));
    return !t->deleted && t->pixelWidth > 0 && t->pixelHeight > 0 ? Qtrue : Qfalse;
}

// A single number sets the width and keeps the image's proportions; [w, h] sets both.
VALUE TextureSetSize(VALUE self, VALUE size) {
    Texture* t = LiveTexture(self);
    double width = 0, height = 0;
    if (RB_TYPE_P(size, T_ARRAY)) {
        if (RARRAY_LEN(size) != 2) rb_raise(rb_eArgError, "expected [width, height]");
        width = NUM2DBL(rb_ary_entry(size, 0));
        height = NUM2DBL(rb_ary_entry(size, 1));
    } else {
        width = NUM2DBL(size);
        height = t->pixelWidth > 0 ? width * t->pixelHeight / t->pixelWidth : width;
    }
    if (width <= 0 || height <= 0) rb_raise(rb_eArgError, "a texture's size must be positive");
    t->model->SetTextureSize(t, width, height);
    return size;
}

// The texture as a colorized material shows it: every pixel keeps its brightness relative to
// the image's average and takes the material's colour, so the average becomes that colour.
bool WriteColorized(const Texture& t, const Color& tint, const std::string& path) {
    Texture tinted(t.model, 0);
    tinted.pixelWidth = t.pixelWidth;
    tinted.pixelHeight = t.pixelHeight;
    tinted.bitsPerPixel = t.bitsPerPixel;
    tinted.pixels = t.pixels;
    const int channels = t.bitsPerPixel / 8;
    const size_t row = t.RowBytes();
    auto luminance = [](const uint8_t* bgr) { return 0.114 * bgr[0] + 0.587 * bgr[1] + 0.299 * bgr[2]; };
    double sum = 0;
    for (int y = 0; y < t.pixelHeight; ++y)
        for (int x = 0; x < t.pixelWidth; ++x) sum += luminance(&t.pixels[y * row + static_cast<size_t>(x * channels)]);
    const double average = sum / std::max(1, t.pixelWidth * t.pixelHeight);
    for (int y = 0; y < t.pixelHeight; ++y) {
        for (int x = 0; x < t.pixelWidth; ++x) {
            uint8_t* px = &tinted.pixels[y * row + static_cast<size_t>(x * channels)];
            const double scale = average > 0 ? luminance(px) / average : 1.0;
            px[0] = static_cast<uint8_t>(std::clamp(std::lround(tint.blue * scale), 0L, 255L));
            px[1] = static_cast<uint8_t>(std::clamp(std::lround(tint.green * scale), 0L, 255L));
            px[2] = static_cast<uint8_t>(std::clamp(std::lround(tint.red * scale), 0L, 255L));
        }
    }
    return WriteImageFile(path, tinted);
}

bool WriteTexture(const Texture& t, const char* path, long pathLength, bool colorize) {
    std::string file(path, static_cast<size_t>(pathLength));
    if (colorize) {
        for (const Material* m : t.model->materials)
            if (m->texture == &t && m->Type() == MaterialType::ColorizedTexture) return WriteColorized(t, m->color, file);
    }
    return WriteImageFile(file, t);
}

VALUE TextureWrite(int argc, VALUE* argv, VALUE self) {
    rb_check_arity(argc, 1, 2);
    Texture* t = LiveTexture(self);
    VALUE path = argv[0];
    StringValue(path);
    bool colorize = argc > 1 && RTEST(argv[1]);
    return WriteTexture(*t, RSTRING_PTR(path), RSTRING_LEN(path), colorize) ? Qtrue : Qfalse;
}

}  // namespace

void DefineMaterials() {
    VALUE L = k.cMaterials;
    rb_define_method(L, "each", MaterialsEach, 0);
    rb_define_method(L, "to_a", MaterialsToA, 0);
    rb_define_method(L, "size", MaterialsSize, 0);
    rb_define_method(L, "length", MaterialsSize, 0);
    rb_define_method(L, "count", MaterialsSize, 0);
    rb_define_method(L, "[]", MaterialsAt, 1);
    rb_define_method(L, "at", MaterialsAt, 1);
    rb_define_method(L, "add", MaterialsAdd, -1);
    rb_define_method(L, "remove", MaterialsRemove, 1);
    rb_define_method(L, "current", MaterialsCurrent, 0);
    rb_define_method(L, "current=", MaterialsSetCurrent, 1);
    rb_define_method(L, "purge_unused", MaterialsPurgeUnused, 0);
    rb_define_method(L, "model", CollectionModel, 0);

    VALUE M = k.cMaterial;
    rb_define_const(M, "MATERIAL_SOLID", INT2NUM(static_cast<int>(MaterialType::Colored)));
    rb_define_const(M, "MATERIAL_TEXTURED", INT2NUM(static_cast<int>(MaterialType::Textured)));
    rb_define_const(M, "MATERIAL_COLORIZED_TEXTURED", INT2NUM(static_cast<int>(MaterialType::ColorizedTexture)));
    rb_define_method(M, "name", MaterialName, 0);
    rb_define_method(M, "name=", MaterialSetName, 1);
    rb_define_method(M, "display_name", MaterialDisplayName, 0);
    rb_define_method(M, "color", MaterialColor, 0);
    rb_define_method(M, "color=", MaterialSetColor, 1);
    rb_define_method(M, "alpha", MaterialAlpha, 0);
    rb_define_method(M, "alpha=", MaterialSetAlpha, 1);
    rb_define_method(M, "use_alpha?", MaterialUseAlpha, 0);
    rb_define_method(M, "texture", MaterialTexture, 0);
    rb_define_method(M, "texture=", MaterialSetTexture, 1);
    rb_define_method(M, "materialType", MaterialTypeOf, 0);
    rb_define_method(M, "colorize=", MaterialSetColorize, 1);

    VALUE T = k.cTexture;
    rb_define_method(T, "filename", TextureFilename, 0);
    rb_define_method(T, "width", TextureWidth, 0);
    rb_define_method(T, "height", TextureHeight, 0);
    rb_define_method(T, "image_width", TextureImageWidth, 0);
    rb_define_method(T, "image_height", TextureImageHeight, 0);
    rb_define_method(T, "valid?", TextureValid, 0);
    rb_define_method(T, "size=", TextureSetSize, 1);
    rb_define_method(T, "write", TextureWrite, -1);
}

}  // namespace hostsim::ruby
