// The scan of SOURCE_DIR: every regular file beneath it (and every symbolic link, when kept), by relative
// '/'-separated name in byte order, with the size and modification time its record will carry. Everything
// that cannot be packed is found here, before a byte of output is written.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace builder {

struct source_entry {
    std::string name;  // relative to the source directory; never leads with '/', has no "." or ".."
    std::uint32_t size = 0;
    std::int32_t mtime = 0;         // never 0: 0 would tell the installer to set neither time nor mode
    std::uint16_t permissions = 0;  // the file's own bits, 07777 (of the file a link points to)
    // A link kept as a link: its text, whose length is `size`; mtime is the link's own.
    std::optional<std::string> link_target{};
};

struct source_tree {
    std::vector<source_entry> entries;
    std::vector<std::string> warnings;  // what was skipped, and why; sorted, so that any order of the
                                        // directories gives the same text
};

struct scan_options {
    // Shell patterns (fnmatch, no flags: '*' also matches '/') tried on every relative name; a match
    // leaves a file out, or a directory with everything beneath it.
    std::vector<std::string> excludes;
    // Whether a symbolic link is packed as a link entry, or as a copy of the file it points to.
    bool keep_links = false;
};

// Why `name` cannot be packed for the bytes it holds, as the text that follows the quoted name in the
// error; null when it can. A '\' would be taken for a separator by the installer, and control bytes would
// reach the terminal of whoever installs: the progress line shows every name. A '\' is named first.
const char* name_bytes_fault(std::string_view name);

// Kept, a symbolic link is an entry of its own if it points inside SOURCE_DIR, else refused; copied, a link
// to a regular file counts as the file it points to, and links to directories are not followed. Either way
// a link into /proc, /sys or /dev is refused: it would pack the builder's own state.
// Every file is opened once here, so that an unreadable one stops the build before any output exists.
// Throws error for anything the payload cannot hold or the installer would mistreat.
source_tree scan_source_tree(const std::string& source_dir, const scan_options& options = {});

}  // namespace builder
