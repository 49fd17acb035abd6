// A directory tree as text, for tests that compare what two runs leave behind: what the installer writes
// read ahead or in turn, an update against a fresh installation.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace testing_support {

// What a snapshot tells apart beside each entry's kind and contents.
enum class snapshot_detail {
    contents,              // a file's bytes, a link's text
    with_modes_and_times,  // and each entry's permission bits, a file's modification time
};

// Every entry beneath `root`, links not followed, by its path relative to `root`: "dir", "link " and its
// text, "file " and its bytes, or the kind alone ("fifo", "socket", "device"); with_modes_and_times puts
// the permission bits in octal after the kind ("dir 0755") and a file's modification time after those
// ("file 0644 1700000000 bytes"). Empty when `root` does not exist.
std::map<std::string, std::string> tree_snapshot(const std::string& root,
                                                 snapshot_detail detail = snapshot_detail::contents);

// One line per path where `got` and `expected` differ, each side cut to its first 60 characters and its
// length; empty when they are equal. For trees of big files, which a failed comparison would print whole.
std::string snapshot_differences(const std::map<std::string, std::string>& got,
                                 const std::map<std::string, std::string>& expected);

// The paths of `snapshot` whose last component is an installer's temporary name (".installing.<pid>.<n>"):
// what a file in progress leaves when its installer is killed outright.
std::vector<std::string> temporaries_in(const std::map<std::string, std::string>& snapshot);

// What the real installer leaves of `images`, run in turn with every question answered, in `target`
// (made here), with_modes_and_times.
std::map<std::string, std::string> installed_tree(const std::vector<std::string>& images,
                                                  const std::string& target);

}  // namespace testing_support
