// The index of names beneath the target directory: built by one walk that meets what remove_named_entries
// would meet, then kept in step with what the extraction loop does, or marked stale when it cannot tell.
#include "install/name_index.h"
#include "install/name_index_seam.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <list>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "install/allocation_failure.h"
#include "install/directory_chain.h"
#include "install/directory_ops.h"
#include "payload/record_name.h"
#include "target/path_kind.h"

namespace install {

same_name_method same_name_removal = same_name_method::index;

namespace {

// What the walk needs to know of an entry: only a directory in its own right is entered, and only the
// removal of a regular file leaves every path that leads on as it was.
enum class node_kind { directory, regular, other };

struct index_node {
    std::string name;
    index_node* parent = nullptr;  // null for the target itself and for an entry that is gone
    node_kind kind = node_kind::other;
    bool listed = false;  // a directory whose entries were read (or that the installer made empty)
    std::unordered_map<std::string_view, index_node*> children;
    // The other entries of the same name, in a list threaded through the nodes: a name costs the index
    // one map slot, not a container of its own.
    index_node* same_name_prev = nullptr;
    index_node* same_name_next = nullptr;
};

struct name_index {
    std::string root_path;
    // Stable addresses, since the maps hold views of the names; a list, since an empty one (unlike a deque)
    // allocates nothing, so that forgetting the index never needs memory.
    std::list<index_node> nodes;
    std::unordered_map<std::string_view, index_node*> by_name;  // the first entry of each name, or null
    std::set<std::pair<dev_t, ino_t>> directories_seen;
};

// Whether the index may be trusted, in one state. `confirmed`: the target path was found to be a
// directory and nothing but regular files has been removed since, so it, and with it every prefix of it,
// still is one (only removals can change that, and only the installer acts on the tree).
enum class index_state {
    stale,      // never read, or no longer exact: the next removal reads the tree
    built,      // exact; the target path is tested before it is trusted
    confirmed,  // exact, and the target path known to be a directory
    unusable,   // a directory reachable twice: the walk serves until the tree is read again
    given_up,   // the index could not grow: the walk serves the rest of the installation
};

name_index index;
index_state state = index_state::stale;
unsigned reads = 0;
bool removed_other = false;  // since remove_same_named began: something but a regular file went

bool is_exact() {
    return state == index_state::built || state == index_state::confirmed;
}

void unconfirm() {
    if (state == index_state::confirmed) state = index_state::built;
}

index_node* add_node(index_node* parent, std::string_view name, node_kind kind) {
    index_node& node = index.nodes.emplace_back();
    node.name = name;
    node.parent = parent;
    node.kind = kind;
    node.listed = false;
    parent->children.emplace(node.name, &node);
    index_node*& first = index.by_name[node.name];
    node.same_name_next = first;
    if (first != nullptr) first->same_name_prev = &node;
    first = &node;
    return &node;
}

void erase_node(index_node* node) {
    // A regular file is never a component of a path that leads on, so its removal leaves the target as
    // it was; a directory or a link beneath the target may be one of the target path's own components
    // (a target reached through a link or a ".." beneath itself), so the target is tested again.
    if (node->kind != node_kind::regular) {
        unconfirm();
        removed_other = true;
    }
    node->parent->children.erase(node->name);
    // Nodes are never freed, so the map's key, which may view this node's name, stays valid.
    if (node->same_name_prev != nullptr) {
        node->same_name_prev->same_name_next = node->same_name_next;
    } else {
        index.by_name.find(node->name)->second = node->same_name_next;
    }
    if (node->same_name_next != nullptr) node->same_name_next->same_name_prev = node->same_name_prev;
    node->same_name_prev = node->same_name_next = nullptr;
    node->parent = nullptr;
}

node_kind kind_of(unsigned char d_type, const std::string& path, struct stat* info) {
    if (d_type == DT_UNKNOWN || d_type == DT_DIR) {
        // The walk asks lstat too; for a directory the device and inode tell a second way into it.
        if (lstat(path.c_str(), info) != 0) return node_kind::other;
        if (S_ISDIR(info->st_mode)) return node_kind::directory;
        return S_ISREG(info->st_mode) ? node_kind::regular : node_kind::other;
    }
    return d_type == DT_REG ? node_kind::regular : node_kind::other;
}

bool first_visit(const struct stat& info) {
    if (index.directories_seen.emplace(info.st_dev, info.st_ino).second) return true;
    state = index_state::unusable;
    return false;
}

// The same paths as the walk builds (dir, "/", entry name), so that what it cannot open (a path grown too
// long) stays unlisted here too.
void read_directory(index_node* node, const std::string& path) {
    DIR* stream = opendir(path.c_str());
    if (stream == nullptr) return;
    // Closed on every way out, the failed allocations that abandon the index included.
    const std::unique_ptr<DIR, int (*)(DIR*)> closer(stream, closedir);
    node->listed = true;
    while (const dirent* entry = readdir(stream)) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..") continue;
        std::string child_path = path + "/" + entry->d_name;
        struct stat info {};
        const node_kind kind = kind_of(entry->d_type, child_path, &info);
        index_node* child = add_node(node, name, kind);
        if (kind == node_kind::directory && first_visit(info)) read_directory(child, child_path);
    }
}

void build_index(const char* dir) {
    index = name_index{};
    state = index_state::built;  // unless a directory turns out reachable twice
    ++reads;
    index.root_path = dir;
    index_node& root = index.nodes.emplace_back();
    root.kind = node_kind::directory;
    struct stat info {};
    if (stat(dir, &info) == 0 && first_visit(info)) read_directory(&root, index.root_path);
}

std::string path_of(const index_node* node) {
    if (node->parent == nullptr) return index.root_path;
    return path_of(node->parent) + "/" + node->name;
}

// The walk never enters an entry named `name`, so whatever lies beneath one is out of its reach.
bool reached_by_walk(const index_node* node, std::string_view name) {
    for (const index_node* up = node->parent; up->parent != nullptr; up = up->parent) {
        if (up->name == name) return false;
    }
    return true;
}

// The names the writer produces. The index follows no other: the loop and directory creation would read
// a '\\', an empty or a "." component differently from it.
bool is_plain_name(std::string_view name) {
    return payload::plain_name_fault(name) == payload::name_fault::none;
}

index_node* find_child(index_node* node, std::string_view name) {
    const auto found = node->children.find(name);
    return found == node->children.end() ? nullptr : found->second;
}

// Whether the index can follow what an entry did beneath `dir`; when it cannot, it turns stale.
bool can_follow(const char* dir, const char* name) {
    if (same_name_removal != same_name_method::index || !is_exact()) return false;
    if (index.root_path == dir && is_plain_name(name)) return true;
    state = index_state::stale;
    return false;
}

void mark_stale() {
    if (state != index_state::given_up) state = index_state::stale;
}

// Every allocation of the index throws when it fails: the index is forgotten (which needs no memory) and
// the walk takes over, so a failure ends where the walk's own allocation failures end.
void give_up_index() {
    index = name_index{};
    state = index_state::given_up;
}

bool index_follows(const char* dir) {
    return same_name_removal == same_name_method::index && is_exact() && index.root_path == dir;
}

// As the walk removes it: through the directories held open from the target down, none of them a link
// (one swapped in since the index was read leads nowhere).
bool remove_node(const index_node* node) {
    const int parent = enter_directory_path(path_of(node->parent).c_str(), false, false);
    return parent >= 0 && remove_at(parent, node->name.c_str());
}

void remove_through_index(const char* dir, const char* name) {
    // The walk's own test of the target, skipped while its answer cannot have changed.
    const bool trusted = state == index_state::confirmed && index_follows(dir);
    if (!trusted && target::path_kind(dir) != target::path_type::directory) {
        mark_stale();  // whatever comes into being there later is read afresh
        return;
    }
    if (state == index_state::stale || index.root_path != dir) build_index(dir);
    if (state == index_state::built) state = index_state::confirmed;
    if (state == index_state::unusable) {
        remove_named_entries(dir, name);
        return;
    }
    const auto found = index.by_name.find(name);
    if (found == index.by_name.end()) return;
    // Each removal stands alone: a reachable entry is never beneath another reachable one of the same
    // name, so the order does not matter. The next is taken first, since a success unlinks the node.
    for (index_node* node = found->second; node != nullptr;) {
        index_node* const next = node->same_name_next;
        // A non-empty directory refuses and stays, as it does for the walk.
        if (reached_by_walk(node, name) && remove_node(node)) erase_node(node);
        node = next;
    }
}

}  // namespace

