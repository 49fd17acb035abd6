// Planning an update. The first guess carries a delete entry for every path of the old tree that the new
// one lacks (deepest first, so that each directory is empty when its own entry comes) and the file
// entries of every file that is new or differs. Replaying that over the old tree then shows what the
// installer's same-name removals took away or left behind, and the plan grows by the entries that put it
// right, in the full build's order, until the replay ends in the new tree. The plan only ever grows, so
// this ends; when a round adds nothing, the update cannot be built. A file whose bytes the old tree
// already holds, differing only in time or mode, is first tried as a touch entry; a touch that finds no
// file (an earlier entry's same-name removal took it) is carried whole instead.
#include "builder/pack/update_plan.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>

#include "builder/format/field_limits.h"
#include "builder/format/record_writer.h"
#include "builder/model/same_name.h"
#include "builder/pack/update_base.h"
#include "builder/util/display_text.h"
#include "builder/util/error.h"
#include "builder/util/input_file.h"
#include "payload/header_block.h"
#include "payload/record_name.h"

namespace builder {
namespace {

constexpr std::size_t UPDATE_READ_CHUNK = 1 << 16;

// The source file as the full build would pack it, digested in chunks: read no further than a payload
// holds for one file, and only while it is a regular file (the build reads it again, and judges it again).
file_state digest_file(const std::string& path, const planned_entry& entry) {
    const std::string named = shown(path);
    const input_file file = open_regular_input(path, "", "", PAYLOAD_FIELD_MAX);
    sha256_state digest;
    sha256_init(digest);
    std::vector<unsigned char> chunk(UPDATE_READ_CHUNK);
    std::uint64_t size = 0;
    while (size <= PAYLOAD_FIELD_MAX) {
        const std::size_t got = std::fread(chunk.data(), 1, chunk.size(), file.file.get());
        if (got == 0) break;
        sha256_update(digest, chunk.data(), got);
        size += got;
    }
    if (std::ferror(file.file.get())) fail_errno("cannot read " + named);
    if (size > PAYLOAD_FIELD_MAX) throw error(named + " has grown beyond what a payload holds for one file");
    return written_state(sha256_final(digest), static_cast<std::uint32_t>(size), entry.mtime, entry.mode, 0);
}

// A link entry's state, as reading it back from an installer gives it.
file_state link_state(const planned_entry& entry) {
    sha256_state digest;
    sha256_init(digest);
    sha256_update(digest, reinterpret_cast<const unsigned char*>(entry.link_target->data()), entry.size);
    file_state state = written_state(sha256_final(digest), entry.size, entry.mtime, entry.mode, 0);
    state.link_target = entry.link_target;
    return state;
}

// An entry of the update: a delete, or a file entry of the full plan by its index, whole or as a touch.
struct update_entry {
    std::string delete_name;
    std::size_t file_index = 0;
    bool is_delete = false;
    bool is_touch = false;
};

struct replay_outcome {
    layout_tree tree;
    std::string failure;                        // why the installer would stop, or empty
    std::optional<std::size_t> failed_touch{};  // the full plan's index of a touch that stopped it
};

// The update's entries over `start`, with the removal rule of the installer the build writes.
replay_outcome replay(const layout_tree& start, const std::vector<update_entry>& entries,
                      const payload_plan& full, const std::vector<file_state>& states) {
    replay_outcome outcome{start, {}, {}};
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const update_entry& e = entries[i];
        const std::string& name = e.is_delete ? e.delete_name : full.entries[e.file_index].name;
        const layout_outcome step = e.is_touch
                                        ? apply_touch(outcome.tree, name, full.entries[e.file_index].mtime,
                                                      full.entries[e.file_index].mode, true)
                                        : apply_entry(outcome.tree, full.removal, name, e.is_delete,
                                                      e.is_delete ? file_state{} : states[e.file_index]);
        if (!step.installer_message.empty()) {
            if (e.is_touch) outcome.failed_touch = e.file_index;
            outcome.failure = "its entry " + std::to_string(i + 1) + " " + shown(name) + ": " + step.what +
                              " (the installer would stop with " + shown(step.installer_message) + ")";
            return outcome;
        }
    }
    return outcome;
}

std::string describe_difference(const tree_change& c) {
    const std::string path = shown(c.path);
    switch (c.kind) {
        case change_kind::removed:
            return path + " would stay in the target, where a full installation leaves nothing";
        case change_kind::added:
            return path + " would be missing, which a full installation leaves";
        case change_kind::changed:
            break;
    }
    return path + " would differ from the full installation's in its " + change_aspects(c);
}

bool is_carried_delete(const std::string& name) {
    try {
        check_delete_path(name);
        return true;
    } catch (const error&) {
        return false;  // the replay then finds the path left behind, and names it
    }
}

void collect_files(const layout_node& dir, const std::string& prefix,
                   std::map<std::string, const file_state*>& files) {
    for (const auto& [name, node] : dir.children) {
        if (node.is_directory) {
            collect_files(node, prefix + name + "/", files);
        } else {
            files.emplace(prefix + name, &node.file);
        }
    }
}

}  // namespace

