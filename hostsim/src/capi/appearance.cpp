// SUMaterial, SUTexture, SUImageRep, SULayer, SUAttributeDictionary, SURenderingOptions
// and SUScene.
#include "capi/support.h"
#include "model/image_file.h"

using namespace hostsim;
using namespace hostsim::capi;

namespace {

Material* AsMaterial(SUMaterialRef r) { return AsEntity<Material>(r.ptr, {RefType::Material}); }
Texture* AsTexture(SUTextureRef r) { return AsEntity<Texture>(r.ptr, {RefType::Texture}); }
Layer* AsLayer(SULayerRef r) { return AsEntity<Layer>(r.ptr, {RefType::Layer}); }

// Hands a typed value from the document to a caller's SUTypedValueRef.
SUResult SetTypedValue(SUTypedValueRef* out, const Value& v) {
    if (!out) return SU_ERROR_NULL_POINTER_OUTPUT;
    TypedValueImpl* t = AsHandle<TypedValueImpl>(out->ptr);
    if (!t) return SU_ERROR_INVALID_OUTPUT;
    t->value = v;
    if (std::holds_alternative<bool>(v)) t->type = SUTypedValueType_Bool;
    else if (std::holds_alternative<int64_t>(v)) t->type = SUTypedValueType_Int32;
    else if (std::holds_alternative<double>(v)) t->type = SUTypedValueType_Double;
    else if (std::holds_alternative<std::string>(v)) t->type = SUTypedValueType_String;
    else t->type = SUTypedValueType_Empty;
    return SU_ERROR_NONE;
}

void FillImageRep(ImageRepImpl& rep, const Texture& t) {
    rep.width = static_cast<size_t>(t.pixelWidth);
    rep.height = static_cast<size_t>(t.pixelHeight);
    rep.bitsPerPixel = static_cast<size_t>(t.bitsPerPixel);
    rep.rowPadding = t.RowBytes() - rep.width * rep.bitsPerPixel / 8;
    rep.data = t.pixels;
}

}  // namespace

