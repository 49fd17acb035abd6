// The directories the installation works in, held open from the root down, so that each file is created,
// renamed and removed relative to its directory and no path is resolved twice. Between two entries the
// chain keeps the directories the next entry shares with the last one.
//
// Links: the target's own path is followed as the user named it. Beneath the target, a link to a
// directory that stood there before the installation began is followed, the way an administrator's link to
// another disk must be; one made or changed since (its inode's change time tells, which no user can set
// back) is never entered. Nor is a link found in place of a directory the installer made or met as a
// directory in its own right. A refused link fails the path as a file in the way would.
#pragma once

#include <cstddef>
#include <cstdint>

namespace install {

// Forgets what an earlier installation met, takes the time links are judged by and the target they are
// judged beneath. Called as the installation into `target` starts.
void begin_directories(const char* target);

// Opens every directory along `path` ('/' separates, empty components are skipped, as for
// make_dir_path), making each missing one (mode 0755 under the umask) when `make`. The descriptor of the
// last, owned by the chain and valid until the next call or leave_directories; -1 at the first one that
// cannot be made or entered, with errno as make_dir_path would leave it (EEXIST for a file or a refused
// link in the way). Without `links_beneath_target` no link beneath the target is followed at all: what a
// removal walks through must be directories in their own right.
int enter_directory_path(const char* path, bool make, bool links_beneath_target = true);

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
