// The directory the user names on the directory screen, as typed or as offered by default: the bytes
// kept and whether more were typed than fit. Reading it from standard input lives here too; vetting it
// does not (directory_rules).
#pragma once

#include <array>
#include <cstddef>

#include "payload/path_limit.h"

namespace target {

struct directory_entry {
    std::array<char, payload::TARGET_PATH_SIZE> text;  // NUL-terminated, at most TARGET_PATH_MAX bytes
    bool too_long;                                     // more characters were given than were kept
};

// Reads one line from standard input up to its line feed, which is not kept. Every other byte is kept
// as it is, up to TARGET_PATH_MAX of them; the rest of the line is read and only marked. Returns false
// when the input ends before the line feed, however much was typed: an unfinished line is no answer.
bool read_directory_entry(directory_entry& entry);

// The entry holding `path`, marked too long when the path does not fit.
void set_directory_entry(directory_entry& entry, const char* path);

}  // namespace target
