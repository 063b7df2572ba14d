// Argument packing shared by the entity and model bindings (see entity_bindings.h).
#include <cstring>

#include <ruby/encoding.h>

#include "ruby/entity_bindings.h"
#include "ruby/wrap.h"

namespace hostsim::ruby {

VALUE ArgumentList(int argc, const VALUE* argv) {
    if (argc == 1 && RB_TYPE_P(argv[0], T_ARRAY)) return argv[0];
    return rb_ary_new_from_values(argc, argv);
}

VALUE PackPoints(VALUE list) {
    Check_Type(list, T_ARRAY);
    VALUE packed = rb_str_buf_new(RARRAY_LEN(list) * static_cast<long>(sizeof(Vec3)));
    for (long i = 0; i < RARRAY_LEN(list); ++i) {
        Vec3 p = PointOf(rb_ary_entry(list, i));
        rb_str_cat(packed, reinterpret_cast<const char*>(&p), sizeof p);
    }
    return packed;
}

std::vector<Vec3> UnpackPoints(VALUE packed) {
    std::vector<Vec3> points(static_cast<size_t>(RSTRING_LEN(packed)) / sizeof(Vec3));
    if (!points.empty()) memcpy(points.data(), RSTRING_PTR(packed), points.size() * sizeof(Vec3));
    return points;
}

VALUE PackElements(VALUE list) {
    Check_Type(list, T_ARRAY);
    VALUE packed = rb_str_buf_new(RARRAY_LEN(list) * static_cast<long>(sizeof(DrawingElement*)));
    for (long i = 0; i < RARRAY_LEN(list); ++i) {
        DrawingElement* e = UnwrapDrawingElement(rb_ary_entry(list, i));
        rb_str_cat(packed, reinterpret_cast<const char*>(&e), sizeof e);
    }
    return packed;
}

std::vector<DrawingElement*> UnpackElements(VALUE packed) {
    std::vector<DrawingElement*> elements(static_cast<size_t>(RSTRING_LEN(packed)) / sizeof(DrawingElement*));
    if (!elements.empty())
        memcpy(elements.data(), RSTRING_PTR(packed), elements.size() * sizeof(DrawingElement*));
    return elements;
}

VALUE PackText(VALUE v) {
    VALUE s = rb_str_export_to_enc(rb_obj_as_string(v), rb_utf8_encoding());
    return rb_str_new_frozen(s);
}

std::string TextOf(VALUE packed) { return {RSTRING_PTR(packed), static_cast<size_t>(RSTRING_LEN(packed))}; }

VALUE YieldElements(VALUE self, VALUE list) {
    for (long i = 0; i < RARRAY_LEN(list); ++i) rb_yield(rb_ary_entry(list, i));
    return self;
}

VALUE OwnerOf(Entities* in) {
    if (!in) return Qnil;
    return in->definition ? Wrap(in->definition) : Wrap(in->model);
}

}  // namespace hostsim::ruby
