#include "process/run_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <ctime>

#include "payload/product_text.h"

namespace process {
namespace {

// On the descriptor itself, not a stdio stream: fdopen would link the wide-character machinery into
// the installer. Each line goes out in writes of a small buffer, so that a run killed meanwhile has
// logged every line before it.
int log_fd = -1;
std::array<char, 512> line_buffer;
std::size_t buffered = 0;

void flush_line_buffer() {
    for (std::size_t done = 0; done < buffered;) {
        const ssize_t written = write(log_fd, line_buffer.data() + done, buffered - done);
        if (written <= 0) break;  // a log that cannot be written does not stop the installation
        done += static_cast<std::size_t>(written);
    }
    buffered = 0;
}

void put(char c) {
    if (buffered == line_buffer.size()) flush_line_buffer();
    line_buffer[buffered++] = c;
}

// Control characters (a crafted entry name, a typed escape) are written as '?'.
void put_clean(std::string_view text) {
    for (const char c : text) put(static_cast<unsigned char>(c) < 0x20 || c == 0x7f ? '?' : c);
}

}  // namespace

bool open_run_log(const char* path) {
    log_fd = open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY, 0644);
    if (log_fd < 0) return false;
    std::array<char, 96> started{};
    std::snprintf(started.data(), started.size(), "%s UTC", payload::utc_text(std::time(nullptr)).data());
    log_line("started", started.data());
    return true;
}

void log_line(std::string_view key, std::string_view value) {
    if (log_fd < 0) return;
    put_clean(key);
    put_clean(": ");
    put_clean(value);
    put('\n');
    flush_line_buffer();
}

void close_run_log(std::string_view outcome) {
    if (log_fd < 0) return;
    log_line("outcome", outcome);
    close(log_fd);
    log_fd = -1;
}

}  // namespace process
