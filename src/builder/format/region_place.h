// Where a stub region (src/payload/stub_region.h) lies in a stub's bytes: found by its marker, which
// must occur exactly once for the region to be the stub's. Its bounds are the ones the stub is compiled
// with (payload::region_bounds), never the ones a copy's capacity field claims.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "payload/stub_region.h"

namespace builder {

struct region_place {
    enum class state { none, several, one };
    state found = state::none;
    std::uint64_t offset = 0;    // one: of the marker
    std::size_t available = 0;   // one: bytes from the marker to the end of `bytes`
    std::uint32_t declared = 0;  // one: the capacity field, when the frame's head is there
};

region_place find_region(std::string_view bytes, const payload::region_bounds& bounds);

// Empty when a region whose capacity field holds `declared` declares the capacity the stub reads, else what
// is wrong ("its licence region declares ..."), naming the region by `name`. The stub reads bounds.size()
// bytes whatever its copy declares: a writer trusting a larger field would write over the stub's own data, a
// reader trusting it would show what the stub never reads.
std::string declared_capacity_problem(std::uint32_t declared, const payload::region_bounds& bounds,
                                      std::string_view name);

// For build: throws error, naming the stub as `what` ("stub \"x\""), unless its region `name` found at
// `offset` lies whole in the stub's bytes (`whole`) and declares the capacity the stub reads.
void require_region_as_read(bool whole, std::uint64_t offset, std::uint32_t declared,
                            const payload::region_bounds& bounds, std::string_view name,
                            const std::string& what);

// Writes `content` into the region of `stub` at `offset`, whose bounds are `bounds` (the caller has
// checked that the region lies whole in `stub` and that the content fits): its length, its CRC-16 and
// the content, zero bytes behind it to the end of the content area.
void write_region_content(std::string& stub, std::uint64_t offset, const payload::region_bounds& bounds,
                          std::string_view content);

}  // namespace builder
