// Sketchup::RenderingOptions, Sketchup::ShadowInfo and Sketchup::Tools, and HostSim.select_tool
// for scripts playing the user.
#include <string>
#include <variant>

#include "ruby/appearance_and_view.h"
#include "ruby/entity_bindings.h"
#include "ruby/wrap.h"

namespace hostsim::ruby {

namespace {

// ---- RenderingOptions

VALUE ValueToRuby(const Value& v) {
    struct {
        VALUE operator()(std::monostate) const { return Qnil; }
        VALUE operator()(bool b) const { return b ? Qtrue : Qfalse; }
        VALUE operator()(int64_t n) const { return LL2NUM(n); }
        VALUE operator()(double d) const { return DBL2NUM(d); }
        VALUE operator()(const std::string& s) const { return Utf8(s); }
    } convert;
    return std::visit(convert, v);
}

// The option's value in the model's terms; the Ruby value's type was checked by the caller.
void StoreOption(Model* model, VALUE key, VALUE value) {
    std::string name(RSTRING_PTR(key), static_cast<size_t>(RSTRING_LEN(key)));
    Value v;
    if (value == Qtrue || value == Qfalse) v = value == Qtrue;
    else if (RB_FLOAT_TYPE_P(value)) v = RFLOAT_VALUE(value);
    else if (RB_TYPE_P(value, T_STRING)) v = std::string(RSTRING_PTR(value), static_cast<size_t>(RSTRING_LEN(value)));
    else v = static_cast<int64_t>(NUM2LL(value));  // a Fixnum: cannot raise
    model->SetRenderingOption(name, v);
}

VALUE OptionsGet(VALUE self, VALUE key) {
    const auto& options = ModelOfCollection(self)->renderingOptions;
    VALUE name = rb_obj_as_string(key);
    auto it = options.find(StringOf(name));
    return it == options.end() ? Qnil : ValueToRuby(it->second);
}

VALUE OptionsSet(VALUE self, VALUE key, VALUE value) {
    Model* model = ModelOfCollection(self);
    VALUE name = rb_obj_as_string(key);
    const bool supported = value == Qtrue || value == Qfalse || RB_FLOAT_TYPE_P(value) || RB_TYPE_P(value, T_STRING) ||
                           RB_FIXNUM_P(value);
    if (!supported) rb_raise(rb_eTypeError, "a rendering option is true, false, an Integer, a Float or a String");
    StoreOption(model, name, value);
    return value;
}

// [[key, value], ...] built before any block runs.
VALUE OptionPairs(VALUE self) {
    VALUE pairs = rb_ary_new();
    for (const auto& [key, value] : ModelOfCollection(self)->renderingOptions)
        rb_ary_push(pairs, rb_assoc_new(Utf8(key), ValueToRuby(value)));
    return pairs;
}

VALUE OptionsEach(VALUE self) {
    RETURN_ENUMERATOR(self, 0, nullptr);
    VALUE pairs = OptionPairs(self);
    for (long i = 0; i < RARRAY_LEN(pairs); ++i) {
        VALUE pair = rb_ary_entry(pairs, i);
        rb_yield_values(2, rb_ary_entry(pair, 0), rb_ary_entry(pair, 1));
    }
    return self;
}

VALUE OptionsKeys(VALUE self) {
    VALUE keys = rb_ary_new();
    for (const auto& entry : ModelOfCollection(self)->renderingOptions) rb_ary_push(keys, Utf8(entry.first));
    return keys;
}

VALUE OptionsEachKey(VALUE self) {
    RETURN_ENUMERATOR(self, 0, nullptr);
    return YieldElements(self, OptionsKeys(self));
}

// ---- ShadowInfo: the model's sun and location settings, kept with the model's ShadowInfo
// object. Nothing in the document reads them.

ID SettingsId() {
    static ID id = rb_intern("__settings");
    return id;
}

VALUE Settings(VALUE self) {
    VALUE settings = rb_attr_get(self, SettingsId());
    if (NIL_P(settings)) {
        // SketchUp's defaults for a new model.
        settings = rb_hash_new();
        rb_hash_aset(settings, rb_str_new_cstr("City"), rb_str_new_cstr("Boulder (CO)"));
        rb_hash_aset(settings, rb_str_new_cstr("Country"), rb_str_new_cstr("USA"));
        rb_hash_aset(settings, rb_str_new_cstr("Latitude"), DBL2NUM(40.017));
        rb_hash_aset(settings, rb_str_new_cstr("Longitude"), DBL2NUM(-105.283));
        rb_hash_aset(settings, rb_str_new_cstr("TZOffset"), DBL2NUM(-7.0));
        rb_hash_aset(settings, rb_str_new_cstr("DisplayShadows"), Qfalse);
        rb_hash_aset(settings, rb_str_new_cstr("UseSunForAllShading"), Qfalse);
        rb_hash_aset(settings, rb_str_new_cstr("Light"), INT2NUM(80));
        rb_hash_aset(settings, rb_str_new_cstr("Dark"), INT2NUM(45));
        rb_ivar_set(self, SettingsId(), settings);
    }
    return settings;
}

VALUE ShadowGet(VALUE self, VALUE key) { return rb_hash_aref(Settings(self), rb_obj_as_string(key)); }

VALUE ShadowSet(VALUE self, VALUE key, VALUE value) {
    rb_hash_aset(Settings(self), rb_obj_as_string(key), value);
    return value;
}

VALUE ShadowKeys(VALUE self) { return rb_funcall(Settings(self), rb_intern("keys"), 0); }

VALUE ShadowEach(VALUE self) {
    RETURN_ENUMERATOR(self, 0, nullptr);
    VALUE pairs = rb_funcall(Settings(self), rb_intern("to_a"), 0);
    for (long i = 0; i < RARRAY_LEN(pairs); ++i) {
        VALUE pair = rb_ary_entry(pairs, i);
        rb_yield_values(2, rb_ary_entry(pair, 0), rb_ary_entry(pair, 1));
    }
    return self;
}

// ---- Tools

VALUE ToolId(VALUE self) { return INT2NUM(ModelOfCollection(self)->activeToolId); }
VALUE ToolName(VALUE self) { return Utf8(ModelOfCollection(self)->activeToolName); }

// The user picks a tool in the active model.
VALUE SelectTool(int argc, VALUE* argv, VALUE) {
    rb_check_arity(argc, 1, 2);
    int id = NUM2INT(argv[0]);
    VALUE name = argc > 1 ? argv[1] : rb_str_new(nullptr, 0);
    StringValue(name);
    App::Instance().ActiveModel()->SetActiveTool(id, StringOf(name));
    return Qnil;
}

}  // namespace

void DefineOptions() {
    VALUE R = k.cRenderingOptions;
    rb_define_method(R, "[]", OptionsGet, 1);
    rb_define_method(R, "[]=", OptionsSet, 2);
    rb_define_method(R, "each", OptionsEach, 0);
    rb_define_method(R, "each_pair", OptionsEach, 0);
    rb_define_method(R, "each_key", OptionsEachKey, 0);
    rb_define_method(R, "keys", OptionsKeys, 0);
    rb_define_method(R, "model", CollectionModel, 0);

    VALUE S = k.cShadowInfo;
    rb_define_method(S, "[]", ShadowGet, 1);
    rb_define_method(S, "[]=", ShadowSet, 2);
    rb_define_method(S, "each", ShadowEach, 0);
    rb_define_method(S, "each_pair", ShadowEach, 0);
    rb_define_method(S, "keys", ShadowKeys, 0);
    rb_define_method(S, "model", CollectionModel, 0);

    VALUE T = k.cTools;
    rb_define_method(T, "active_tool_id", ToolId, 0);
    rb_define_method(T, "active_tool_name", ToolName, 0);
    rb_define_method(T, "model", CollectionModel, 0);
    rb_define_module_function(k.mHostSim, "select_tool", SelectTool, -1);
}

}  // namespace hostsim::ruby
