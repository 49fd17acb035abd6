// The layout model. Each step mirrors one of the installer's file-system operations on the path it builds
// ("<target>/<name>"), resolved component by component as the kernel resolves it: empty and "."
// components stay where they are, and a path whose last component is empty names a directory.
#include "builder/model/layout_replay.h"

#include <cerrno>
#include <set>
#include <vector>

#include "builder/util/display_text.h"
#include "builder/util/error.h"
#include "payload/error_text.h"
#include "payload/installer_messages.h"
#include "payload/record_name.h"

namespace builder {
namespace {

// What the file system allows for one name component.
constexpr std::size_t LAYOUT_NAME_MAX = 255;

// As the installer's error_errno words it: the message, the system's text, the tag.
layout_outcome failure(const char* message, int errnum, const char* tag, std::string what) {
    std::string text = message;
    if (errnum != 0) text += std::string(" - ") + payload::error_text(errnum);
    return {text + " " + tag, std::move(what)};
}

// The installer's two failures here: making the file's directories, and creating the file.
layout_outcome cannot_create_directory(int errnum, std::string what) {
    return failure(payload::MESSAGE_CREATE_DIRECTORY, errnum, payload::MESSAGE_CREATE_DIRECTORY_TAG,
                   std::move(what));
}

layout_outcome cannot_create_file(int errnum, std::string what) {
    return failure(payload::MESSAGE_CREATE_FILE, errnum, payload::MESSAGE_CREATE_FILE_TAG, std::move(what));
}

bool stays_here(std::string_view part) {
    return part.empty() || part == ".";
}

std::string joined(const std::string& path, std::string_view part) {
    return path.empty() ? std::string(part) : path + "/" + std::string(part);
}

using node_iterator = std::map<std::string, layout_node, std::less<>>::iterator;

// The directory part of a path of the tree ("" for a node of the target itself), and the node's own name.
std::string_view dir_of(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash);
}

std::string_view own_name(std::string_view path) {
    return path.substr(path.rfind('/') + 1);  // npos + 1 is 0
}

// Whether the node at `path` (beneath the target, '/'-joined names of the tree) can ever go by same-name
// removal: not when a directory above it bears its name, since that directory is never entered (and is
// not empty while the node is in it). A path never changes, so neither does the answer.
bool removable_by_name(std::string_view path) {
    const std::string_view name = own_name(path);
    for (std::string_view above = dir_of(path); !above.empty(); above = dir_of(above)) {
        if (own_name(above) == name) return false;
    }
    return true;
}

// Files and empty directories are removable, a directory only while it is empty; the target never goes.
void set_removable(layout_tree& tree, const std::string& path, bool removable) {
    if (path.empty() || !removable_by_name(path)) return;
    const std::string_view name = own_name(path);
    if (removable) {
        tree.removable[std::string(name)].insert(path);
        return;
    }
    const auto bearing = tree.removable.find(name);
    if (bearing == tree.removable.end()) return;
    bearing->second.erase(path);
    if (bearing->second.empty()) tree.removable.erase(bearing);
}

// `dir` stands at `dir_path` ("" for the target).
node_iterator add_node(layout_tree& tree, const std::string& dir_path, layout_node& dir,
                       std::string_view name, bool is_directory) {
    if (dir.children.empty()) set_removable(tree, dir_path, false);
    const auto added =
        dir.children.emplace(std::string(name), layout_node{.is_directory = is_directory}).first;
    set_removable(tree, joined(dir_path, name), true);
    return added;
}

void remove_node(layout_tree& tree, const std::string& dir_path, layout_node& dir, node_iterator child) {
    set_removable(tree, joined(dir_path, child->first), false);
    dir.children.erase(child);
    if (dir.children.empty()) set_removable(tree, dir_path, true);
}

std::uint64_t removal_visits = 0;

// Every file or empty directory named `name` beneath the target goes, except beneath a directory of that
// name, which is never entered. The index holds just those, so the work is the removals' own: a walk of
// the whole tree for each entry, as the installer makes, would make the model of a payload of many
// same-named files quadratic.
void remove_named(layout_tree& tree, std::string_view name) {
    const auto bearing = tree.removable.find(name);
    if (bearing == tree.removable.end()) return;
    // Removing one never makes another removable under this name: a directory it empties bears another
    // name, or else a directory of its own name would have stood above the removed one.
    const std::set<std::string> paths = std::move(bearing->second);
    tree.removable.erase(bearing);
    for (const std::string& path : paths) {
        ++removal_visits;
        const std::string dir_path(dir_of(path));
        layout_node* dir = &tree.root;
        for (const std::string_view part : payload::name_components(dir_path)) {
            if (!part.empty()) dir = &dir->children.find(part)->second;
        }
        remove_node(tree, dir_path, *dir, dir->children.find(name));
    }
}

// remove, then rmdir, of "<target>/<name>": a file, or an empty directory, goes; anything else stays.
void delete_path(layout_tree& tree, std::string_view name) {
    std::vector<std::string_view> parts = payload::name_components(name);
    bool names_directory = false;
    while (!parts.empty() && parts.back().empty()) {
        parts.pop_back();
        names_directory = true;
    }
    // The target itself may go when empty, but then nothing was in it: the same as staying. A last
    // component "." cannot be removed.
    if (parts.empty() || parts.back() == ".") return;
    layout_node* dir = &tree.root;
    std::string path;
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
        if (stays_here(parts[i])) continue;
        const auto child = dir->children.find(parts[i]);
        if (child == dir->children.end() || !child->second.is_directory) return;
        dir = &child->second;
        path = joined(path, parts[i]);
    }
    const auto victim = dir->children.find(parts.back());
    if (victim == dir->children.end()) return;
    const layout_node& node = victim->second;
    if (node.is_directory ? node.children.empty() : !names_directory) remove_node(tree, path, *dir, victim);
}

