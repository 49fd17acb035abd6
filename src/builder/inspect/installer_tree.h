// The tree an installer leaves in an empty target, worked out from the installer file alone: every entry
// read and checked as verify reads it, its file bytes digested, and replayed over the layout model with
// the removal rule the installer carries. And
// the comparison of two such trees, file by file, that diff prints and an update build proves itself by.
// The program in front of the payload is not judged here (verify does that).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "builder/model/layout_replay.h"

namespace builder {

struct installer_tree {
    layout_tree tree;
    payload::same_name_removal removal = payload::same_name_removal::anywhere;  // the one it runs with
    // Every file entry's state by its name, the last of a name kept: what an entry of another payload
    // that carries the same bytes would store, whether or not the file survives the installation.
    std::map<std::string, file_state> entries;
    std::uint64_t header_offset = 0;  // where the payload starts: the stub and its padding before it
    std::uint64_t installer_size = 0;
    std::string product;  // the header's texts, as they stand
    std::string version;
    bool is_update = false;  // its profile names a release it installs over
};

// Throws error, the message starting with `command`, at the first entry the installer would stop at. The
// installer runs with the removal rule of its own profile region, over an empty target or over `target`.
installer_tree read_installer_tree(const std::string& path, const std::string& command,
                                   const layout_tree* target = nullptr);

enum class change_kind { added, removed, changed };

struct tree_change {
    change_kind kind = change_kind::changed;
    std::string path;  // from the target, '/'-separated; a directory's ends in '/'
    bool bytes = false;
    bool time = false;
    bool mode = false;
    bool kind_of_file = false;  // a file became a link or the reverse (its bytes differ then too)
};

// What turns `from` into `to`, in byte order of the paths. A file that becomes a directory (or the
// reverse) is one path removed and another added.
std::vector<tree_change> compare_trees(const layout_tree& from, const layout_tree& to);

// "bytes, time", the aspects a changed file differs in ("kind, bytes" for a file that became a link).
std::string change_aspects(const tree_change& change);

}  // namespace builder
