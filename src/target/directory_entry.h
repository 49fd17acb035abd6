// The directory the user names on the directory screen, as typed or as offered by default: the bytes
// kept and whether more were typed than fit. Reading it from standard input lives here too; vetting it
// does not (directory_rules).
#pragma once

#include <array>
#include <cstddef>

namespace target {

constexpr std::size_t ENTRY_SIZE = 4096;
// The longest path kept: the installation copies the target into a buffer of ENTRY_SIZE bytes and still
// needs room for its own separator.
constexpr std::size_t ENTRY_MAX_LENGTH = 4094;

struct directory_entry {
    std::array<char, ENTRY_SIZE> text;  // NUL-terminated, at most ENTRY_MAX_LENGTH characters
    bool too_long;                      // more characters were given than were kept
};

// Reads one line from standard input up to its line feed, which is not kept. Every other byte is kept
// as it is, up to ENTRY_MAX_LENGTH of them; the rest of the line is read and only marked. Returns false
// when the input ends before the line feed, however much was typed: an unfinished line is no answer.
bool read_directory_entry(directory_entry& entry);

// The entry holding `path`, marked too long when the path does not fit.
void set_directory_entry(directory_entry& entry, const char* path);

}  // namespace target