// The installer cuts "<target>/<name>" to its parent; the target itself is never cut into, so what remains
// beneath it is the name's own parent (a name whose only separator leads it keeps the target, as "" does).
std::string_view directory_part(std::string_view name) {
    return name.substr(0, payload::parent_length(name));
}

// make_dir_path on every prefix of the directory part, shortest first.
layout_outcome make_directories(layout_tree& tree, std::string_view name) {
    layout_node* dir = &tree.root;
    std::string path;
    for (const std::string_view part : payload::name_components(directory_part(name))) {
        if (stays_here(part)) continue;
        const std::string above = path;
        path = joined(path, part);
        if (part.size() > LAYOUT_NAME_MAX) {
            return cannot_create_directory(ENAMETOOLONG, "a directory name is longer than " +
                                                             std::to_string(LAYOUT_NAME_MAX) + " bytes");
        }
        auto child = dir->children.find(part);
        if (child == dir->children.end()) child = add_node(tree, above, *dir, part, true);
        if (!child->second.is_directory) {
            return cannot_create_directory(
                EEXIST,
                "the file " + shown(path) + " of an earlier entry stands where a directory is needed");
        }
        dir = &child->second;
    }
    return {};
}

// Where opening "<target>/<name>" gets: the directory that holds the last component (`dir`, at `path`),
// or the failure of the opening on the way.
struct parent_walk {
    layout_outcome failure;
    layout_node* dir = nullptr;
    std::string path;
    std::string_view last;
};

parent_walk walk_to_parent(layout_tree& tree, std::string_view name) {
    const std::vector<std::string_view> parts = payload::name_components(name);
    parent_walk walk{{}, &tree.root, {}, parts.back()};
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
        if (stays_here(parts[i])) continue;
        walk.path = joined(walk.path, parts[i]);
        const auto child = walk.dir->children.find(parts[i]);
        const int errnum = parts[i].size() > LAYOUT_NAME_MAX   ? ENAMETOOLONG
                           : child == walk.dir->children.end() ? ENOENT
                           : !child->second.is_directory       ? ENOTDIR
                                                               : 0;
        if (errnum != 0) {
            walk.failure = cannot_create_file(errnum, "the path " + shown(walk.path) + " is not a directory");
            return walk;
        }
        walk.dir = &child->second;
    }
    return walk;
}

