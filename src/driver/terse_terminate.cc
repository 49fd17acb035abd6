// The stub's own default terminate handler, linked into the installer program alone. libstdc++'s default
// one names the uncaught exception's type, which links its demangler (about 47 KB) into a program that
// keeps its size down; this one says only that the program was terminated. Defining the symbol here keeps
// the library's definition out of the link; mkinstaller and the tests keep the library's.
#include <unistd.h>

#include <cstdlib>

namespace __gnu_cxx {

[[noreturn]] void __verbose_terminate_handler() {
    static constexpr char TERMINATE_TEXT[] = "terminate called\n";
    // Nothing that could itself fail or allocate: write(2), then the abort the library's handler ends with.
    [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, TERMINATE_TEXT, sizeof TERMINATE_TEXT - 1);
    std::abort();
}

}  // namespace __gnu_cxx
