#include "install/progress.h"

#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "install/concat_strings.h"

namespace install {
namespace {

constexpr std::size_t PROGRESS_NAME_WIDTH = 40;

int last_byte_percent = -1;
int last_file_percent = -1;
int shown_chars = 0;  // what the last drawing printed, its trailing blank included
char* last_name = nullptr;

// Standard error's kind, asked once per installation (an erase with nothing drawn): tcdrain does nothing
// but fail on anything that is not a terminal, so there it is skipped and only its failure reproduced.
int stderr_is_terminal = -1;  // -1 not yet asked
int not_terminal_errno = 0;   // what isatty left in errno

// A fixed buffer, so that drawing never depends on an allocation: a whole drawing, its backspaces over
// the old line included, goes out in one write. A name is at most 4096 bytes and so is a drawing's
// text; anything longer is written in pieces with the same bytes.
constexpr std::size_t PROGRESS_BUFFER_SIZE = 16384;
char line_buffer[PROGRESS_BUFFER_SIZE];

// Puts `count` copies of the `unit_length`-byte `unit` at `at`; returns the end. The caller makes room.
char* put_repeated(char* at, const char* unit, std::size_t unit_length, int count) {
    for (int i = 0; i < count; ++i, at += unit_length) std::memcpy(at, unit, unit_length);
    return at;
}

// `count` copies of `unit`, as few writes as the buffer allows.
void write_repeated(const char* unit, int count) {
    const std::size_t unit_length = std::strlen(unit);
    const int per_write = static_cast<int>(PROGRESS_BUFFER_SIZE / unit_length);
    while (count > 0) {
        const int now = std::min(count, per_write);
        const char* end = put_repeated(line_buffer, unit, unit_length, now);
        std::fwrite(line_buffer, 1, static_cast<std::size_t>(end - line_buffer), stderr);
        count -= now;
    }
}

// Backspaces over the last drawing, then the new line, in one write when both fit the buffer. Returns
// what the formatted print returns: the text's length, or a negative count when the write failed.
int draw_line(int file_percent, int byte_percent, const char* text) {
    const int backspaces = std::max(shown_chars, 0);
    if (static_cast<std::size_t>(backspaces) < PROGRESS_BUFFER_SIZE) {
        char* start = put_repeated(line_buffer, "\b", 1, backspaces);
        const std::size_t room = PROGRESS_BUFFER_SIZE - static_cast<std::size_t>(backspaces);
        const int length = std::snprintf(start, room, "%3d%% %3d%%  %s ", file_percent, byte_percent, text);
        if (length >= 0 && static_cast<std::size_t>(length) < room) {
            const std::size_t total = static_cast<std::size_t>(backspaces) + static_cast<std::size_t>(length);
            return std::fwrite(line_buffer, 1, total, stderr) == total ? length : -1;
        }
    }
    write_repeated("\b", backspaces);
    return std::fprintf(stderr, "%3d%% %3d%%  %s ", file_percent, byte_percent, text);
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
    if (stderr_is_terminal < 0) {
        errno = 0;
        stderr_is_terminal = isatty(fileno(stderr));
        not_terminal_errno = errno;
    }
    if (stderr_is_terminal == 1) return tcdrain(fileno(stderr));
    errno = not_terminal_errno;
    return -1;
}

}  // namespace

int show_progress(const char* name, int byte_percent, int file_percent) {
    if (name == nullptr) {
        if (shown_chars <= 0 && last_name == nullptr) stderr_is_terminal = -1;  // a new installation
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
        char* short_text = shortened(name);
        shown_chars = draw_line(file_percent, byte_percent, short_text ? short_text : name);
        std::free(short_text);
        last_byte_percent = byte_percent;
        last_file_percent = file_percent;
        std::free(last_name);
        last_name = strdup(name);
    }
    return drain();
}

}  // namespace install
