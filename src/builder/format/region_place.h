// Where a stub region (src/payload/stub_region.h) lies in a stub's bytes: found by its marker, which
// must occur exactly once for the region to be the stub's, and its frame checked there, once, the same
// way for either region. Its bounds are the ones the stub is compiled with (payload::region_bounds),
// never the ones a copy's capacity field claims.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "payload/installer_messages.h"
#include "payload/license_region.h"
#include "payload/profile_region.h"
#include "payload/stub_region.h"

namespace builder {

// One of the two regions, as mkinstaller's messages tell them apart.
struct region_kind {
    const payload::region_bounds& bounds;
    const char* name;     // "licence": "the licence region"
    const char* noun;     // what its area holds: "its text fails its CRC"
    const char* refusal;  // the message the installer stops with at the region's damage
};

inline constexpr region_kind LICENSE_KIND{payload::LICENSE_REGION, "licence", "text",
                                          payload::MESSAGE_LICENSE_CORRUPTED};
inline constexpr region_kind PROFILE_KIND{payload::PROFILE_REGION, "profile", "content",
                                          payload::MESSAGE_PROFILE_CORRUPTED};

struct region_place {
    enum class state { none, several, one };
    state found = state::none;
    std::uint64_t offset = 0;    // one: of the marker
    std::size_t available = 0;   // one: bytes from the marker to the end of `bytes`
    std::uint32_t declared = 0;  // one: the capacity field, when the frame's head is there
    payload::region_check frame = payload::region_check::bad_marker;  // one: as the stub checks its own

    // The region's first byte in the bytes it was found in; one only.
    const unsigned char* region(std::string_view bytes) const {
        return reinterpret_cast<const unsigned char*>(bytes.data() + offset);
    }
};

region_place find_region(std::string_view bytes, const region_kind& kind);

// The region at `at` in `bytes`, where a known stub holds it, whatever markers stand elsewhere; none when
// `at` lies beyond the bytes.
region_place place_region_at(std::string_view bytes, const region_kind& kind, std::uint64_t at);

// Whether a region whose frame checked as `frame` lies whole in the bytes, as the stub reads it.
bool lies_whole(payload::region_check frame);

// Empty when a region whose capacity field holds `declared` declares the capacity the stub reads, else what
// is wrong ("its licence region declares ..."). The stub reads bounds.size() bytes whatever its copy
// declares: a writer trusting a larger field would write over the stub's own data, a reader trusting it
// would show what the stub never reads.
std::string declared_capacity_problem(std::uint32_t declared, const region_kind& kind);

// For build: throws error, naming the stub as `what` ("stub \"x\""), unless its region found at `offset`
// with `frame` lies whole in the stub's bytes and declares the capacity the stub reads.
void require_region_as_read(const region_kind& kind, payload::region_check frame, std::uint64_t offset,
                            std::uint32_t declared, const std::string& what);

// Writes `content` into the region of `stub` at `offset`, whose bounds are `bounds` (the caller has
// checked that the region lies whole in `stub` and that the content fits): its length, its CRC-16 and
// the content, zero bytes behind it to the end of the content area.
void write_region_content(std::string& stub, std::uint64_t offset, const payload::region_bounds& bounds,
                          std::string_view content);

}  // namespace builder
