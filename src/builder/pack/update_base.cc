// Choosing an update's base files.
#include "builder/pack/update_base.h"

#include <algorithm>
#include <set>
#include <string>

#include "builder/util/display_text.h"
#include "builder/util/error.h"
#include "payload/profile_region.h"

namespace builder {
namespace {

// Every file beneath `dir` that `other` holds as a file at the same path, with both states.
void collect(const layout_node& dir, const layout_node& other, const std::string& prefix,
             std::vector<base_file_settings>& found) {
    for (const auto& [name, node] : dir.children) {
        const auto there = other.children.find(name);
        if (there == other.children.end() || there->second.is_directory != node.is_directory) continue;
        // The installer checks a base file by its bytes: a link has none of its own.
        if (node.file.link_target || there->second.file.link_target) continue;
        const std::string path = prefix + name;
        if (node.is_directory) {
            collect(node, there->second, path + "/", found);
        } else if (payload::is_base_path(path)) {  // else it could stand in no record
            base_file_settings& file = found.emplace_back();
            file.path = path;
            file.old_size = node.file.size;
            file.old_mtime = node.file.mtime.value_or(0);
            file.new_size = there->second.file.size;
            file.new_mtime = there->second.file.mtime.value_or(0);
            file.old_digest = node.file.digest;
            file.new_digest = there->second.file.digest;
        }
    }
}

}  // namespace

update_base_settings choose_base_files(const installer_tree& old, const layout_tree& new_tree,
                                       const payload_plan& update) {
    // The installer names the release on its screens: C1 as well as C0 would reach the terminal.
    const auto shown_whole = [](const std::string& text) {
        return payload::is_release_text(text) && !has_control_byte(text);
    };
    if (!shown_whole(old.product) || !shown_whole(old.version)) {
        throw error(
            "its product name or version is empty or holds a control character: the update could not name "
            "the release it installs over");
    }
    update_base_settings base{old.product, old.version, {}};
    std::set<std::string> written;
    // A touch entry leaves the file's bytes where they are, so the file is one the update keeps.
    for (const planned_entry& e : update.entries) {
        if (!e.is_delete && !e.is_touch) written.insert(e.name);
    }
    collect(old.tree.root, new_tree.root, "", base.files);
    // The installer excuses a missing base file only when its states differ: one the update rewrites with
    // the same bytes would, after a run stopped inside it, stop every run after.
    std::erase_if(base.files,
                  [&](const base_file_settings& f) { return f.kept() && written.contains(f.path); });
    // The files left in place first: the new tree relies on them unchanged, and a target that is not
    // OLD's fails on them before anything else.
    std::ranges::sort(base.files, [](const base_file_settings& a, const base_file_settings& b) {
        if (a.kept() != b.kept()) return a.kept();
        if (a.old_mtime != b.old_mtime) return a.old_mtime > b.old_mtime;
        return a.path < b.path;
    });
    return base;
}

}  // namespace builder