void reset_name_index() {
    index = name_index{};
    // An index that could not give way under a memory limit is not kept at all: the walk needs none.
    state = !ALLOCATION_FAILURE_RECOVERS && memory_is_limited() ? index_state::given_up : index_state::stale;
    reads = 0;
}

unsigned name_index_reads() {
    return reads;
}

bool remove_same_named(const char* dir, const char* name) {
    // The walk says nothing of what it removed: anything may have gone.
    if (same_name_removal == same_name_method::walk || state == index_state::given_up) {
        remove_named_entries(dir, name);
        return true;
    }
    if (dir == nullptr || name == nullptr) return false;
    removed_other = false;
    return recovering_from_allocation_failure(
        [&] {
            remove_through_index(dir, name);
            return removed_other || state == index_state::unusable;
        },
        [&] {
            // What the index removed before it failed is gone; the walk removes the rest.
            give_up_index();
            remove_named_entries(dir, name);
            return true;
        });
}

namespace {

// The components of a name split on '/' (as payload::name_components splits it), walked in place.
struct component_walk {
    std::string_view rest;
    std::string_view part() const { return rest.substr(0, rest.find('/')); }
    bool last() const { return rest.find('/') == std::string_view::npos; }
    void next() { rest.remove_prefix(part().size() + 1); }
};

void follow_file_written(const char* name) {
    index_node* node = &index.nodes.front();
    component_walk walk{name};
    for (; !walk.last(); walk.next()) {
        if (!node->listed) return mark_stale();
        index_node* child = find_child(node, walk.part());
        if (child == nullptr) {
            // Absent before, so directory creation made it, empty.
            child = add_node(node, walk.part(), node_kind::directory);
            child->listed = true;
        } else if (child->kind != node_kind::directory) {
            return mark_stale();  // a link was followed: the file may have landed anywhere
        }
        node = child;
    }
    if (!node->listed) return mark_stale();
    index_node* file = find_child(node, walk.rest);
    if (file == nullptr) {
        add_node(node, walk.rest, node_kind::regular);
    } else if (file->kind != node_kind::regular) {
        file->kind = node_kind::regular;  // the link or other entry that stood there was replaced
    }
}

void follow_path_deleted(const char* name, bool removed) {
    index_node* node = &index.nodes.front();
    for (component_walk walk{name};; walk.next()) {
        if (node->kind != node_kind::directory || !node->listed) return mark_stale();
        node = find_child(node, walk.part());
        if (node == nullptr) {
            if (removed) mark_stale();  // something the index did not know of went
            return;
        }
        if (walk.last()) break;
    }
    if (!removed) return;
    if (!node->children.empty()) return mark_stale();
    erase_node(node);
}

}  // namespace

void note_file_written(const char* dir, const char* name) {
    if (!can_follow(dir, name)) return;
    recovering_from_allocation_failure([&] { follow_file_written(name); }, give_up_index);
}

void note_path_deleted(const char* dir, const char* name, bool removed) {
    if (removed) unconfirm();
    if (!can_follow(dir, name)) return;
    recovering_from_allocation_failure([&] { follow_path_deleted(name, removed); }, give_up_index);
}

bool known_free_path(const char* dir, const char* name) {
    if (state != index_state::confirmed || !index_follows(dir) || !is_plain_name(name)) return false;
    index_node* node = &index.nodes.front();
    for (component_walk walk{name};; walk.next()) {
        if (node->kind != node_kind::directory || !node->listed) return false;
        node = find_child(node, walk.part());
        // A directory absent from the index was made just now for this entry, empty.
        if (node == nullptr) return true;
        if (walk.last()) return false;
    }
}

}  // namespace install
