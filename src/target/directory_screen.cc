// A first directory screen: it reads one line as the target directory, keeping the current one for an
// empty line, and ends the installation when input ends. Vetting the path comes with the full screen.
#include "target/directory_screen.h"

#include <cstdio>
#include <cstring>

#include "driver/driver_state.h"
#include "driver/result.h"

namespace target {

int select_install_dir() {
    constexpr std::size_t ENTRY_SIZE = 4096;
    char entry[ENTRY_SIZE] = {};
    std::size_t length = 0;

    std::fputs("\n\nEnter directory >", stderr);
    for (;;) {
        const int c = std::getc(stdin);
        if (c == EOF) return driver::RESULT_CANCEL;
        if (c == '\n') break;
        if (length < ENTRY_SIZE - 2) entry[length++] = static_cast<char>(c);
    }
    if (entry[0] != '\0') std::strcpy(driver::target_dir.data(), entry);
    return driver::RESULT_NEXT;
}

}  // namespace target
