// The file-system steps the installation relies on: creating the directories along a path, and removing
// every entry of a name beneath the target directory. Neither prints nor stops the installer; they report
// through their results and errno.
#pragma once

#include <cstddef>

namespace install {

// Creates every missing directory along `path` (mode 0755 under the umask); only '/' separates. The
// separators are overwritten one at a time during the walk and put back. Returns 1 when every directory
// exists afterwards (or the path is null or empty), 0 at the first mkdir that fails, errno as it left it.
int make_dir_path(char* path);

// make_dir_path for a path whose prefixes ending within its first `known` characters are known to be
// directories (name_index.h says which): those are neither tested nor made. With `known` above 0 the
// prefixes behind them are believed absent, so each is made first and tested only when that fails: the
// same outcome and errno in fewer calls. make_dir_path(path) is make_dir_path_beyond(path, 0).
int make_dir_path_beyond(char* path, std::size_t known);

// Removes, anywhere beneath `dir`, every entry whose name is exactly `name`: files, links and empty
// directories go; a non-empty directory of that name stays and is not entered. `dir` itself may be a link
// to a directory, but no link beneath it is ever followed, so the walk cannot leave the tree or loop.
void remove_named_entries(const char* dir, const char* name);

// Removes `name` in the directory open as `dir_fd` as remove() would: a file or a link, else an empty
// directory. False, with errno, when nothing went.
bool remove_at(int dir_fd, const char* name);

}  // namespace install
