// Shared by the C API functions: turning references into document objects, the objects the
// API creates for its callers (strings, typed values, image reps, mesh helpers, openings),
// and the array-getter convention.
#pragma once

#include <SketchUpAPI/sketchup.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "mesh/face_mesh.h"
#include "model/app.h"
#include "model/attributes.h"

namespace hostsim::capi {

// An object the API hands out and the caller releases. The tag tells a reference of one kind
// from another and from a released or foreign one.
struct Handle {
    explicit Handle(uint32_t t) : tag(t) {}
    ~Handle() { tag = 0; }
    uint32_t tag;
};

struct StringImpl : Handle {
    static constexpr uint32_t kTag = 0x53545231;  // "STR1"
    StringImpl() : Handle(kTag) {}
    std::string utf8;
};

struct TypedValueImpl : Handle {
    static constexpr uint32_t kTag = 0x54564131;
    TypedValueImpl() : Handle(kTag) {}
    SUTypedValueType type = SUTypedValueType_Empty;
    Value value;
    SUColor color{};
    double vector[3] = {0, 0, 0};
};

struct ImageRepImpl : Handle {
    static constexpr uint32_t kTag = 0x494D5231;
    ImageRepImpl() : Handle(kTag) {}
    size_t width = 0, height = 0, bitsPerPixel = 0, rowPadding = 0;
    std::vector<uint8_t> data;
};

struct MeshHelperImpl : Handle {
    static constexpr uint32_t kTag = 0x4D534831;
    MeshHelperImpl() : Handle(kTag) {}
    FaceMesh mesh;
};

struct OpeningImpl : Handle {
    static constexpr uint32_t kTag = 0x4F504E31;
    OpeningImpl() : Handle(kTag) {}
    std::vector<Vec3> points;
};

template <typename T>
T* AsHandle(const void* ptr) {
    auto* h = static_cast<T*>(const_cast<void*>(ptr));
    return h && h->tag == T::kTag ? h : nullptr;
}

// A document object of one of the given types; null for a null, deleted or mistyped reference.
inline Object* AsObject(const void* ptr) { return static_cast<Object*>(const_cast<void*>(ptr)); }

template <typename T>
T* AsEntity(const void* ptr, std::initializer_list<RefType> types) {
    Object* o = AsObject(ptr);
    if (!o || std::find(types.begin(), types.end(), o->type) == types.end()) return nullptr;
    auto* e = static_cast<T*>(o);
    if constexpr (std::is_base_of_v<Entity, T>) {
        if (e->deleted) return nullptr;
    }
    return e;
}

inline bool IsDrawingElementType(RefType t) {
    return t == RefType::Face || t == RefType::Edge || t == RefType::Group || t == RefType::ComponentInstance ||
           t == RefType::Image || t == RefType::ComponentDefinition;
}

// Copies up to len references into out and reports how many in *count, as the SDK's array
// getters do.
template <typename Ref, typename T>
SUResult FillArray(const std::vector<T*>& items, size_t len, Ref out[], size_t* count) {
    if (!out || !count) return SU_ERROR_NULL_POINTER_OUTPUT;
    size_t n = std::min(len, items.size());
    for (size_t i = 0; i < n; ++i) out[i].ptr = items[i];
    *count = n;
    return SU_ERROR_NONE;
}

template <typename T>
SUResult Count(const std::vector<T*>& items, size_t* count) {
    if (!count) return SU_ERROR_NULL_POINTER_OUTPUT;
    *count = items.size();
    return SU_ERROR_NONE;
}

// Writes a UTF-8 text into a caller's SUStringRef, which must have been created.
SUResult SetString(SUStringRef* out, const std::string& utf8);

template <typename Ref>
Ref RefTo(const void* p) {
    Ref r;
    r.ptr = const_cast<void*>(p);
    return r;
}

inline SUPoint3D ToPoint(const Vec3& v) { return {v.x, v.y, v.z}; }
inline SUVector3D ToVector(const Vec3& v) { return {v.x, v.y, v.z}; }

}  // namespace hostsim::capi
