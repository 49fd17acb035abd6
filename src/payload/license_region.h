// The licence region (a stub region, stub_region.h): it can carry a vendor's licence text in place of
// the built-in agreement. The stub's own region is defined in driver/agreement.cc.
//
// Content: lines of UTF-8, each ended by a line feed.
#pragma once

#include <array>
#include <cstddef>

#include "payload/stub_region.h"

namespace payload {

// "<licence region>", kept one lower, and the stub's text area: room for a long agreement with some to
// spare.
inline constexpr region_bounds LICENSE_REGION{.kept = ";khbdmbd\x1Fqdfhnm=", .capacity = 65536};

constexpr std::size_t LICENSE_TEXT_CAPACITY = LICENSE_REGION.capacity;
constexpr std::size_t LICENSE_REGION_SIZE = LICENSE_REGION.size();
inline constexpr const kept_marker& LICENSE_MARKER_KEPT = LICENSE_REGION.kept;

using license_region_bytes = std::array<unsigned char, LICENSE_REGION_SIZE>;

consteval license_region_bytes empty_license_region() {
    return empty_region<LICENSE_REGION>();
}

// The same shape as profile_check: the frame's verdict (check_region_frame) tells a damaged frame apart.
enum class license_check {
    vendor_text,  // a text of its own, whole and sound
    no_text,      // length 0: the built-in agreement
    bad_frame,    // marker, capacity, length or CRC
    bad_end,      // the text does not end with a line feed
};

// Checks the region at `region`, of which `available` bytes may be read (the marker included), as the
// stub checks its own (check_region_frame). Only vendor_text means the text may be shown; every other
// answer but no_text describes damage.
license_check check_license_region(const unsigned char* region, std::size_t available);

}  // namespace payload
