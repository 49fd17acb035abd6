// Where a stub region (src/payload/stub_region.h) lies in a stub's bytes: found by its marker, which
// must occur exactly once for the region to be the stub's.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "payload/stub_region.h"

namespace builder {

struct region_place {
    enum class state { none, several, one };
    state found = state::none;
    std::uint64_t offset = 0;   // one: of the marker
    std::size_t available = 0;  // one: bytes from the marker to the end of `bytes`
};

region_place find_region(std::string_view bytes, const payload::kept_marker& kept);

// Writes `content` into the region of `stub` at `offset` whose content area holds `capacity` bytes
// (the caller has checked that it fits): its length, its CRC-16 and the content, zero bytes behind it.
void write_region_content(std::string& stub, std::uint64_t offset, std::uint32_t capacity,
                          std::string_view content);

}  // namespace builder
