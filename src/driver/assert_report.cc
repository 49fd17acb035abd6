// The report of a failed assertion, defined here for the static installer program alone. The stub's own
// objects are compiled without assertions; the reference that remains is the static C library's own
// start-up code, and the library's reporter formats its message through the wide-character printf and
// translates it, which links some 30 KB into the stub. This one writes the same line with write(2),
// less the program name, and aborts as the library's does.
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace {

void write_piece(const char* text) {
    [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, text, std::strlen(text));
}

}  // namespace

extern "C" [[noreturn]] void __assert_fail(const char* assertion, const char* file, unsigned int line,
                                           const char* function) noexcept {
    char digits[16];
    char* first = digits + sizeof digits - 1;
    *first = '\0';
    do {
        *--first = static_cast<char>('0' + line % 10);
        line /= 10;
    } while (line != 0);
    const char* const pieces[] = {file,      ":",          first, ": ", function, ": Assertion `",
                                  assertion, "' failed.\n"};
    for (const char* piece : pieces) {
        if (piece != nullptr) write_piece(piece);
    }
    std::abort();
}
