// GCC's default terminate handler prints the active exception's demangled type, which pulls the
// whole C++ demangler (tens of kilobytes) into an executable that every note carries. A GUI
// program has nowhere to print it, so terminating ends the process directly. Linked as an object
// of the executable itself, so that it takes the place of the library's handler.
#include <cstdlib>

#if defined(__GNUC__) && !defined(__clang__)
namespace __gnu_cxx {
void __verbose_terminate_handler() {
    std::abort();
}
}  // namespace __gnu_cxx
#endif
