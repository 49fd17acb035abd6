// Reading the tree an installer leaves, and comparing two trees.
#include "builder/inspect/installer_tree.h"

#include <map>
#include <utility>

#include "builder/inspect/installer_file.h"
#include "builder/util/display_text.h"
#include "builder/util/error.h"
#include "payload/base_check.h"
#include "payload/record_name.h"

namespace builder {
namespace {

using path_map = std::map<std::string, const layout_node*>;

void collect(const layout_node& dir, const std::string& prefix, path_map& paths) {
    for (const auto& [name, node] : dir.children) {
        if (node.is_directory) {
            const std::string path = prefix + name + "/";
            paths.emplace(path, &node);
            collect(node, path, paths);
        } else {
            paths.emplace(prefix + name, &node);
        }
    }
}

// What an entry leaves: a file with its bytes' digest, or a link with its text as well.
file_state written_by(walked_entry& entry) {
    const payload::file_record& record = entry.record;
    sha256_state digest;
    sha256_init(digest);
    std::string text;
    const bool is_link = record.method == payload::METHOD_LINK;
    // Its problem stops the walk.
    (void)entry.read_bytes({.fd = -1, .name = {}, .digest = &digest, .text = is_link ? &text : nullptr});
    file_state written =
        written_state(sha256_final(digest), record.file_size, record.mtime, record.mode, record.stored_size);
    if (is_link) written.link_target = std::move(text);
    return written;
}

// What stands at a base file's path in `tree`, as the installer's look at the file would find it.
payload::base_state base_state_in(const layout_tree& tree, const base_file_settings& file) {
    const layout_node* node = &tree.root;
    for (const std::string_view part : payload::name_components(file.path)) {
        if (!node->is_directory) return payload::base_state::missing;  // a file on the way: nothing there
        const auto child = node->children.find(part);
        if (child == node->children.end()) return payload::base_state::missing;
        node = &child->second;
    }
    if (node->is_directory) return payload::base_state::directory;
    const file_state& found = node->file;
    if (found.link_target) return payload::base_state::link;
    const bool old_size = found.size == file.old_size;
    const bool new_size = found.size == file.new_size;
    if (!file.by_content) {
        const auto at = [&](std::int32_t time) { return time == 0 || (found.mtime && *found.mtime == time); };
        return (old_size && at(file.old_mtime)) || (new_size && at(file.new_mtime))
                   ? payload::base_state::as_expected
                   : payload::base_state::other_bytes;
    }
    return (old_size && found.digest == file.old_digest) || (new_size && found.digest == file.new_digest)
               ? payload::base_state::as_expected
               : payload::base_state::other_bytes;
}

// The update's check of the release beneath its target, replayed over `tree`: the message it would stop
// with, or empty.
std::string base_refusal(const layout_tree& tree, const update_base_settings& base,
                         std::string_view installer) {
    const payload::base_verdict verdict = payload::judge_base_files(
        base.files.size(), [&](std::size_t i) { return base.files[i].kept(); },
        [&](std::size_t i) { return base_state_in(tree, base.files[i]); });
    if (verdict.file == base.files.size()) return "";
    const base_file_settings& file = base.files[verdict.file];
    return payload::not_base_message({base.product, base.version}, file.path,
                                     payload::base_state_words(verdict.state, file.by_content),
                                     installer.substr(0, payload::BASE_MAX_NAMED_INSTALLER));
}

}  // namespace

installer_tree read_installer_tree(const std::string& path, const std::string& command,
                                   const layout_tree* target) {
    // Of two installers, the message names the one at fault.
    const std::string prefix = command + ": " + shown(path) + ": ";
    installer_payload in;
    std::string problem_text = open_installer_into(path, in);
    if (problem_text.empty()) problem_text = whole_payload_problem(in);
    if (!problem_text.empty()) throw error(prefix + problem_text);
    installer_file file(std::move(in), command + ": " + shown(path));
    // An installer that refuses to start at its own regions leaves nothing.
    if (const std::string refusal = start_refusal(file.regions()); !refusal.empty())
        throw error(prefix + refusal);
    installer_tree result;
    if (target != nullptr) result.tree = *target;
    const profile_values profile = file.settings();
    // An update looks at the release beneath its target before it writes anything.
    if (target != nullptr && profile.update_of) {
        const std::string refusal = base_refusal(*target, *profile.update_of,
                                                 profile.values[payload::PROFILE_FULL_INSTALLER].front());
        if (!refusal.empty())
            throw error(prefix + "over the release's tree the update stops with \"" + refusal + "\"");
    }
    result.removal = profile.removal;
    result.is_update = profile.update_of.has_value();
    const installer_payload& opened = file.payload();
    result.header_offset = opened.header_offset;
    result.installer_size = opened.file_size;
    result.product = payload::header_text(opened.header, payload::HEADER_PRODUCT_NAME);
    result.version = payload::header_text(opened.header, payload::HEADER_VERSION);
    const auto digest_bytes = [&](walked_entry& entry) {
        const payload::file_record& record = entry.record;
        if (!payload::has_stored_bytes(record)) return;
        entry.written = written_by(entry);
        result.entries[record.name] = entry.written;
    };
    if (const auto stop = file.walk(
            digest_bytes, {&result.tree, layout_order::after_bytes, result.removal, target != nullptr}))
        throw error(prefix + describe_stop(*stop));
    return result;
}

std::vector<tree_change> compare_trees(const layout_tree& from, const layout_tree& to) {
    path_map before;
    path_map after;
    collect(from.root, "", before);
    collect(to.root, "", after);
    std::vector<tree_change> changes;
    auto old_path = before.begin();
    auto new_path = after.begin();
    while (old_path != before.end() || new_path != after.end()) {
        if (new_path == after.end() || (old_path != before.end() && old_path->first < new_path->first)) {
            changes.push_back({change_kind::removed, old_path->first});
            ++old_path;
        } else if (old_path == before.end() || new_path->first < old_path->first) {
            changes.push_back({change_kind::added, new_path->first});
            ++new_path;
        } else {
            const layout_node& a = *old_path->second;
            const layout_node& b = *new_path->second;
            if (!a.is_directory) {
                tree_change change{change_kind::changed,
                                   old_path->first,
                                   !same_bytes(a.file, b.file),
                                   !same_time(a.file, b.file),
                                   !same_mode(a.file, b.file),
                                   a.file.link_target.has_value() != b.file.link_target.has_value()};
                if (change.bytes || change.time || change.mode) changes.push_back(std::move(change));
            }
            ++old_path;
            ++new_path;
        }
    }
    return changes;
}

std::string change_aspects(const tree_change& change) {
    std::string text;
    for (const auto& [differs, word] :
         {std::pair{change.kind_of_file, "kind"}, std::pair{change.bytes, "bytes"},
          std::pair{change.time, "time"}, std::pair{change.mode, "mode"}}) {
        if (!differs) continue;
        if (!text.empty()) text += ", ";
        text += word;
    }
    return text;
}

}  // namespace builder
