// A directory tree as text, for tests that compare what two runs leave behind: what the installer writes
// read ahead or in turn, an update against a fresh installation.
#pragma once

#include <map>
#include <string>

namespace testing_support {

// What a snapshot tells apart beside each entry's kind and contents.
enum class snapshot_detail {
    contents,              // a file's bytes, a link's text
    with_modes_and_times,  // and each entry's permission bits, a file's modification time
};

// Every entry beneath `root`, links not followed, by its path relative to `root`: "dir", "link " and its
// text, or "file " and its bytes; with_modes_and_times puts the permission bits in octal after the kind
// ("dir 0755") and a file's modification time after those ("file 0644 1700000000 bytes"). Empty when
// `root` does not exist.
std::map<std::string, std::string> tree_snapshot(const std::string& root,
                                                 snapshot_detail detail = snapshot_detail::contents);

}  // namespace testing_support
