// KorvanBridgeProbe: a Ruby extension that exposes the plug-in's Ruby bridge to host tests, so
// that its conversions can be checked against a real interpreter and real hostsim entities.
// Like the plug-in, it needs the module Korvan to exist when it is loaded.
#include <ruby/ruby.h>

#include <string>
#include <vector>

#include "rubybridge/ruby_values.h"
#include "rubybridge/status_bar.h"
#include "rubybridge/string_utilities.h"

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

// set_status_text(), set_status_text(text)
VALUE ProbeSetStatusText(int argc, VALUE* argv, VALUE) {
    rb_check_arity(argc, 0, 1);
    if (argc == 0) {
        SetStatusText();
    } else {
        const std::u16string text = RubyToWide(argv[0]);
        SetStatusText(text);
    }
    return Qnil;
}

// set_value_box(value, label): nil stands for an absent one.
VALUE ProbeSetValueBox(VALUE, VALUE value, VALUE label) {
    const std::u16string valueText = RubyToWide(value), labelText = RubyToWide(label);
    SetValueBox(NIL_P(value) ? std::nullopt : std::optional<std::u16string_view>(valueText),
                NIL_P(label) ? std::nullopt : std::optional<std::u16string_view>(labelText));
    return Qnil;
}

VALUE ProbeClearValueBox(VALUE) {
    ClearValueBox();
    return Qnil;
}

VALUE ProbeHashPath(VALUE, VALUE path) {
    return ULL2NUM(korvan::HashPath(RubyToWide(path)));
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
    rb_define_module_function(probe, "set_status_text", ProbeSetStatusText, -1);
    rb_define_module_function(probe, "set_value_box", ProbeSetValueBox, 2);
    rb_define_module_function(probe, "clear_value_box", ProbeClearValueBox, 0);
    rb_define_module_function(probe, "hash_path", ProbeHashPath, 1);
}
