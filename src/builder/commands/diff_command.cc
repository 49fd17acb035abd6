// The diff command: the trees two installers leave in an empty target, compared file by file; one line
// per path added, removed or changed, or with --json one document holding the same.
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
        }
        out << "}";
    }
    out << (changes.empty() ? "]" : "\n  ]") << "\n}\n";
}

}  // namespace

bool run_diff(const std::string& old_installer, const std::string& new_installer, bool json,
              std::ostream& out) {
    const installer_tree before = read_installer_tree(old_installer, "diff");
    const installer_tree after = read_installer_tree(new_installer, "diff");
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
