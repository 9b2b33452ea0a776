// The C++ runtime reports its internal errors (a string grown past its maximum size, an index out
// of range) through these functions. The library's versions build standard exceptions that carry
// strings, which brings a second string implementation (some 35 KiB) into an executable that every
// note carries. Linked as objects of the editor itself, these take their place: a request too
// large to satisfy becomes std::bad_alloc, which the entry point reports like any failure, and
// the rest, which only a programming error can cause, end the process at once.
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
