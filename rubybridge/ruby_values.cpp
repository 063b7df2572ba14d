#include "rubybridge/ruby_values.h"

#include <SketchUpAPI/model/entity.h>

#include <cstring>

#include "rubybridge/ruby_symbols.h"
#include "twinlink/platform.h"

namespace korvan::rb {

VALUE ClassOf(VALUE value) {
    if (RB_FIXNUM_P(value)) return rb_cInteger;
    if (RB_FLONUM_P(value)) return rb_cFloat;
    if (value == Qtrue) return rb_cTrueClass;
    if (RB_STATIC_SYM_P(value)) return rb_cSymbol;
    if (value == Qnil) return rb_cNilClass;
    if (value == Qfalse) return rb_cFalseClass;
    return RBASIC(value)->klass;
}

long ToInt(VALUE value) {
    if (RB_FIXNUM_P(value)) return RB_FIX2LONG(value);
    return rb_num2long(value);
}

VALUE FromInt(int32_t n) {
    constexpr int64_t kLowest = -(int64_t{1} << 30);
    constexpr int64_t kBeyond = int64_t{1} << 30;
    if (n >= kLowest && n < kBeyond)
        return (static_cast<VALUE>(static_cast<SIGNED_VALUE>(n)) << 1) | 1;
    return rb_int2big(n);
}

std::u16string RubyToWide(VALUE value) {
    if (NIL_P(value)) return {};
    const char* utf8 = rb_string_value_cstr(&value);
    return twinlink::platform::Utf8ToUtf16(utf8);
}

VALUE WideToRuby(std::u16string_view text) {
    const size_t end = text.find(u'\0');
    if (end != std::u16string_view::npos) text = text.substr(0, end);
    // The Ruby string is made first and filled afterwards, so that the allocation, the one
    // step here that may raise, happens before any C++ text exists. Its bytes come from
    // rb_string_value_ptr, which for a String neither allocates nor raises: Ruby 3.1's inline
    // RSTRING_PTR calls a function that SketchUp's Ruby 2.5 lacks.
    VALUE result = rb_utf8_str_new(nullptr, static_cast<long>(text.size() * 3));
    char* bytes = rb_string_value_ptr(&result);
    long length = 0;
    {
        const std::string utf8 = twinlink::platform::Utf16ToUtf8(std::u16string(text));
        length = static_cast<long>(std::min(utf8.size(), text.size() * 3));
        std::memcpy(bytes, utf8.data(), static_cast<size_t>(length));
    }
    rb_str_set_len(result, length);
    return result;
}

std::vector<VALUE>* ToValueVector(VALUE value) {
    if (NIL_P(value)) return nullptr;
    VALUE array = value;
    if (ClassOf(array) != k.cArray) {
        array = rb_funcall(array, id.toA, 0);
        if (NIL_P(array)) return nullptr;
    }
    rb_check_type(array, T_ARRAY);
    const long count = RARRAY_LEN(array);
    if (count == 0) return nullptr;
    // The element storage is read directly below.
    rb_gc_writebarrier_unprotect(array);
    const VALUE* elements = RARRAY_CONST_PTR(array);
    auto* copy = new std::vector<VALUE>(elements, elements + count);
    RB_GC_GUARD(array);
    return copy;
}

uint32_t EntityIdOf(VALUE entity) {
    if (NIL_P(entity)) return 0xFFFFFFFFu;
    rb_check_type(entity, T_DATA);
    SUEntityRef ref{DATA_PTR(entity)};
    int32_t entityId = 0;
    if (SUEntityGetID(ref, &entityId) != SU_ERROR_NONE) return 0xFFFFFFFFu;
    return static_cast<uint32_t>(entityId);
}

namespace {

bool IsPlacement(VALUE klass) {
    return klass == k.cGroup || klass == k.cComponentInstance;
}

}  // namespace

uint32_t OwnerDefinitionId(VALUE entity) {
    if (NIL_P(entity)) return 0xFFFFFFFFu;
    VALUE parent = rb_funcall(entity, id.parent, 0);
    const VALUE klass = ClassOf(parent);
    if (IsPlacement(klass)) {
        VALUE definition = rb_funcall(parent, id.definition, 0);
        return static_cast<uint32_t>(ToInt(rb_funcall(definition, id.entityID, 0)));
    }
    if (klass == k.cComponentDefinition)
        return static_cast<uint32_t>(ToInt(rb_funcall(parent, id.entityID, 0)));
    return 0xFFFFFFFFu;
}

VALUE OwnerEntities(VALUE entity) {
    if (NIL_P(entity)) return Qnil;
    VALUE parent = rb_funcall(entity, id.parent, 0);
    if (IsPlacement(ClassOf(parent))) parent = rb_funcall(parent, id.definition, 0);
    const VALUE klass = ClassOf(parent);
    if (klass == k.cComponentDefinition || klass == k.cModel)
        return rb_funcall(parent, id.entities, 0);
    return Qnil;
}

}  // namespace korvan::rb
