// A model of the tree beneath the installer's target directory, and what each entry does to it under the
// installer's rules: the removal of every file bearing the entry's last name component anywhere beneath
// the target, a delete entry's removal of a file, link or empty directory, the creation of the directories
// along a file's path (failing where a file stands), and the opening of the file (failing where a
// directory stands). verify replays a payload over an empty target with it, so that a payload the
// installer cannot lay out is caught before anyone runs it; a tree read from disk could be replayed over
// just as well.
//
// Only names and kinds are modelled, never contents, times or modes; links are not modelled (the
// installer makes none). What depends on the target's own path (a whole path longer than the system
// accepts) is out of reach; a single name component longer than 255 bytes is not.
#pragma once

#include <map>
#include <string>
#include <string_view>

namespace builder {

struct layout_node {
    bool is_directory = true;
    std::map<std::string, layout_node, std::less<>> children{};
};

// The target directory itself; empty, as the installer meets a new target.
struct layout_tree {
    layout_node root;
};

// The outcome of one entry: an empty `installer_message` when the installer gets past it, else the
// message it stops with ("Can't create file - Is a directory (err=5).") and what is wrong in words.
struct layout_outcome {
    std::string installer_message;
    std::string what;
};

// Applies one entry (its name as in the record, and whether it is a delete entry) to `tree` as the
// installer would, up to and including the opening of a file entry's file.
layout_outcome apply_entry(layout_tree& tree, std::string_view name, bool is_delete);

}  // namespace builder
