// Ruby values to native values and back, class tests and entity lookups. Everything here runs on
// the host's thread. Functions that call into Ruby may raise (the exception is not rescued and
// reaches the Ruby caller), so their callers keep no object with a destructor alive across them.
#pragma once

#include <ruby/ruby.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace korvan::rb {

// The value's exact class: Integer, Float, TrueClass, Symbol, NilClass or FalseClass for the
// immediates, otherwise the object's class word. Class tests compare it for identity with the
// cached classes, so subclasses do not match.
VALUE ClassOf(VALUE value);

// A small integer directly, anything else through the interpreter's conversion (which raises
// for a value that is no number).
long ToInt(VALUE value);
// An immediate small integer when -2^30 <= n < 2^30, a big integer object otherwise.
VALUE FromInt(int32_t n);

// nil gives an empty text; anything else is converted as Ruby converts it to a String (or
// raises), then from UTF-8.
std::u16string RubyToWide(VALUE value);
// A new UTF-8 Ruby string; text after an embedded NUL is dropped.
VALUE WideToRuby(std::u16string_view text);

// The elements of an Array, or of what to_a makes of any other value, copied into a new vector
// that the caller deletes. Null ("none") for nil, for a nil to_a and for an empty array.
// Returned as a plain pointer so that nothing needs destroying if a later Ruby call raises.
std::vector<VALUE>* ToValueVector(VALUE value);

// The SketchUp entity id behind a Ruby entity; all ones for nil or when the id cannot be read.
// Raises TypeError for a value that is no data object.
uint32_t EntityIdOf(VALUE entity);
// The id of the component definition whose Entities collection holds the entity; all ones
// when it lies elsewhere.
uint32_t OwnerDefinitionId(VALUE entity);
// The Entities collection that holds the entity (a definition's or the model's), or nil.
VALUE OwnerEntities(VALUE entity);

}  // namespace korvan::rb
