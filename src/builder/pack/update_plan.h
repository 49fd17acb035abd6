// The plan of an update installer: the entries that turn the tree an older installer leaves into the tree
// a full build of the source leaves, worked out by replaying the installer's rules over the old tree
// until the two agree, and refused, naming the file, when no choice of entries gets there. The old tree is
// the one the old installer leaves with its own removal rule; the update's entries are replayed with the
// rule of the installer being built, which may be the other one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "builder/format/stub_profile.h"
#include "builder/inspect/installer_tree.h"
#include "builder/pack/build_settings.h"
#include "builder/pack/payload_plan.h"

namespace builder {

struct update_plan {
    payload_plan plan;  // the update's entries, in payload order
    std::size_t delete_count = 0;
    std::size_t touch_count = 0;     // entries that only set time and mode on a file the release left
    std::size_t new_file_count = 0;  // the files the full installation leaves
    // The full installer's payload as the old one tells it: the old entries' stored sizes stand in for
    // the files the update does not carry (the same bytes give the same size at the same level; a file
    // the old one lacks counts at its full size); add the update's own stored bytes for the rest.
    std::uint64_t full_payload_without_update_files = 0;
    // What the update checks before it writes anything (update_base.h); none when it carries every file.
    std::optional<update_base_settings> base;
};

// What each file entry of `full` leaves, from the source files themselves; delete entries get an empty
// state. Throws error when a file cannot be read.
std::vector<file_state> source_states(const build_settings& settings, const payload_plan& full);

// The tree `full` leaves in an empty target, with its removal rule. Throws error when the installer would
// stop.
layout_tree replay_full(const payload_plan& full, const std::vector<file_state>& states);

// With `every_file`, every file entry of `full` is carried (an update that is also a full installer, which
// checks no base); else the plan names the base it checks.
// Throws error when no update reaches the full installation's tree from `old_tree`.
update_plan plan_update(const installer_tree& old, const payload_plan& full,
                        const std::vector<file_state>& states, bool every_file);

}  // namespace builder
