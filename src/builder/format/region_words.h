// The words for a damaged stub region, one set for both regions: a region is named by its kind's name
// ("licence", "profile") and what its area holds by its noun ("text", "content"). What the content means
// beyond the frame (a licence text's last line, a profile's records) is worded beside its reader
// (stub_license.h, stub_profile.h).
#pragma once

#include <cstdint>
#include <string>

#include "builder/format/region_place.h"

namespace builder {

// What is wrong with a frame that the stub does not take ("its text fails its CRC"), its capacity field
// holding `declared`.
std::string frame_damage_text(const region_kind& kind, payload::region_check frame, std::uint32_t declared);

// How every finding of a damaged region ends: "damaged (DAMAGE); the installer refuses to start with
// \"...\"".
std::string damaged_refusal(const region_kind& kind, const std::string& damage);

}  // namespace builder
