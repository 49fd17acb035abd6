// The layout model. Each step mirrors one of the installer's file-system operations on the path it builds
// ("<target>/<name>"), resolved component by component as the kernel resolves it: empty and "."
// components stay where they are, and a path whose last component is empty names a directory.
#include "builder/model/layout_replay.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include "builder/util/display_text.h"
#include "builder/util/error.h"
#include "payload/installer_messages.h"
#include "payload/record_name.h"

namespace builder {
namespace {

// What the file system allows for one name component.
constexpr std::size_t LAYOUT_NAME_MAX = 255;

// As the installer's error_errno words it: the message, the system's text, the tag.
layout_outcome failure(const char* message, int errnum, const char* tag, std::string what) {
    std::string text = message;
    const char* system_text = std::strerror(errnum);
    if (errnum != 0 && system_text != nullptr && *system_text != '\0')
        text += std::string(" - ") + system_text;
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

node_iterator add_node(layout_tree& tree, layout_node& dir, std::string_view name, bool is_directory) {
    ++tree.name_count[std::string(name)];
    return dir.children.emplace(std::string(name), layout_node{.is_directory = is_directory}).first;
}

node_iterator remove_node(layout_tree& tree, layout_node& dir, node_iterator child) {
    const auto count = tree.name_count.find(child->first);
    if (--count->second == 0) tree.name_count.erase(count);
    return dir.children.erase(child);
}

// Every entry named `name` beneath `dir` goes when it is a file or an empty directory; a directory of that
// name is never entered.
void remove_named(layout_tree& tree, layout_node& dir, std::string_view name) {
    for (auto child = dir.children.begin(); child != dir.children.end();) {
        layout_node& node = child->second;
        if (child->first == name) {
            if (!node.is_directory || node.children.empty()) {
                child = remove_node(tree, dir, child);
                continue;
            }
        } else if (node.is_directory) {
            remove_named(tree, node, name);
        }
        ++child;
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
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
        if (stays_here(parts[i])) continue;
        const auto child = dir->children.find(parts[i]);
        if (child == dir->children.end() || !child->second.is_directory) return;
        dir = &child->second;
    }
    const auto victim = dir->children.find(parts.back());
    if (victim == dir->children.end()) return;
    const layout_node& node = victim->second;
    if (node.is_directory ? node.children.empty() : !names_directory) remove_node(tree, *dir, victim);
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
        path = joined(path, part);
        if (part.size() > LAYOUT_NAME_MAX) {
            return cannot_create_directory(ENAMETOOLONG, "a directory name is longer than " +
                                                             std::to_string(LAYOUT_NAME_MAX) + " bytes");
        }
        auto child = dir->children.find(part);
        if (child == dir->children.end()) child = add_node(tree, *dir, part, true);
        if (!child->second.is_directory) {
            return cannot_create_directory(
                EEXIST,
                "the file " + shown(path) + " of an earlier entry stands where a directory is needed");
        }
        dir = &child->second;
    }
    return {};
}

// fopen "wb" of "<target>/<name>": creates or truncates a file, fails on a directory; with `unlinked`, the
// installer unlinked the path first, so an existing file is replaced by a new one. The file then holds
// what the entry writes.
layout_outcome open_file(layout_tree& tree, std::string_view name, const file_state& written, bool unlinked) {
    const std::vector<std::string_view> parts = payload::name_components(name);
    layout_node* dir = &tree.root;
    std::string path;
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
        if (stays_here(parts[i])) continue;
        path = joined(path, parts[i]);
        const auto child = dir->children.find(parts[i]);
        const int errnum = parts[i].size() > LAYOUT_NAME_MAX ? ENAMETOOLONG
                           : child == dir->children.end()    ? ENOENT
                           : !child->second.is_directory     ? ENOTDIR
                                                             : 0;
        if (errnum != 0) return cannot_create_file(errnum, "the path " + shown(path) + " is not a directory");
        dir = &child->second;
    }
    const std::string_view last = parts.back();
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
        existing = add_node(tree, *dir, last, false);
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

}  // namespace

bool same_bytes(const file_state& a, const file_state& b) {
    return a.size == b.size && a.digest == b.digest;
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

layout_outcome apply_entry(layout_tree& tree, payload::same_name_removal removal, std::string_view name,
                           bool is_delete, const file_state& written) {
    const bool anywhere = removal == payload::same_name_removal::anywhere;
    if (anywhere && !name.empty() && tree.name_count.contains(payload::last_name_component(name)))
        remove_named(tree, tree.root, payload::last_name_component(name));
    if (is_delete) {
        delete_path(tree, name);
        return {};
    }
    layout_outcome outcome = make_directories(tree, name);
    if (outcome.installer_message.empty()) outcome = open_file(tree, name, written, !anywhere);
    return outcome;
}

}  // namespace builder
