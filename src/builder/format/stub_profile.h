// The profile region in a stub's bytes as mkinstaller sees it: finding, reading and writing it. The
// layout is src/payload/profile_region.h, the settings it holds profile_settings.h.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "builder/format/profile_settings.h"
#include "payload/profile_region.h"

namespace builder {

struct stub_profile {
    enum class state {
        not_a_stub,       // no marker: the program carries no profile region
        several_markers,  // the marker more than once: which region is the stub's cannot be told
        damaged,          // written but unsound: the installer refuses to run
        built_in,         // unwritten: every built-in value
        written,          // settings of its own, all sound as the installer checks them
    };
    state found = state::not_a_stub;
    std::uint64_t offset = 0;    // of the region's marker
    std::uint32_t capacity = 0;  // bytes its content area declares; the stub reads PROFILE_CONTENT_CAPACITY
    payload::profile_check check = payload::profile_check::bad_frame;
    payload::region_check frame = payload::region_check::bad_marker;
    profile_settings settings;  // written: what it holds
};

// What is wrong with a damaged region, in words.
std::string profile_damage_text(const stub_profile& found);

// Looks for the profile region in `bytes`, a stub or the part of an installer in front of its payload, or
// takes it at `at`, where a known stub holds it.
stub_profile find_stub_profile(std::string_view bytes, std::optional<std::uint64_t> at = std::nullopt);

// Throws error, naming `what` ("stub \"x\""), unless the stub's profile region found as `found` is whole,
// declares the capacity the stub reads, and is sound or unwritten. A stub without the region, or carrying its
// marker more than once, passes when `settings_given` is false: it is copied as it is, and runs with its own
// values.
void require_stub_profile(const stub_profile& found, const std::string& what, bool settings_given);

// Rewrites the region of `stub` found at `found` (a sound or unwritten region) to hold `settings`; the
// rest of the content area is zeroed. Throws error when they do not fit, naming how much they take.
void write_stub_profile(std::string& stub, const stub_profile& found, const profile_settings& settings);

}  // namespace builder
