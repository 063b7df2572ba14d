// Attribute dictionaries: Sketchup::AttributeDictionary, Sketchup::AttributeDictionaries and
// Entity's get_attribute/set_attribute/delete_attribute. Every change goes through the model, so
// it is undoable and a material's attributes report a material change.
#include <string_view>

#include <ruby/encoding.h>

#include "ruby/entity_bindings.h"
#include "ruby/wrap.h"

namespace hostsim::ruby {

namespace {

std::string_view View(VALUE packed) { return {RSTRING_PTR(packed), static_cast<size_t>(RSTRING_LEN(packed))}; }

AttributeDictionary* FindDictionary(const Entity* e, std::string_view name) {
    for (AttributeDictionary* d : e->dictionaries)
        if (!d->deleted && d->name == name) return d;
    return nullptr;
}

const Value* FindValue(const AttributeDictionary* d, VALUE packedKey) {
    if (!d) return nullptr;
    auto it = d->values.find(TextOf(packedKey));
    return it == d->values.end() ? nullptr : &it->second;
}

VALUE RubyValue(const Value& v) {
    switch (v.index()) {
        case 1: return std::get<bool>(v) ? Qtrue : Qfalse;
        case 2: return LL2NUM(std::get<int64_t>(v));
        case 3: return DBL2NUM(std::get<double>(v));
        case 4: return Utf8(std::get<std::string>(v));
        default: return Qnil;
    }
}

// May raise: the value as it will be stored (strings become frozen UTF-8 copies). Integers
// must fit in 64 bits.
VALUE CheckValue(VALUE v) {
    if (NIL_P(v) || v == Qtrue || v == Qfalse || RB_FLOAT_TYPE_P(v)) return v;
    if (RB_INTEGER_TYPE_P(v)) {
        (void)NUM2LL(v);
        return v;
    }
    if (RB_TYPE_P(v, T_STRING) || RB_TYPE_P(v, T_SYMBOL)) return PackText(v);
    rb_raise(rb_eTypeError, "attribute values must be true, false, nil, an Integer, a Float or a String, not %" PRIsVALUE,
             rb_obj_class(v));
    return Qnil;
}

Value StoredValue(VALUE checked) {
    if (checked == Qtrue) return true;
    if (checked == Qfalse) return false;
    if (RB_FLOAT_TYPE_P(checked)) return RFLOAT_VALUE(checked);
    if (RB_INTEGER_TYPE_P(checked)) return static_cast<int64_t>(NUM2LL(checked));
    if (RB_TYPE_P(checked, T_STRING)) return TextOf(checked);
    return std::monostate{};
}

void Store(Entity* e, VALUE dict, VALUE key, VALUE checked) {
    e->model->SetAttribute(e, TextOf(dict), TextOf(key), StoredValue(checked));
}

bool Remove(Entity* e, VALUE dict, VALUE key) {
    AttributeDictionary* d = FindDictionary(e, View(dict));
    if (!FindValue(d, key)) return false;
    e->model->DeleteAttribute(e, TextOf(dict), TextOf(key));
    return true;
}

// Deleting a whole dictionary empties it in one operation; the empty dictionary stays attached.
bool RemoveAll(Entity* e, VALUE dict) {
    AttributeDictionary* d = FindDictionary(e, View(dict));
    if (!d || d->values.empty()) return d != nullptr;
    std::vector<std::string> keys;
    for (const auto& [key, value] : d->values) keys.push_back(key);
    AsOneOperation(e->model, "Attribute", [&] {
        for (const std::string& key : keys) e->model->DeleteAttribute(e, d->name, key);
    });
    return true;
}

AttributeDictionary* Dictionary(Entity* e, VALUE name, bool create) {
    AttributeDictionary* d = FindDictionary(e, View(name));
    if (d || !create) return d;
    return e->model->Dictionary(e, TextOf(name), true);
}

// ---- Entity's attribute methods

VALUE EntityDictionaries(VALUE self) {
    Entity* e = UnwrapEntity(self);
    bool any = false;
    for (const AttributeDictionary* d : e->dictionaries) any = any || !d->deleted;
    if (!any) return Qnil;
    static ID cache = rb_intern("__attribute_dictionaries");
    VALUE list = rb_attr_get(self, cache);
    if (NIL_P(list)) {
        list = rb_data_object_wrap(k.cAttributeDictionaries, e, nullptr, nullptr);
        rb_ivar_set(self, cache, list);
    }
    return list;
}

VALUE EntityDictionary(int argc, VALUE* argv, VALUE self) {
    rb_check_arity(argc, 1, 2);
    Entity* e = UnwrapLiveEntity(self);
    VALUE name = PackText(argv[0]);
    bool create = argc > 1 && RTEST(argv[1]);
    return Wrap(Dictionary(e, name, create));
}

VALUE EntityGetAttribute(int argc, VALUE* argv, VALUE self) {
    rb_check_arity(argc, 2, 3);
    Entity* e = UnwrapEntity(self);
    VALUE dict = PackText(argv[0]), key = PackText(argv[1]);
    const Value* v = FindValue(FindDictionary(e, View(dict)), key);
    if (!v) return argc > 2 ? argv[2] : Qnil;
    return RubyValue(*v);
}

VALUE EntitySetAttribute(VALUE self, VALUE dictName, VALUE keyName, VALUE value) {
    Entity* e = UnwrapLiveEntity(self);
    VALUE dict = PackText(dictName), key = PackText(keyName), checked = CheckValue(value);
    Store(e, dict, key, checked);
    return value;
}

VALUE EntityDeleteAttribute(int argc, VALUE* argv, VALUE self) {
    rb_check_arity(argc, 1, 2);
    Entity* e = UnwrapLiveEntity(self);
    VALUE dict = PackText(argv[0]);
    if (argc == 1) return RemoveAll(e, dict) ? Qtrue : Qfalse;
    VALUE key = PackText(argv[1]);
    return Remove(e, dict, key) ? Qtrue : Qfalse;
}

// ---- AttributeDictionaries: the data pointer is the entity that owns them

Entity* OwnerOfDictionaries(VALUE self) { return static_cast<Entity*>(DATA_PTR(self)); }

VALUE LiveDictionaries(Entity* e) {
    VALUE list = rb_ary_new();
    for (AttributeDictionary* d : e->dictionaries)
        if (!d->deleted) rb_ary_push(list, Wrap(d));
    return list;
}

VALUE DictionariesEach(VALUE self) {
    RETURN_ENUMERATOR(self, 0, nullptr);
    return YieldElements(self, LiveDictionaries(OwnerOfDictionaries(self)));
}

VALUE DictionariesSize(VALUE self) { return LONG2NUM(RARRAY_LEN(LiveDictionaries(OwnerOfDictionaries(self)))); }

VALUE DictionariesAt(VALUE self, VALUE name) {
    VALUE packed = PackText(name);
    return Wrap(FindDictionary(OwnerOfDictionaries(self), View(packed)));
}

VALUE DictionariesDelete(VALUE self, VALUE name) {
    VALUE packed = PackText(name);
    RemoveAll(OwnerOfDictionaries(self), packed);
    return Qnil;
}

// ---- AttributeDictionary

AttributeDictionary* LiveDictionary(VALUE self) {
    auto* d = Unwrap<AttributeDictionary>(self, RefType::AttributeDictionary);
    if (d->deleted || !d->owner) rb_raise(rb_eTypeError, "Reference to deleted AttributeDictionary");
    return d;
}

VALUE DictName(VALUE self) { return Utf8(LiveDictionary(self)->name); }

VALUE DictGet(VALUE self, VALUE keyName) {
    AttributeDictionary* d = LiveDictionary(self);
    VALUE key = PackText(keyName);
    const Value* v = FindValue(d, key);
    return v ? RubyValue(*v) : Qnil;
}

VALUE DictSet(VALUE self, VALUE keyName, VALUE value) {
    AttributeDictionary* d = LiveDictionary(self);
    VALUE dict = Utf8(d->name), key = PackText(keyName), checked = CheckValue(value);
    Store(d->owner, dict, key, checked);
    return value;
}

VALUE DictDeleteKey(VALUE self, VALUE keyName) {
    AttributeDictionary* d = LiveDictionary(self);
    VALUE key = PackText(keyName);
    const Value* v = FindValue(d, key);
    if (!v) return Qnil;
    VALUE old = RubyValue(*v);
    Remove(d->owner, Utf8(d->name), key);
    return old;
}

VALUE DictKeys(VALUE self) {
    AttributeDictionary* d = LiveDictionary(self);
    VALUE keys = rb_ary_new_capa(static_cast<long>(d->values.size()));
    for (const auto& entry : d->values) rb_ary_push(keys, Utf8(entry.first));
    return keys;
}

VALUE DictValues(VALUE self) {
    AttributeDictionary* d = LiveDictionary(self);
    VALUE values = rb_ary_new_capa(static_cast<long>(d->values.size()));
    for (const auto& entry : d->values) rb_ary_push(values, RubyValue(entry.second));
    return values;
}

VALUE DictEach(VALUE self) {
    RETURN_ENUMERATOR(self, 0, nullptr);
    VALUE pairs = rb_ary_new();
    for (const auto& entry : LiveDictionary(self)->values)
        rb_ary_push(pairs, rb_assoc_new(Utf8(entry.first), RubyValue(entry.second)));
    return YieldElements(self, pairs);
}

VALUE DictSize(VALUE self) { return SIZET2NUM(LiveDictionary(self)->values.size()); }

}  // namespace

void DefineAttributes() {
    VALUE E = k.cEntity;
    rb_define_method(E, "attribute_dictionaries", EntityDictionaries, 0);
    rb_define_method(E, "attribute_dictionary", EntityDictionary, -1);
    rb_define_method(E, "get_attribute", EntityGetAttribute, -1);
    rb_define_method(E, "set_attribute", EntitySetAttribute, 3);
    rb_define_method(E, "delete_attribute", EntityDeleteAttribute, -1);

    VALUE L = k.cAttributeDictionaries;
    rb_include_module(L, rb_mEnumerable);
    rb_define_method(L, "each", DictionariesEach, 0);
    rb_define_method(L, "[]", DictionariesAt, 1);
    rb_define_method(L, "size", DictionariesSize, 0);
    rb_define_method(L, "length", DictionariesSize, 0);
    rb_define_method(L, "delete", DictionariesDelete, 1);

    VALUE D = k.cAttributeDictionary;
    rb_include_module(D, rb_mEnumerable);
    rb_define_method(D, "name", DictName, 0);
    rb_define_method(D, "[]", DictGet, 1);
    rb_define_method(D, "[]=", DictSet, 2);
    rb_define_method(D, "delete_key", DictDeleteKey, 1);
    rb_define_method(D, "keys", DictKeys, 0);
    rb_define_method(D, "values", DictValues, 0);
    rb_define_method(D, "each", DictEach, 0);
    rb_define_method(D, "each_pair", DictEach, 0);
    rb_define_method(D, "size", DictSize, 0);
    rb_define_method(D, "length", DictSize, 0);
}

}  // namespace hostsim::ruby
