#include "process/run_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>

namespace process {
namespace {

std::FILE* log_file = nullptr;

void put_clean(std::string_view text) {
    for (const char c : text)
        std::fputc(static_cast<unsigned char>(c) < 0x20 || c == 0x7f ? '?' : c, log_file);
}

}  // namespace

bool open_run_log(const char* path) {
    const int fd = open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY, 0644);
    if (fd < 0) return false;
    log_file = fdopen(fd, "a");
    if (log_file == nullptr) {
        close(fd);
        return false;
    }
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    char stamp[32] = "";
    if (gmtime_r(&now, &utc) != nullptr) std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S UTC", &utc);
    log_line("started", stamp);
    return true;
}

void log_line(std::string_view key, std::string_view value) {
    if (log_file == nullptr) return;
    put_clean(key);
    std::fputs(": ", log_file);
    put_clean(value);
    std::fputc('\n', log_file);
    std::fflush(log_file);
}

void close_run_log(std::string_view outcome) {
    if (log_file == nullptr) return;
    log_line("outcome", outcome);
    std::fclose(log_file);
    log_file = nullptr;
}

}  // namespace process
