// The diff command: the trees two installers leave in an empty target (or, with --update, the tree an
// installer and then an update of it leave), compared file by file; one line per path added, removed or
// changed, or with --json one document holding the same.
#include <ostream>
#include <string>

#include "builder/commands/commands.h"
#include "builder/inspect/installer_tree.h"
#include "builder/util/display_text.h"
#include "builder/util/json_text.h"

namespace builder {
namespace {

constexpr const char* DIFF_KIND_WORDS[] = {"added", "removed", "changed"};

const char* kind_word(change_kind kind) {
    return DIFF_KIND_WORDS[static_cast<int>(kind)];
}

void print_json(const std::vector<tree_change>& changes, std::ostream& out) {
    out << "{\n  \"equal\": " << (changes.empty() ? "true" : "false") << ",\n  \"changes\": [";
    for (std::size_t i = 0; i < changes.size(); ++i) {
        const tree_change& c = changes[i];
        out << (i == 0 ? "\n" : ",\n") << "    {\"change\": \"" << kind_word(c.kind)
            << "\", \"path\": " << json_string(c.path);
        if (c.kind == change_kind::changed) {
            out << ", \"bytes\": " << (c.bytes ? "true" : "false")
                << ", \"time\": " << (c.time ? "true" : "false")
                << ", \"mode\": " << (c.mode ? "true" : "false");
            if (c.kind_of_file) out << ", \"kind\": true";
        }
        out << "}";
    }
    out << (changes.empty() ? "]" : "\n  ]") << "\n}\n";
}

}  // namespace

bool run_diff(const std::string& old_installer, const std::string& new_installer,
              const std::optional<std::string>& update_of, bool json, std::ostream& out,
              std::ostream& warnings) {
    std::optional<installer_tree> base;
    if (update_of) base = read_installer_tree(*update_of, "diff");
    const installer_tree before = read_installer_tree(old_installer, "diff", base ? &base->tree : nullptr);
    const installer_tree after = read_installer_tree(new_installer, "diff");
    if (!update_of) {
        for (const installer_tree* tree : {&before, &after}) {
            if (!tree->is_update) continue;
            warnings << "mkinstaller: note: " << shown(tree == &before ? old_installer : new_installer)
                     << " is an update, which leaves only part of its tree in an empty target; diff --update "
                        "OLD UPDATE NEW compares what it leaves over its release\n";
        }
    }
    const std::vector<tree_change> changes = compare_trees(before.tree, after.tree);
    if (json) {
        print_json(changes, out);
    } else {
        for (const tree_change& c : changes) {
            const std::string word = kind_word(c.kind);
            out << word << std::string(9 - word.size(), ' ') << display_text(c.path);
            if (c.kind == change_kind::changed) out << " (" << change_aspects(c) << ")";
            out << '\n';
        }
    }
    return !changes.empty();
}

}  // namespace builder
