#include "install/progress.h"

#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "install/concat_strings.h"

namespace install {
namespace {

constexpr std::size_t PROGRESS_NAME_WIDTH = 40;

int last_byte_percent = -1;
int last_file_percent = -1;
int shown_chars = 0;  // what the last drawing printed, its trailing blank included
char* last_name = nullptr;

// `count` copies of `unit` in one write: the terminal sees the same bytes as from one write per unit.
void write_repeated(const char* unit, int count) {
    if (count <= 0) return;
    std::string text;
    for (int i = 0; i < count; ++i) text += unit;
    std::fwrite(text.data(), 1, text.size(), stderr);
}

// "..." and the name from its first separator at index 40 or later, else from index 40; null when no
// shortening is needed or none could be allocated (the whole name is then shown).
char* shortened(const char* name) {
    if (std::strlen(name) <= PROGRESS_NAME_WIDTH) return nullptr;
    const char* from = name + PROGRESS_NAME_WIDTH;
    const char* separator = std::strpbrk(from, "/\\");
    char* text = separator != nullptr ? concat_strings({"...", separator}) : nullptr;
    return text != nullptr ? text : concat_strings({"...", from});
}

int drain() {
    return tcdrain(fileno(stderr));
}

}  // namespace

int show_progress(const char* name, int byte_percent, int file_percent) {
    if (name == nullptr) {
        write_repeated("\b \b", shown_chars);
        shown_chars = 0;
        last_byte_percent = -1;
        last_file_percent = -1;
        std::free(last_name);
        last_name = nullptr;
        return drain();
    }
    const bool unchanged = byte_percent == last_byte_percent && file_percent == last_file_percent &&
                           last_name != nullptr && std::strcmp(last_name, name) == 0;
    if (!unchanged) {
        write_repeated("\b", shown_chars);
        shown_chars = 0;
        char* short_text = shortened(name);
        shown_chars = std::fprintf(stderr, "%3d%% %3d%%  %s ", file_percent, byte_percent,
                                   short_text ? short_text : name);
        std::free(short_text);
        last_byte_percent = byte_percent;
        last_file_percent = file_percent;
        std::free(last_name);
        last_name = strdup(name);
    }
    return drain();
}

}  // namespace install
