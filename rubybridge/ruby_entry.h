// Where Ruby calls into the plug-in: module functions, observer methods and the native blocks
// that commands, validation procs, timers and the context menu run.
#pragma once

#include <ruby/ruby.h>

namespace korvan::rb {

// A native block: the yielded value, the data word given when the block was made, and the
// block's arguments. Returns the block's value.
using NativeBlock = VALUE (*)(VALUE yielded, VALUE data, int argc, const VALUE* argv,
                              VALUE blockArg);

// Calls `method` on `receiver` with `block` as its block; `data` reaches the block.
inline VALUE CallWithBlock(VALUE receiver, ID method, int argc, const VALUE* argv,
                           NativeBlock block, VALUE data) {
    return rb_block_call(receiver, method, argc, argv, block, data);
}

// Runs the body of a function that Ruby calls. A C++ exception (in practice only a failed
// allocation) must not unwind into the interpreter: it ends the call with nil instead. Ruby
// exceptions raised inside pass through untouched, as nothing here needs destroying.
template <typename Body>
VALUE RubyEntry(Body&& body) noexcept {
    try {
        return body();
    } catch (...) {
        return Qnil;
    }
}

}  // namespace korvan::rb
