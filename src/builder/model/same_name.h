// Same-name groups: before it handles an entry, an installer running with the `anywhere` removal removes
// every file beneath the target that bears the entry's last name component, wherever it lies. Of a/x.h and
// b/x.h in one payload only the later survives its installation. build, list and verify find these groups
// with the same rule; an installer running with `path` removes nothing but what stands at an entry's own
// path, and has none.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "payload/profile_region.h"

namespace builder {

struct named_entry {
    std::string_view name;
    bool is_delete = false;
};

struct same_name_group {
    std::string component;
    std::vector<std::size_t> members;  // indices into the entries, in payload order
};

// Groups in which some file is removed by a later entry of the same last component (a delete entry that
// comes before every file of its component removes none of them and forms no group).
std::vector<same_name_group> find_same_name_groups(const std::vector<named_entry>& entries);

// One sentence naming the members and the one that survives (or that none does).
std::string describe_same_name_group(const same_name_group& group, const std::vector<named_entry>& entries);

// describe_same_name_group of every group an installer running with `removal` has, in the byte order of
// the components.
std::vector<std::string> same_name_warnings(const std::vector<named_entry>& entries,
                                            payload::same_name_removal removal);

}  // namespace builder
