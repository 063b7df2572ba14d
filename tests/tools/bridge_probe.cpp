// KorvanBridgeProbe: a Ruby extension that exposes the plug-in's Ruby bridge to host tests, so
// that its conversions can be checked against a real interpreter and real hostsim entities.
// Like the plug-in, it needs the module Korvan to exist when it is loaded.
#include <ruby/ruby.h>

#include <string>
#include <vector>

#include "rubybridge/ruby_values.h"

namespace {

using namespace korvan::rb;

VALUE ProbeClassOf(VALUE, VALUE value) {
    return ClassOf(value);
}

VALUE ProbeToInt(VALUE, VALUE value) {
    return LONG2NUM(ToInt(value));
}

// [the value, whether it is an immediate small integer]
VALUE ProbeFromInt(VALUE, VALUE n) {
    const VALUE value = FromInt(NUM2INT(n));
    return rb_ary_new_from_args(2, value, RB_FIXNUM_P(value) ? Qtrue : Qfalse);
}

VALUE ProbeToValueVector(VALUE, VALUE value) {
    std::vector<VALUE>* elements = ToValueVector(value);
    if (!elements) return Qnil;
    const VALUE copy = rb_ary_new_capa(static_cast<long>(elements->size()));
    for (VALUE element : *elements) rb_ary_push(copy, element);
    delete elements;
    return copy;
}

// The UTF-16 units RubyToWide makes of the value.
VALUE ProbeWideUnits(VALUE, VALUE value) {
    const std::u16string wide = RubyToWide(value);
    const VALUE units = rb_ary_new_capa(static_cast<long>(wide.size()));
    for (char16_t unit : wide) rb_ary_push(units, INT2FIX(unit));
    return units;
}

// WideToRuby of the given UTF-16 units.
VALUE ProbeFromUnits(VALUE, VALUE units) {
    Check_Type(units, T_ARRAY);
    std::u16string wide;
    for (long i = 0; i < RARRAY_LEN(units); ++i)
        wide += static_cast<char16_t>(NUM2UINT(rb_ary_entry(units, i)));
    return WideToRuby(wide);
}

VALUE ProbeEntityIdOf(VALUE, VALUE entity) {
    return UINT2NUM(EntityIdOf(entity));
}
VALUE ProbeOwnerDefinitionId(VALUE, VALUE entity) {
    return UINT2NUM(OwnerDefinitionId(entity));
}
VALUE ProbeOwnerEntities(VALUE, VALUE entity) {
    return OwnerEntities(entity);
}

}  // namespace

extern "C" __attribute__((visibility("default"))) void Init_KorvanBridgeProbe() {
    const VALUE probe = rb_define_module("KorvanBridgeProbe");
    rb_define_module_function(probe, "class_of", ProbeClassOf, 1);
    rb_define_module_function(probe, "to_int", ProbeToInt, 1);
    rb_define_module_function(probe, "from_int", ProbeFromInt, 1);
    rb_define_module_function(probe, "to_value_vector", ProbeToValueVector, 1);
    rb_define_module_function(probe, "wide_units", ProbeWideUnits, 1);
    rb_define_module_function(probe, "from_units", ProbeFromUnits, 1);
    rb_define_module_function(probe, "entity_id_of", ProbeEntityIdOf, 1);
    rb_define_module_function(probe, "owner_definition_id", ProbeOwnerDefinitionId, 1);
    rb_define_module_function(probe, "owner_entities", ProbeOwnerEntities, 1);
}
