#include "target/directory_entry.h"

#include <cstdio>
#include <cstring>

namespace target {

bool read_directory_entry(directory_entry& entry) {
    std::size_t length = 0;
    entry.too_long = false;
    for (;;) {
        const int c = std::getc(stdin);
        if (c == EOF) {
            entry.text[length] = '\0';
            return false;
        }
        if (c == '\n') break;
        if (length < payload::TARGET_PATH_MAX) {
            entry.text[length++] = static_cast<char>(c);
        } else {
            entry.too_long = true;
        }
    }
    entry.text[length] = '\0';
    return true;
}

void set_directory_entry(directory_entry& entry, const char* path) {
    const std::size_t length = std::strlen(path);
    entry.too_long = length > payload::TARGET_PATH_MAX;
    const std::size_t kept = entry.too_long ? payload::TARGET_PATH_MAX : length;
    std::memcpy(entry.text.data(), path, kept);
    entry.text[kept] = '\0';
}

}  // namespace target