extern "C" {

// ---- materials

SUResult SUMaterialGetName(SUMaterialRef material, SUStringRef* name) {
    Material* m = AsMaterial(material);
    if (!m) return SU_ERROR_INVALID_INPUT;
    return SetString(name, m->name);
}

// The internal name as older SketchUp versions reported it; hostsim keeps one name.
SUResult SUMaterialGetNameLegacyBehavior(SUMaterialRef material, SUStringRef* name) {
    return SUMaterialGetName(material, name);
}

SUResult SUMaterialGetColor(SUMaterialRef material, SUColor* color) {
    Material* m = AsMaterial(material);
    if (!m) return SU_ERROR_INVALID_INPUT;
    if (!color) return SU_ERROR_NULL_POINTER_OUTPUT;
    *color = {m->color.red, m->color.green, m->color.blue, m->color.alpha};
    return SU_ERROR_NONE;
}

SUResult SUMaterialGetTexture(SUMaterialRef material, SUTextureRef* texture) {
    Material* m = AsMaterial(material);
    if (!m) return SU_ERROR_INVALID_INPUT;
    if (!texture) return SU_ERROR_NULL_POINTER_OUTPUT;
    if (!m->texture) return SU_ERROR_NO_DATA;
    texture->ptr = m->texture;
    return SU_ERROR_NONE;
}

SUResult SUMaterialGetOpacity(SUMaterialRef material, double* alpha) {
    Material* m = AsMaterial(material);
    if (!m) return SU_ERROR_INVALID_INPUT;
    if (!alpha) return SU_ERROR_NULL_POINTER_OUTPUT;
    *alpha = m->alpha;
    return SU_ERROR_NONE;
}

SUResult SUMaterialGetUseOpacity(SUMaterialRef material, bool* use) {
    Material* m = AsMaterial(material);
    if (!m) return SU_ERROR_INVALID_INPUT;
    if (!use) return SU_ERROR_NULL_POINTER_OUTPUT;
    *use = m->useAlpha;
    return SU_ERROR_NONE;
}

SUResult SUMaterialGetType(SUMaterialRef material, enum SUMaterialType* type) {
    Material* m = AsMaterial(material);
    if (!m) return SU_ERROR_INVALID_INPUT;
    if (!type) return SU_ERROR_NULL_POINTER_OUTPUT;
    *type = static_cast<SUMaterialType>(m->Type());
    return SU_ERROR_NONE;
}

SUResult SUMaterialGetColorizeType(SUMaterialRef material, enum SUMaterialColorizeType* type) {
    Material* m = AsMaterial(material);
    if (!m) return SU_ERROR_INVALID_INPUT;
    if (!type) return SU_ERROR_NULL_POINTER_OUTPUT;
    *type = SUMaterialColorizeType_Shift;
    return SU_ERROR_NONE;
}

// ---- textures and image reps

SUResult SUTextureGetDimensions(SUTextureRef texture, size_t* width, size_t* height, double* sScale, double* tScale) {
    Texture* t = AsTexture(texture);
    if (!t) return SU_ERROR_INVALID_INPUT;
    if (!width || !height || !sScale || !tScale) return SU_ERROR_NULL_POINTER_OUTPUT;
    *width = static_cast<size_t>(t->pixelWidth);
    *height = static_cast<size_t>(t->pixelHeight);
    // One repeat of the texture spans width by height inches.
    *sScale = t->width > 0 ? 1.0 / t->width : 1.0;
    *tScale = t->height > 0 ? 1.0 / t->height : 1.0;
    return SU_ERROR_NONE;
}

SUResult SUTextureGetImageDataSize(SUTextureRef texture, size_t* size, size_t* bitsPerPixel) {
    Texture* t = AsTexture(texture);
    if (!t) return SU_ERROR_INVALID_INPUT;
    if (!size || !bitsPerPixel) return SU_ERROR_NULL_POINTER_OUTPUT;
    *size = static_cast<size_t>(t->pixelWidth) * static_cast<size_t>(t->pixelHeight) * (t->bitsPerPixel / 8);
    *bitsPerPixel = static_cast<size_t>(t->bitsPerPixel);
    return SU_ERROR_NONE;
}

SUResult SUTextureGetImageData(SUTextureRef texture, size_t size, SUByte pixels[]) {
    Texture* t = AsTexture(texture);
    if (!t) return SU_ERROR_INVALID_INPUT;
    if (!pixels) return SU_ERROR_NULL_POINTER_OUTPUT;
    std::vector<uint8_t> data = t->UnpaddedPixels();
    if (size < data.size()) return SU_ERROR_INSUFFICIENT_SIZE;
    std::copy(data.begin(), data.end(), pixels);
    return SU_ERROR_NONE;
}

SUResult SUTextureWriteToFile(SUTextureRef texture, const char* path) {
    Texture* t = AsTexture(texture);
    if (!t) return SU_ERROR_INVALID_INPUT;
    if (!path) return SU_ERROR_NULL_POINTER_INPUT;
    return WriteImageFile(path, *t) ? SU_ERROR_NONE : SU_ERROR_SERIALIZATION;
}

SUResult SUTextureGetFileName(SUTextureRef texture, SUStringRef* name) {
    Texture* t = AsTexture(texture);
    if (!t) return SU_ERROR_INVALID_INPUT;
    return SetString(name, t->fileName);
}

SUResult SUTextureGetImageRep(SUTextureRef texture, SUImageRepRef* image) {
    Texture* t = AsTexture(texture);
    if (!t) return SU_ERROR_INVALID_INPUT;
    if (!image) return SU_ERROR_NULL_POINTER_OUTPUT;
    ImageRepImpl* rep = AsHandle<ImageRepImpl>(image->ptr);
    if (!rep) return SU_ERROR_INVALID_OUTPUT;
    FillImageRep(*rep, *t);
    return SU_ERROR_NONE;
}

SUResult SUTextureGetUseAlphaChannel(SUTextureRef texture, bool* used) {
    Texture* t = AsTexture(texture);
    if (!t) return SU_ERROR_INVALID_INPUT;
    if (!used) return SU_ERROR_NULL_POINTER_OUTPUT;
    *used = t->bitsPerPixel == 32;
    return SU_ERROR_NONE;
}

SUResult SUImageGetImageRep(SUImageRef image, SUImageRepRef* out) {
    Image* i = AsEntity<Image>(image.ptr, {RefType::Image});
    if (!i) return SU_ERROR_INVALID_INPUT;
    if (!out) return SU_ERROR_NULL_POINTER_OUTPUT;
    ImageRepImpl* rep = AsHandle<ImageRepImpl>(out->ptr);
    if (!rep) return SU_ERROR_INVALID_OUTPUT;
    if (!i->imageMaterial || !i->imageMaterial->texture) return SU_ERROR_NO_DATA;
    FillImageRep(*rep, *i->imageMaterial->texture);
    return SU_ERROR_NONE;
}

struct SUColorOrder SUGetColorOrder(void) { return {2, 1, 0, 3}; }  // BGRA, as on Windows

SUResult SUImageRepCreate(SUImageRepRef* image) {
    if (!image) return SU_ERROR_NULL_POINTER_OUTPUT;
    if (image->ptr) return SU_ERROR_OVERWRITE_VALID;
    image->ptr = new ImageRepImpl();
    return SU_ERROR_NONE;
}

SUResult SUImageRepRelease(SUImageRepRef* image) {
    if (!image) return SU_ERROR_NULL_POINTER_INPUT;
    ImageRepImpl* rep = AsHandle<ImageRepImpl>(image->ptr);
    if (!rep) return SU_ERROR_INVALID_INPUT;
    delete rep;
    image->ptr = nullptr;
    return SU_ERROR_NONE;
}

SUResult SUImageRepGetDataSize(SUImageRepRef image, size_t* size, size_t* bitsPerPixel) {
    ImageRepImpl* rep = AsHandle<ImageRepImpl>(image.ptr);
    if (!rep) return SU_ERROR_INVALID_INPUT;
    if (!size || !bitsPerPixel) return SU_ERROR_NULL_POINTER_OUTPUT;
    *size = rep->data.size();
    *bitsPerPixel = rep->bitsPerPixel;
    return SU_ERROR_NONE;
}

SUResult SUImageRepGetData(SUImageRepRef image, size_t size, SUByte pixels[]) {
    ImageRepImpl* rep = AsHandle<ImageRepImpl>(image.ptr);
    if (!rep) return SU_ERROR_INVALID_INPUT;
    if (!pixels) return SU_ERROR_NULL_POINTER_OUTPUT;
    if (rep->data.empty()) return SU_ERROR_NO_DATA;
    if (size < rep->data.size()) return SU_ERROR_INSUFFICIENT_SIZE;
    std::copy(rep->data.begin(), rep->data.end(), pixels);
    return SU_ERROR_NONE;
}

SUResult SUImageRepGetPixelDimensions(SUImageRepRef image, size_t* width, size_t* height) {
    ImageRepImpl* rep = AsHandle<ImageRepImpl>(image.ptr);
    if (!rep) return SU_ERROR_INVALID_INPUT;
    if (!width || !height) return SU_ERROR_NULL_POINTER_OUTPUT;
    *width = rep->width;
    *height = rep->height;
    return SU_ERROR_NONE;
}

SUResult SUImageRepGetRowPadding(SUImageRepRef image, size_t* padding) {
    ImageRepImpl* rep = AsHandle<ImageRepImpl>(image.ptr);
    if (!rep) return SU_ERROR_INVALID_INPUT;
    if (!padding) return SU_ERROR_NULL_POINTER_OUTPUT;
    *padding = rep->rowPadding;
    return SU_ERROR_NONE;
}

// ---- layers

SUResult SULayerGetName(SULayerRef layer, SUStringRef* name) {
    Layer* l = AsLayer(layer);
    if (!l) return SU_ERROR_INVALID_INPUT;
    return SetString(name, l->name);
}

SUResult SULayerGetVisibility(SULayerRef layer, bool* visible) {
    Layer* l = AsLayer(layer);
    if (!l) return SU_ERROR_INVALID_INPUT;
    if (!visible) return SU_ERROR_NULL_POINTER_OUTPUT;
    *visible = l->visible;
    return SU_ERROR_NONE;
}

SUResult SULayerGetMaterial(SULayerRef layer, SUMaterialRef* material) {
    Layer* l = AsLayer(layer);
    if (!l) return SU_ERROR_INVALID_INPUT;
    if (!material) return SU_ERROR_NULL_POINTER_OUTPUT;
    if (!l->material) return SU_ERROR_NO_DATA;
    material->ptr = l->material;
    return SU_ERROR_NONE;
}

// ---- attribute dictionaries

SUResult SUAttributeDictionaryGetName(SUAttributeDictionaryRef dict, SUStringRef* name) {
    auto* d = AsEntity<AttributeDictionary>(dict.ptr, {RefType::AttributeDictionary});
    if (!d) return SU_ERROR_INVALID_INPUT;
    return SetString(name, d->name);
}

SUResult SUAttributeDictionaryGetValue(SUAttributeDictionaryRef dict, const char* key, SUTypedValueRef* value) {
    auto* d = AsEntity<AttributeDictionary>(dict.ptr, {RefType::AttributeDictionary});
    if (!d) return SU_ERROR_INVALID_INPUT;
    if (!key) return SU_ERROR_NULL_POINTER_INPUT;
    if (!value) return SU_ERROR_NULL_POINTER_OUTPUT;
    if (!AsHandle<TypedValueImpl>(value->ptr)) return SU_ERROR_INVALID_OUTPUT;
    auto it = d->values.find(key);
    if (it == d->values.end()) return SU_ERROR_NO_DATA;
    return SetTypedValue(value, it->second);
}

SUResult SUAttributeDictionaryGetNumKeys(SUAttributeDictionaryRef dict, size_t* count) {
    auto* d = AsEntity<AttributeDictionary>(dict.ptr, {RefType::AttributeDictionary});
    if (!d) return SU_ERROR_INVALID_INPUT;
    if (!count) return SU_ERROR_NULL_POINTER_OUTPUT;
    *count = d->values.size();
    return SU_ERROR_NONE;
}

SUResult SUAttributeDictionaryGetKeys(SUAttributeDictionaryRef dict, size_t len, SUStringRef keys[], size_t* count) {
    auto* d = AsEntity<AttributeDictionary>(dict.ptr, {RefType::AttributeDictionary});
    if (!d) return SU_ERROR_INVALID_INPUT;
    if (!keys || !count) return SU_ERROR_NULL_POINTER_OUTPUT;
    size_t n = 0;
    for (auto it = d->values.begin(); it != d->values.end() && n < len; ++it, ++n) {
        SUResult r = SetString(&keys[n], it->first);
        if (r != SU_ERROR_NONE) return r;
    }
    *count = n;
    return SU_ERROR_NONE;
}

// ---- rendering options (the reference holds the model)

SUResult SURenderingOptionsGetNumKeys(SURenderingOptionsRef options, size_t* count) {
    Object* o = AsObject(options.ptr);
    if (!o || o->type != RefType::Model) return SU_ERROR_INVALID_INPUT;
    if (!count) return SU_ERROR_NULL_POINTER_OUTPUT;
    *count = static_cast<Model*>(o)->renderingOptions.size();
    return SU_ERROR_NONE;
}

SUResult SURenderingOptionsGetKeys(SURenderingOptionsRef options, size_t len, SUStringRef keys[], size_t* count) {
    Object* o = AsObject(options.ptr);
    if (!o || o->type != RefType::Model) return SU_ERROR_INVALID_INPUT;
    if (!keys || !count) return SU_ERROR_NULL_POINTER_OUTPUT;
    size_t n = 0;
    for (const auto& [key, value] : static_cast<Model*>(o)->renderingOptions) {
        if (n == len) break;
        SUResult r = SetString(&keys[n++], key);
        if (r != SU_ERROR_NONE) return r;
    }
    *count = n;
    return SU_ERROR_NONE;
}

SUResult SURenderingOptionsGetValue(SURenderingOptionsRef options, const char* key, SUTypedValueRef* value) {
    Object* o = AsObject(options.ptr);
    if (!o || o->type != RefType::Model) return SU_ERROR_INVALID_INPUT;
    if (!key) return SU_ERROR_NULL_POINTER_INPUT;
    if (!value) return SU_ERROR_NULL_POINTER_OUTPUT;
    if (!AsHandle<TypedValueImpl>(value->ptr)) return SU_ERROR_INVALID_OUTPUT;
    const auto& all = static_cast<Model*>(o)->renderingOptions;
    auto it = all.find(key);
    if (it == all.end()) return SU_ERROR_NO_DATA;
    return SetTypedValue(value, it->second);
}

// ---- scenes

SUResult SUSceneGetName(SUSceneRef scene, SUStringRef* name) {
    Page* p = AsEntity<Page>(scene.ptr, {RefType::Scene});
    if (!p) return SU_ERROR_INVALID_INPUT;
    return SetString(name, p->name);
}

}  // extern "C"
