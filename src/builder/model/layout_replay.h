// A model of the tree beneath the installer's target directory, and what each entry does to it under the
// installer's rules: the same-name removal its profile chooses (every file bearing the entry's last name
// component anywhere beneath the target, or only what stands at the entry's own path), a delete entry's
// removal of a file, link or empty directory, the creation of the directories along a file's path
// (failing where a file stands), and the opening of the file (failing where a directory stands). verify
// replays a payload over an empty target with it, so that a payload the installer cannot lay out is caught
// before anyone runs it; a tree read from disk could be replayed over just as well.
//
// A file also carries what the installer leaves in it: a digest of its bytes, its time and its permission
// bits, so that two trees can be compared file by file (diff, and the update a build plans). A link entry
// leaves a node that is no directory and holds the link's text; nothing is ever followed through it. What
// depends on the target's own path (a whole path longer than the system accepts) is out of reach; a single
// name component longer than 255 bytes is not.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "builder/util/sha256.h"
#include "payload/profile_region.h"

namespace builder {

// A file as the installer leaves it. The installer sets time and mode only for a record whose mtime is not
// 0; otherwise the file keeps the time of its writing, and a new file the permissions the creation mask
// gives it (an existing file opened for writing keeps its own).
struct file_state {
    sha256_digest digest{};
    std::uint32_t size = 0;
    std::optional<std::int32_t> mtime{};         // empty: the time of its writing
    std::optional<std::uint16_t> permissions{};  // the bits chmod applies (07777); empty: the mask's
    std::uint32_t stored_size = 0;               // the entry's stored bytes; not part of the state
    std::uint64_t entry =
        0;  // the entry of its payload (from 1) that wrote it, 0 if unknown; not part either
    // A link entry's text: the node is then a symbolic link, its digest and size those of the text.
    std::optional<std::string> link_target{};
};

// What a user can tell apart: the bytes (a link's kind and text among them), the time, the mode.
bool same_bytes(const file_state& a, const file_state& b);
bool same_time(const file_state& a, const file_state& b);
bool same_mode(const file_state& a, const file_state& b);

// The state a file entry gives its file: `record_mtime` and `record_mode` as the record holds them.
file_state written_state(const sha256_digest& digest, std::uint32_t size, std::int32_t record_mtime,
                         std::uint16_t record_mode, std::uint32_t stored_size);

struct layout_node {
    bool is_directory = true;
    std::map<std::string, layout_node, std::less<>> children{};
    file_state file{};  // a file's only
};

// The target directory itself; empty, as the installer meets a new target. Beside it, for each name, the
// paths ('/'-joined) of the nodes that same-name removal of that name takes now: the files and empty
// directories bearing it that no directory of that name stands above. An entry's removal then costs what
// it removes, not a walk of the whole tree.
struct layout_tree {
    layout_node root;
    std::map<std::string, std::set<std::string>, std::less<>> removable{};
};

// The outcome of one entry: an empty `installer_message` when the installer gets past it, else the
// message it stops with ("Can't create file - Is a directory (err=5).") and what is wrong in words.
struct layout_outcome {
    std::string installer_message;
    std::string what;
};

// The nodes that same-name removal has looked at so far in this process: a count of its work, which stays
// in proportion to the entries however many of them share a name.
std::uint64_t layout_removal_visits();

// Applies one entry (its name as in the record, and whether it is a delete entry) to `tree` as an
// installer running with `removal` would, up to and including the opening of a file entry's file; a file
// entry that gets that far leaves `written` in its file (of which only the mode may be kept: see
// file_state). With `path`, the file at the entry's own path is unlinked just before the opening, so the
// new file never keeps an old one's mode; a directory there stays and the opening fails. A `written` that
// holds a link's text lays out a link entry: renamed over a file as the installer places it, refused by a
// directory.
layout_outcome apply_entry(layout_tree& tree, payload::same_name_removal removal, std::string_view name,
                           bool is_delete, const file_state& written = {});

// Applies a touch entry as the installer does: no same-name removal, no directory made; the regular file
// at the path takes the record's time and mode (none for a record mtime of 0), and anything else there
// fails as the opening of a file does. With `release_known` false the tree lacks the release the update
// installs over, so a touch of a path that holds nothing passes and changes nothing.
layout_outcome apply_touch(layout_tree& tree, std::string_view name, std::int32_t record_mtime,
                           std::uint16_t record_mode, bool release_known);

}  // namespace builder
