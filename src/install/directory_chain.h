// The directories the installation works in, held open from the root down, so that each file is created,
// renamed and removed relative to its directory and no path is resolved twice. Between two entries the
// chain keeps the directories the next entry shares with the last one.
//
// Links: a link to a directory that stood in the path before the installation began is followed, the way
// an administrator's link from /opt to another disk must be. A link made or changed since (its inode's
// change time tells, which no user can set back), or found in place of a directory the installer made or
// met as a directory in its own right, is never entered: the path fails as a file in the way would.
#pragma once

#include <cstddef>
#include <cstdint>

namespace install {

// Forgets what an earlier installation met and takes the time links are judged by. Called as the
// installation starts.
void begin_directories();

// Opens every directory along `path` ('/' separates, empty components are skipped, as for
// make_dir_path), making each missing one (mode 0755 under the umask) when `make`. The descriptor of the
// last, owned by the chain and valid until the next call or leave_directories; -1 at the first one that
// cannot be made or entered, with errno as make_dir_path would leave it (EEXIST for a file or a refused
// link in the way). Beyond its first `follow_within` bytes no link is followed at all: what a removal
// beneath the target walks through must be directories in their own right.
int enter_directory_path(const char* path, bool make, std::size_t follow_within = SIZE_MAX);

// Whether the directory last entered was made by this installation: nothing was left in it before.
bool entered_directory_is_new();

// Whether the directory last entered is met for the first time in this installation (made or found).
// Asking marks it as met.
bool first_meeting_with_entered_directory();

// Closes every directory held but the root, so that the next entry enters its path afresh: for when a
// directory held may have been removed (a file written into a removed directory would be lost).
void release_held_directories();

// Closes every directory held and forgets what the installation met.
void leave_directories();

}  // namespace install
