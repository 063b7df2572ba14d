/* What Ruby's headers need to know about 64-bit Windows, written out for the cross build (Debian
 * ships this file, which Ruby's configure generates, for Linux only). The plug-in is loaded by
 * SketchUp's Ruby, a 64-bit Windows DLL: LLP64, so a long is 32 bits and VALUE is an unsigned
 * long long, and the Ruby functions and variables are imported from that DLL. */
#ifndef INCLUDE_RUBY_CONFIG_H
#define INCLUDE_RUBY_CONFIG_H 1

#define STDC_HEADERS 1
#define HAVE_STDINT_H 1
#define HAVE_INTTYPES_H 1
#define HAVE_STDBOOL_H 1
#define HAVE_STDALIGN_H 1
#define HAVE_SYS_TYPES_H 1
#define HAVE_STRING_H 1
#define HAVE_STDLIB_H 1
#define HAVE_SYS_TIME_H 1
#define HAVE_STRUCT_TIMEVAL 1
#define HAVE_STRUCT_TIMESPEC 1
#define HAVE_STRUCT_TIMEZONE 1
#define HAVE_LONG_LONG 1
#define HAVE_INT8_T 1
#define HAVE_UINT8_T 1
#define HAVE_INT16_T 1
#define HAVE_UINT16_T 1
#define HAVE_INT32_T 1
#define HAVE_UINT32_T 1
#define HAVE_INT64_T 1
#define HAVE_UINT64_T 1
#define HAVE_INTPTR_T 1
#define HAVE_UINTPTR_T 1
#define HAVE_SSIZE_T 1

#define SIZEOF_INT 4
#define SIZEOF_SHORT 2
#define SIZEOF_LONG 4
#define SIZEOF_LONG_LONG 8
#define SIZEOF___INT64 8
#define SIZEOF___INT128 16
#define SIZEOF_OFF_T 8
#define SIZEOF_VOIDP 8
#define SIZEOF_FLOAT 4
#define SIZEOF_DOUBLE 8
#define SIZEOF_TIME_T 8
#define SIZEOF_CLOCK_T 4
#define SIZEOF_SIZE_T 8
#define SIZEOF_PTRDIFF_T 8
#define SIZEOF_INTPTR_T 8
#define SIZEOF_UINTPTR_T 8
#define PRI_LL_PREFIX "I64"
#define PRI_64_PREFIX "I64"

#define rb_pid_t int
#define rb_uid_t int
#define rb_gid_t int
#define rb_time_t time_t
#define rb_off_t long long

/* GCC's, as Ruby's configure finds them in the same compiler on Linux. */
#define HAVE_STMT_AND_DECL_IN_EXPR 1
#define HAVE_BUILTIN___BUILTIN_ADD_OVERFLOW 1
#define HAVE_BUILTIN___BUILTIN_ALLOCA_WITH_ALIGN 1
#define HAVE_BUILTIN___BUILTIN_ASSUME_ALIGNED 1
#define HAVE_BUILTIN___BUILTIN_BSWAP16 1
#define HAVE_BUILTIN___BUILTIN_BSWAP32 1
#define HAVE_BUILTIN___BUILTIN_BSWAP64 1
#define HAVE_BUILTIN___BUILTIN_CHOOSE_EXPR 1
#define HAVE_BUILTIN___BUILTIN_CHOOSE_EXPR_CONSTANT_P 1
#define HAVE_BUILTIN___BUILTIN_CLZ 1
#define HAVE_BUILTIN___BUILTIN_CLZL 1
#define HAVE_BUILTIN___BUILTIN_CLZLL 1
#define HAVE_BUILTIN___BUILTIN_CONSTANT_P 1
#define HAVE_BUILTIN___BUILTIN_CTZ 1
#define HAVE_BUILTIN___BUILTIN_CTZLL 1
#define HAVE_BUILTIN___BUILTIN_EXPECT 1
#define HAVE_BUILTIN___BUILTIN_MUL_OVERFLOW 1
#define HAVE_BUILTIN___BUILTIN_MUL_OVERFLOW_P 1
#define HAVE_BUILTIN___BUILTIN_POPCOUNT 1
#define HAVE_BUILTIN___BUILTIN_POPCOUNTLL 1
#define HAVE_BUILTIN___BUILTIN_SUB_OVERFLOW 1
#define HAVE_BUILTIN___BUILTIN_TYPES_COMPATIBLE_P 1
#define NORETURN(x) __attribute__((__noreturn__)) x
#define DEPRECATED(x) __attribute__((__deprecated__)) x
#define NOINLINE(x) __attribute__((__noinline__)) x
#define ALWAYS_INLINE(x) __attribute__((__always_inline__)) x
#define MAYBE_UNUSED(x) __attribute__((__unused__)) x
#define ERRORFUNC(mesg, x) __attribute__((__error__ mesg)) x
#define WARNINGFUNC(mesg, x) __attribute__((__warning__ mesg)) x
#define RUBY_FUNC_EXPORTED __declspec(dllexport)

/* SketchUp 2019-2020's Ruby 2.5 predates the transient heap: an array's elements are always
 * where its header says, so the headers must not ask Ruby to move them out of one. */
#define USE_TRANSIENT_HEAP 0

#define RUBY_PLATFORM "x64-mswin64_140"

#endif /* INCLUDE_RUBY_CONFIG_H */