std::vector<file_state> source_states(const build_settings& settings, const payload_plan& full) {
    std::vector<file_state> states(full.entries.size());
    for (std::size_t i = 0; i < full.entries.size(); ++i) {
        const planned_entry& e = full.entries[i];
        if (e.link_target) {
            states[i] = link_state(e);
        } else if (!e.is_delete) {
            states[i] = digest_file(settings.source_dir + "/" + e.name, e);
        }
    }
    return states;
}

layout_tree replay_full(const payload_plan& full, const std::vector<file_state>& states) {
    layout_tree tree;
    for (std::size_t i = 0; i < full.entries.size(); ++i) {
        const planned_entry& e = full.entries[i];
        const layout_outcome step = apply_entry(tree, full.removal, e.name, e.is_delete, states[i]);
        if (!step.installer_message.empty()) {
            throw error("the full installation stops at " + shown(e.name) + ": " + step.what + " (" +
                        shown(step.installer_message) + ")");
        }
    }
    return tree;
}

namespace {

// The plan once its replay ends in the new tree, with the figures the summary gives.
update_plan finished_plan(const installer_tree& old, const payload_plan& full, const layout_tree& new_tree,
                          const std::vector<file_state>& states, const std::vector<update_entry>& entries,
                          const std::set<std::size_t>& carried) {
    update_plan result;
    for (const update_entry& e : entries) {
        if (e.is_delete) {
            result.plan.entries.push_back(planned_entry{e.delete_name, true, 0, 0, 0});
            ++result.delete_count;
        } else if (e.is_touch) {
            const planned_entry& file = full.entries[e.file_index];
            result.plan.entries.push_back(planned_entry{file.name, false, 0, file.mtime, file.mode, true});
            ++result.touch_count;
        } else {
            result.plan.entries.push_back(full.entries[e.file_index]);
            result.plan.total_size += full.entries[e.file_index].size;
        }
    }
    result.full_payload_without_update_files = payload::HEADER_SIZE;
    for (std::size_t i = 0; i < full.entries.size(); ++i) {
        const planned_entry& e = full.entries[i];
        result.full_payload_without_update_files += record_length_for(e.name.size());
        if (e.is_delete || carried.contains(i)) continue;
        const auto old_entry = old.entries.find(e.name);
        const bool same = old_entry != old.entries.end() && same_bytes(old_entry->second, states[i]);
        result.full_payload_without_update_files += same ? old_entry->second.stored_size : e.size;
    }
    std::map<std::string, const file_state*> new_files;
    collect_files(new_tree.root, "", new_files);
    result.new_file_count = new_files.size();
    return result;
}

// The file entries of the full plan, by the name each writes and by the last name component they share.
struct plan_index {
    std::map<std::string, std::size_t> writer;
    std::map<std::string_view, std::vector<std::size_t>> by_last;  // in payload order
};

// Adds to `carried` what puts each difference right: the entry that leaves a missing or differing file;
// every entry whose path passes through a missing directory; for a file the update wrote that the full
// installation does not leave, the later entries of its last name, which remove it there (only the
// `anywhere` rule removes by name). Returns whether anything was added. Each entry is looked at a bounded
// number of times, however many differences there are.
bool carry_what_puts_right(const std::vector<tree_change>& differences, const payload_plan& full,
                           const plan_index& index, std::set<std::size_t>& carried) {
    const std::size_t before = carried.size();
    // Per last name, the first entry from which the later ones were carried in this round.
    std::map<std::string_view, std::size_t> carried_from;
    for (const tree_change& c : differences) {
        if (c.kind != change_kind::removed && !c.path.ends_with('/')) {
            if (const auto w = index.writer.find(c.path); w != index.writer.end()) carried.insert(w->second);
        } else if (c.kind == change_kind::added) {
            for (auto w = index.writer.lower_bound(c.path);
                 w != index.writer.end() && w->first.starts_with(c.path); ++w)
                carried.insert(w->second);
        } else if (c.kind == change_kind::removed && full.removal == payload::same_name_removal::anywhere) {
            const auto w = index.writer.find(c.path);
            if (w == index.writer.end() || !carried.contains(w->second)) continue;
            const std::string_view last = payload::last_name_component(c.path);
            const std::vector<std::size_t>& group = index.by_last.at(last);
            const auto until = carried_from.try_emplace(last, group.size()).first;
            auto from = std::lower_bound(group.begin(), group.end(), w->second);
            const auto end = group.begin() + static_cast<std::ptrdiff_t>(until->second);
            until->second =
                std::min<std::size_t>(until->second, static_cast<std::size_t>(from - group.begin()));
            for (; from < end; ++from) carried.insert(*from);
        }
    }
    return carried.size() != before;
}

}  // namespace

