#include "install/progress.h"

#include <termios.h>
#include <unistd.h>

#include <time.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "install/concat_strings.h"
#include "install/progress_seam.h"
#include "payload/path_limit.h"
#include "process/shown_output.h"
#include "process/terminal_job.h"

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

// Bytes of drawings and erases not written yet, in a fixed buffer so that drawing never depends on an
// allocation. On a terminal a drawing leaves at once, its backspaces over the old line included, in one
// write, and so does an erase, so that nothing is held while the installer waits for the terminal. Else
// the finished file's drawing waits here for the erase that follows it (show_finished_progress), and while
// an installation gathers (gather_progress) every drawing and erase waits here until the buffer is full,
// flush_progress, or a drawing or erase comes GATHER_HOLD_MS after the last write: the same bytes in far
// fewer writes, still live for a person reading a pipe, and nothing else is written to standard error
// meanwhile (every report flushes first). A name is at most 4096 bytes and so is a drawing's text;
// anything longer than the buffer is written in pieces with the same bytes.
constexpr std::size_t PROGRESS_BUFFER_SIZE = 16384;
char pending[PROGRESS_BUFFER_SIZE];
std::size_t pending_length = 0;
bool holding_drawing = false;  // within show_finished_progress, on anything but a terminal
bool gathering = false;        // within an installation, on anything but a terminal
bool drawn = true;             // set_progress_drawn

constexpr std::int64_t GATHER_HOLD_MS = 100;

std::int64_t monotonic_ms() {
    timespec now{};
    (void)clock_gettime(CLOCK_MONOTONIC, &now);
    return std::int64_t{now.tv_sec} * 1000 + now.tv_nsec / 1000000;
}

progress_clock clock_ms = monotonic_ms;
std::int64_t gathered_written_at = 0;  // while gathering: when gathered bytes last left, or it began

// Writes what is pending; false when the write failed.
bool flush_pending() {
    const std::size_t length = pending_length;
    pending_length = 0;
    if (length == 0) return true;
    if (gathering) gathered_written_at = clock_ms();
    return std::fwrite(pending, 1, length, stderr) == length;
}

// While gathering, what has waited long enough leaves, so that a pipe read by a person stays live.
void flush_if_held_long() {
    if (gathering && pending_length != 0 && clock_ms() - gathered_written_at >= GATHER_HOLD_MS)
        (void)flush_pending();
}

// Appends `count` copies of the `unit_length`-byte `unit`, flushing whenever the buffer is full.
void put_repeated(const char* unit, std::size_t unit_length, int count) {
    for (int i = 0; i < count; ++i) {
        if (PROGRESS_BUFFER_SIZE - pending_length < unit_length) (void)flush_pending();
        std::memcpy(pending + pending_length, unit, unit_length);
        pending_length += unit_length;
    }
}

// Backspaces over the last drawing, then the new line, appended to what is pending. Returns the text's
// length as the formatted print would, or a negative count when it failed.
int draw_line(int file_percent, int byte_percent, const char* name) {
    put_repeated("\b", 1, std::max(shown_chars, 0));
    // An entry's name comes from the payload; escaped, it is at most four times as long.
    static char shown[4 * (payload::TARGET_PATH_SIZE + 4)];
    const char* text = name;
    if (process::texts_escaped()) {
        process::gathered_text escaped{shown};
        escaped(process::shown{name});
        escaped(std::string_view("", 1));
        text = shown;
    }
    const std::size_t room = PROGRESS_BUFFER_SIZE - pending_length;
    const int length =
        std::snprintf(pending + pending_length, room, "%3d%% %3d%%  %s ", file_percent, byte_percent, text);
    if (length >= 0 && static_cast<std::size_t>(length) < room) {
        pending_length += static_cast<std::size_t>(length);
        return length;
    }
    // Too long for what is left: the backspaces first, then the line by itself.
    (void)flush_pending();
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

bool stderr_terminal() {
    if (stderr_is_terminal < 0) {
        errno = 0;
        stderr_is_terminal = isatty(fileno(stderr));
        not_terminal_errno = errno;
    }
    return stderr_is_terminal == 1;
}

unsigned drains_done = 0;

int counted_drain(int fd) {
    ++drains_done;
    return tcdrain(fd);
}

// On a terminal, what is pending (nothing, as it is held only elsewhere) goes first, then the wait,
// unless the installer runs in the background there: the wait would stop it. Its result changes nothing;
// only errno is left as the wait leaves it.
void drain() {
    if (stderr_terminal()) {
        (void)flush_pending();
        (void)process::unless_in_background(fileno(stderr), counted_drain);
        return;
    }
    errno = not_terminal_errno;
}

}  // namespace

unsigned progress_drains() {
    return drains_done;
}

void set_progress_clock(progress_clock clock) {
    clock_ms = clock;
}

void show_progress(const char* name, int byte_percent, int file_percent) {
    if (!drawn) return;
    if (name == nullptr) {
        if (shown_chars <= 0 && last_name == nullptr) stderr_is_terminal = -1;  // a new installation
        put_repeated("\b \b", 3, shown_chars);
        if (!gathering) (void)flush_pending();
        flush_if_held_long();
        shown_chars = 0;
        last_byte_percent = -1;
        last_file_percent = -1;
        std::free(last_name);
        last_name = nullptr;
        drain();
        return;
    }
    const bool unchanged = byte_percent == last_byte_percent && file_percent == last_file_percent &&
                           last_name != nullptr && std::strcmp(last_name, name) == 0;
    if (!unchanged) {
        char* short_text = shortened(name);
        shown_chars = draw_line(file_percent, byte_percent, short_text ? short_text : name);
        // A terminal sees every drawing before its wait; a held one leaves with the erase or a later
        // flush (a failure of that write no longer shortens the next drawing's backspaces).
        if ((!(holding_drawing || gathering) || stderr_terminal()) && !flush_pending()) shown_chars = -1;
        // A finished file's drawing waits for its erase, which follows at once.
        if (!holding_drawing) flush_if_held_long();
        std::free(short_text);
        last_byte_percent = byte_percent;
        last_file_percent = file_percent;
        std::free(last_name);
        last_name = strdup(name);
    }
    drain();
}

void set_progress_drawn(bool on) {
    drawn = on;
}

void gather_progress(bool on) {
    gathering = on && !stderr_terminal();
    if (gathering) gathered_written_at = clock_ms();
    if (!gathering) (void)flush_pending();
}

void flush_progress() {
    (void)flush_pending();
}

void show_finished_progress(const char* name, int byte_percent, int file_percent) {
    holding_drawing = true;
    show_progress(name, byte_percent, file_percent);
    holding_drawing = false;
    show_progress(nullptr, 0, 0);
}

}  // namespace install
