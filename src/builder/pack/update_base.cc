// Choosing an update's base files.
#include "builder/pack/update_base.h"

#include <algorithm>
#include <set>

#include "builder/util/error.h"
#include "payload/profile_region.h"

namespace builder {
namespace {

struct candidate {
    base_file_settings file;
    bool rewritten = false;
};

// Every file beneath `dir` that `other` holds as a file at the same path, with both states.
void collect(const layout_node& dir, const layout_node& other, const std::string& prefix,
             const std::set<std::string>& written, std::vector<candidate>& found) {
    for (const auto& [name, node] : dir.children) {
        const auto there = other.children.find(name);
        if (there == other.children.end() || there->second.is_directory != node.is_directory) continue;
        const std::string path = prefix + name;
        if (node.is_directory) {
            collect(node, there->second, path + "/", written, found);
        } else if (payload::is_base_path(path)) {  // else it could stand in no record
            const file_state& before = node.file;
            const file_state& after = there->second.file;
            found.push_back(
                {{path, before.size, before.mtime.value_or(0), after.size, after.mtime.value_or(0)},
                 written.contains(path)});
        }
    }
}

}  // namespace

update_base_settings choose_base_files(const installer_tree& old, const layout_tree& new_tree,
                                       const payload_plan& update) {
    if (!payload::is_release_text(old.product) || !payload::is_release_text(old.version)) {
        throw error(
            "its product name or version is empty or holds a control character: the update could not name "
            "the release it installs over");
    }
    update_base_settings base{old.product, old.version, {}};
    std::set<std::string> written;
    for (const planned_entry& e : update.entries) {
        if (!e.is_delete) written.insert(e.name);
    }
    std::vector<candidate> found;
    collect(old.tree.root, new_tree.root, "", written, found);
    // The installer excuses a missing base file only when its states differ: one the update rewrites to the
    // same size and time would, after a run stopped inside it, stop every run after.
    std::erase_if(found, [](const candidate& c) {
        return c.rewritten && c.file.old_size == c.file.new_size && c.file.old_mtime == c.file.new_mtime;
    });
    std::ranges::sort(found, [](const candidate& a, const candidate& b) {
        if (a.file.old_mtime != b.file.old_mtime) return a.file.old_mtime > b.file.old_mtime;
        return a.file.path < b.file.path;
    });
    const auto count = [&](bool rewritten) {
        return static_cast<std::size_t>(std::ranges::count(found, rewritten, &candidate::rewritten));
    };
    const std::size_t places = payload::PROFILE_MAX_BASE_FILES;
    const std::size_t rewritten = std::min(count(true), places - std::min(count(false), places / 2));
    const std::size_t kept = std::min(count(false), places - rewritten);
    // The files left in place first: a target that is not OLD's fails on them before anything else.
    for (const bool kind : {false, true}) {
        std::size_t left = kind ? rewritten : kept;
        for (const candidate& c : found) {
            if (left == 0) break;
            if (c.rewritten != kind) continue;
            base.files.push_back(c.file);
            --left;
        }
    }
    return base;
}

}  // namespace builder