update_plan plan_update(const installer_tree& old, const payload_plan& full,
                        const std::vector<file_state>& states, bool every_file) {
    const layout_tree new_tree = replay_full(full, states);

    // The file entries of the full plan, and for every path the entry that leaves it.
    plan_index index;
    std::map<std::string, std::size_t>& writer = index.writer;
    std::set<std::size_t> carried;
    std::set<std::size_t> touched;  // entries tried as touches
    for (std::size_t i = 0; i < full.entries.size(); ++i) {
        if (full.entries[i].is_delete) continue;
        writer[full.entries[i].name] = i;
        index.by_last[payload::last_name_component(full.entries[i].name)].push_back(i);
        if (every_file) carried.insert(i);
    }

    // The build's own --delete entries come first, as in the full installer; then a delete entry for
    // every path the new tree lacks, deepest first: a path sorts after its directory.
    std::vector<std::string> deletes;
    std::set<std::string> deleted;
    for (const planned_entry& e : full.entries) {
        if (e.is_delete && deleted.insert(e.name).second) deletes.push_back(e.name);
    }
    std::vector<std::string> removed;
    for (const tree_change& c : compare_trees(old.tree, new_tree)) {
        if (c.kind == change_kind::removed) {
            std::string name = c.path.ends_with('/') ? c.path.substr(0, c.path.size() - 1) : c.path;
            if (is_carried_delete(name) && !deleted.contains(name)) removed.push_back(std::move(name));
        } else if (writer.contains(c.path)) {
            const std::size_t i = writer.at(c.path);
            // A record mtime of 0 leaves the time of writing, which no touch can give; a touch would reach
            // through a link to what it points to.
            const bool touch = c.kind == change_kind::changed && !c.bytes && states[i].mtime.has_value() &&
                               !states[i].link_target;
            (touch && !every_file ? touched : carried).insert(i);
        }
    }
    std::sort(removed.rbegin(), removed.rend());
    deletes.insert(deletes.end(), removed.begin(), removed.end());

    for (;;) {
        std::vector<update_entry> entries;
        for (const std::string& name : deletes) entries.push_back(update_entry{name, 0, true});
        for (const std::size_t i : carried) touched.erase(i);
        // In the full build's order, touches among the carried files.
        std::set<std::size_t> written = carried;
        written.insert(touched.begin(), touched.end());
        for (const std::size_t i : written)
            entries.push_back(update_entry{{}, i, false, touched.contains(i)});
        const replay_outcome outcome = replay(old.tree, entries, full, states);
        if (outcome.failed_touch) {
            carried.insert(*outcome.failed_touch);
            continue;
        }
        if (!outcome.failure.empty()) throw error("no update can be built: " + outcome.failure);
        const std::vector<tree_change> differences = compare_trees(outcome.tree, new_tree);
        if (differences.empty()) {
            update_plan result = finished_plan(old, full, new_tree, states, entries, carried);
            if (!every_file) result.base = choose_base_files(old, new_tree, result.plan);
            return result;
        }
        if (!carry_what_puts_right(differences, full, index, carried)) {
            throw error("no update can be built: " + describe_difference(differences.front()) +
                        ", and no entry of the format puts that right");
        }
    }
}

}  // namespace builder