// fopen "wb" of "<target>/<name>": creates or truncates a file, fails on a directory; with `unlinked`, the
// installer unlinked the path first, so an existing file is replaced by a new one. The file then holds
// what the entry writes.
layout_outcome open_file(layout_tree& tree, std::string_view name, const file_state& written, bool unlinked) {
    parent_walk walk = walk_to_parent(tree, name);
    if (!walk.failure.installer_message.empty()) return walk.failure;
    layout_node* dir = walk.dir;
    const std::string& path = walk.path;
    const std::string_view last = walk.last;
    if (stays_here(last)) {
        return cannot_create_file(
            EISDIR, "the name names a directory, not a file (it is empty or ends in '/' or \".\")");
    }
    if (last.size() > LAYOUT_NAME_MAX) {
        return cannot_create_file(
            ENAMETOOLONG, "the file name is longer than " + std::to_string(LAYOUT_NAME_MAX) + " bytes");
    }
    auto existing = dir->children.find(last);
    const bool created = existing == dir->children.end() || (unlinked && !existing->second.is_directory);
    if (existing == dir->children.end()) {
        existing = add_node(tree, path, *dir, last, false);
    } else if (existing->second.is_directory) {
        // Same-name removal would have taken an empty one away; unlink takes neither.
        return cannot_create_file(EISDIR,
                                  shown(joined(path, last)) + " is a directory that earlier entries " +
                                      (existing->second.children.empty() ? "made" : "made and filled"));
    }
    file_state& file = existing->second.file;
    // Without chmod a truncated file keeps its permissions; a new one gets the mask's.
    const std::optional<std::uint16_t> kept = file.permissions;
    file = written;
    if (!written.mtime && !created) file.permissions = kept;
    return {};
}

// The node at "<target>/<name>" as the installer's openat through the held directories finds it, or the
// failure of that opening.
layout_outcome find_file(layout_tree& tree, std::string_view name, layout_node** found) {
    *found = nullptr;
    parent_walk walk = walk_to_parent(tree, name);
    if (!walk.failure.installer_message.empty()) return walk.failure;
    layout_node* dir = walk.dir;
    const std::string& path = walk.path;
    const std::string_view last = walk.last;
    if (stays_here(last)) return cannot_create_file(EISDIR, "the name names a directory, not a file");
    const auto existing = dir->children.find(last);
    if (existing == dir->children.end())
        return cannot_create_file(ENOENT, "no file stands at " + shown(joined(path, last)) + " to touch");
    if (existing->second.is_directory)
        return cannot_create_file(EISDIR, shown(joined(path, last)) + " is a directory, not a file to touch");
    *found = &existing->second;
    return {};
}

}  // namespace

std::uint64_t layout_removal_visits() {
    return removal_visits;
}

bool same_bytes(const file_state& a, const file_state& b) {
    return a.size == b.size && a.digest == b.digest && a.link_target == b.link_target;
}

bool same_time(const file_state& a, const file_state& b) {
    return a.mtime == b.mtime;
}

bool same_mode(const file_state& a, const file_state& b) {
    return a.permissions == b.permissions;
}

file_state written_state(const sha256_digest& digest, std::uint32_t size, std::int32_t record_mtime,
                         std::uint16_t record_mode, std::uint32_t stored_size) {
    file_state state{.digest = digest, .size = size, .stored_size = stored_size};
    if (record_mtime != 0) {
        state.mtime = record_mtime;
        state.permissions = static_cast<std::uint16_t>(record_mode & 07777);
    }
    return state;
}

layout_outcome apply_touch(layout_tree& tree, std::string_view name, std::int32_t record_mtime,
                           std::uint16_t record_mode, bool release_known) {
    layout_node* file = nullptr;
    layout_outcome outcome = find_file(tree, name, &file);
    if (file == nullptr) return release_known ? outcome : layout_outcome{};
    if (record_mtime != 0) {
        file->file.mtime = record_mtime;
        file->file.permissions = static_cast<std::uint16_t>(record_mode & 07777);
    }
    return {};
}

layout_outcome apply_entry(layout_tree& tree, payload::same_name_removal removal, std::string_view name,
                           bool is_delete, const file_state& written) {
    const bool anywhere = removal == payload::same_name_removal::anywhere;
    if (anywhere && !name.empty()) remove_named(tree, payload::last_name_component(name));
    if (is_delete) {
        delete_path(tree, name);
        return {};
    }
    layout_outcome outcome = make_directories(tree, name);
    // A link is made beside the path and renamed over whatever stands there but a directory: a new node.
    const bool replaced = !anywhere || written.link_target.has_value();
    if (outcome.installer_message.empty()) outcome = open_file(tree, name, written, replaced);
    return outcome;
}

}  // namespace builder
