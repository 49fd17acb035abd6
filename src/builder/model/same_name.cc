// Finding and describing same-name groups.
#include "builder/model/same_name.h"

#include <map>

#include "builder/util/display_text.h"
#include "builder/util/error.h"
#include "payload/record_name.h"

namespace builder {

std::vector<same_name_group> find_same_name_groups(const std::vector<named_entry>& entries) {
    // std::map: groups come out in the byte order of their components, whatever the payload order.
    std::map<std::string_view, std::vector<std::size_t>> by_component;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].name.empty()) continue;  // the installer removes nothing for an empty name
        by_component[payload::last_name_component(entries[i].name)].push_back(i);
    }
    std::vector<same_name_group> groups;
    for (auto& [component, members] : by_component) {
        bool file_overtaken = false;
        for (std::size_t k = 0; k + 1 < members.size(); ++k) {
            if (!entries[members[k]].is_delete) file_overtaken = true;
        }
        if (file_overtaken) groups.push_back(same_name_group{std::string(component), std::move(members)});
    }
    return groups;
}

std::string describe_same_name_group(const same_name_group& group, const std::vector<named_entry>& entries) {
    std::string names;
    for (std::size_t member : group.members) {
        if (!names.empty()) names += ", ";
        const named_entry& entry = entries[member];
        names += (entry.is_delete ? "delete " : "") + shown(std::string(entry.name));
    }
    const named_entry& last = entries[group.members.back()];
    const std::string outcome =
        last.is_delete ? "none of them survives" : "only " + shown(std::string(last.name)) + " survives";
    return names + " share the last name component " + shown(group.component) +
           "; the installer removes each before it writes the next, so " + outcome + " an installation";
}

std::vector<std::string> same_name_warnings(const std::vector<named_entry>& entries,
                                            payload::same_name_removal removal) {
    std::vector<std::string> warnings;
    if (removal != payload::same_name_removal::anywhere) return warnings;
    for (const auto& group : find_same_name_groups(entries))
        warnings.push_back(describe_same_name_group(group, entries));
    return warnings;
}

}  // namespace builder
