// The payload's 32-bit fields (sizes, counts, totals, offsets) and what fits them.
#pragma once

#include <cstdint>
#include <limits>

namespace builder {

// The most a 32-bit payload field holds: a file's size, a count, a total or an offset. 64 bits wide, so
// that one past it can be counted to.
constexpr std::uint64_t PAYLOAD_FIELD_MAX = std::numeric_limits<std::uint32_t>::max();

// `value` as a 32-bit payload field (a count, a total or an offset); throws error, saying that "the `what`
// come to" more, when it does not fit.
std::uint32_t narrow_payload_field(std::uint64_t value, const char* what);

}  // namespace builder
