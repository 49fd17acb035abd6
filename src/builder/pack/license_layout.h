// A vendor's licence text laid out for the licence region: checked to be printable UTF-8, tabs expanded,
// long lines wrapped, every line ended by a line feed. The layout happens here, once, so that the stub
// only splits the text at its line feeds. The region itself is src/payload/license_region.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace builder {

// Lines longer than this many columns (characters, after tab expansion) are wrapped.
constexpr std::size_t LICENSE_WRAP_COLUMNS = 79;
constexpr std::size_t LICENSE_TAB_COLUMNS = 8;

// Lays out `bytes`, the contents of the licence file `path` (named in messages):
// - a leading UTF-8 byte order mark is dropped, and a carriage return that ends a line (CR LF);
// - every character must be printable: control characters (C0 but tab, DEL, C1) and invalid UTF-8 are
//   refused with the line and column;
// - tabs become blanks up to the next multiple of 8 columns;
// - a line longer than 79 columns breaks at its last blank that leaves at most 79 columns, the blanks at
//   the break dropped; a word longer than that keeps a line of its own;
// - blank lines at the end are dropped; a missing final line feed is supplied.
// Throws error when no text is left.
std::string lay_out_license(std::string_view bytes, const std::string& path);

// The licence file's own limit: the text laid out must fit the stub's region (65536 bytes), and the
// file may run larger by its CR LF line ends and the blanks the layout drops; more is the wrong file.
constexpr std::uint64_t LICENSE_FILE_MAX_SIZE = std::uint64_t{4} << 16;

// Reads (a regular file of at most LICENSE_FILE_MAX_SIZE bytes) and lays out the licence file `path`.
// Throws error.
std::string load_license_file(const std::string& path);

}  // namespace builder
