// The C++ runtime reports its internal errors (a string grown past its maximum size, an index out
// of range) through these functions. The library keeps them all in one object, whose standard
// exceptions carry copy-on-write strings, and those bring both of the library's string
// implementations (some 55 KiB) into an executable that every note carries. GNU ld cannot drop
// them: its script for Windows keeps every unwind entry, so a library object that is needed at all
// stays whole. Linked as objects of the editor itself, these take their place: a request too large
// to satisfy becomes std::bad_alloc, which the entry point reports like any failure, and the rest,
// which only a programming error can cause, end the process at once. A program may not define
// these by the standard's rules; they go once the editor is linked by a linker that drops unused
// library functions (the README's "The editor's size" has the figures).
#include <cstdlib>
#include <new>

#if defined(__GNUC__) && !defined(__clang__)
namespace std {
[[noreturn]] void __throw_bad_alloc() { throw bad_alloc(); }
[[noreturn]] void __throw_bad_array_new_length() { throw bad_alloc(); }
[[noreturn]] void __throw_length_error(const char*) { throw bad_alloc(); }
[[noreturn]] void __throw_bad_exception() { abort(); }
[[noreturn]] void __throw_bad_cast() { abort(); }
[[noreturn]] void __throw_bad_typeid() { abort(); }
[[noreturn]] void __throw_logic_error(const char*) { abort(); }
[[noreturn]] void __throw_domain_error(const char*) { abort(); }
[[noreturn]] void __throw_invalid_argument(const char*) { abort(); }
[[noreturn]] void __throw_out_of_range(const char*) { abort(); }
[[noreturn]] void __throw_out_of_range_fmt(const char*, ...) { abort(); }
[[noreturn]] void __throw_runtime_error(const char*) { abort(); }
[[noreturn]] void __throw_range_error(const char*) { abort(); }
[[noreturn]] void __throw_overflow_error(const char*) { abort(); }
[[noreturn]] void __throw_underflow_error(const char*) { abort(); }
[[noreturn]] void __throw_system_error(int) { abort(); }
[[noreturn]] void __throw_bad_function_call() { abort(); }
}  // namespace std
#endif
