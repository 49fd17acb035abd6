// The plan of a payload: every entry in the order the installer will meet it, with the record fields known
// before any byte is compressed. Delete entries come first, in the order given, so that a release removes
// old files before it writes its own; the files follow in byte order of their names. Everything the
// payload cannot represent is refused here, before output is written.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "builder/build_settings.h"
#include "builder/same_name.h"
#include "builder/source_tree.h"

namespace builder {

struct planned_entry {
    std::string name;
    bool is_delete = false;
    std::uint32_t size = 0;
    std::int32_t mtime = 0;
    std::uint16_t mode = 0;
};

struct payload_plan {
    std::vector<planned_entry> entries;
    std::uint64_t total_size = 0;
    // One sentence per same-name group, naming the file that survives; the build refuses them unless
    // --allow-same-name is given.
    std::vector<std::string> same_name;
};

// Throws error for an unsafe or unrepresentable delete path and totals beyond 32 bits.
payload_plan plan_payload(const build_settings& settings, const source_tree& tree);

// Throws error unless `path` is a name a delete entry may carry: relative, with neither "." nor ".." nor
// empty components, no '\' and no control bytes, and short enough for a record.
void check_delete_path(const std::string& path);

// The most a 32-bit payload field holds: a file's size, a count, a total or an offset. 64 bits wide, so
// that one past it can be counted to.
constexpr std::uint64_t PAYLOAD_FIELD_MAX = std::numeric_limits<std::uint32_t>::max();

// `value` as a 32-bit payload field (a count, a total or an offset); throws error, saying that "the `what`
// come to" more, when it does not fit.
std::uint32_t narrow_payload_field(std::uint64_t value, const char* what);

// The entries as same_name.h wants them.
std::vector<named_entry> named_entries(const std::vector<planned_entry>& entries);

}  // namespace builder
