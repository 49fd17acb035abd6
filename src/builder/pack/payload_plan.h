// The plan of a payload: every entry in the order the installer will meet it, with the record fields known
// before any byte is compressed. Delete entries come first, in the order given, so that a release removes
// old files before it writes its own; the files follow in byte order of their names, then the links in
// theirs, so that each link is made once the files of its directory are there. Everything the
// payload cannot represent is refused here, before output is written.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "builder/format/field_limits.h"
#include "builder/model/same_name.h"
#include "builder/pack/build_settings.h"
#include "builder/pack/source_tree.h"

namespace builder {

struct planned_entry {
    std::string name;
    bool is_delete = false;
    std::uint32_t size = 0;
    std::int32_t mtime = 0;
    std::uint16_t mode = 0;
    // Only in an update: the time and mode set on the release's file, whose bytes are already the same.
    bool is_touch = false;
    // A link entry's text (`size` is its length): the installer makes a symbolic link of it.
    std::optional<std::string> link_target{};
};

struct payload_plan {
    std::vector<planned_entry> entries;
    std::uint64_t total_size = 0;
    // The removal rule the installer written from this plan runs with.
    payload::same_name_removal removal = payload::same_name_removal::anywhere;
    // One sentence per same-name group, naming the file that survives; the build refuses them unless
    // --allow-same-name is given. None with the `path` rule.
    std::vector<std::string> same_name;
};

// The removal rule of the installer a build writes: the build's profile when it gives any setting (they
// replace the stub's), else that of the stub's own profile region, copied as it is. A stub that cannot be
// read counts as the built-in rule here; copying it names what is wrong.
payload::same_name_removal installer_removal(const build_settings& settings);

// How the build packs symbolic links, asked the same way: the region the build writes (its `links` given,
// else written keep), or with none the stub's own region copied (its choice, else the built-in copy).
payload::links installer_links(const build_settings& settings);

// Throws error for an unsafe or unrepresentable delete path and totals beyond 32 bits.
payload_plan plan_payload(const build_settings& settings, const source_tree& tree);

// Throws error unless `path` is a name a delete entry may carry: relative, with neither "." nor ".." nor
// empty components, no '\' and no control bytes, and short enough for a record.
void check_delete_path(const std::string& path);

// The entries as same_name.h wants them.
std::vector<named_entry> named_entries(const std::vector<planned_entry>& entries);

}  // namespace builder
