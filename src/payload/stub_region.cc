// The frame of the stub's regions: markers and the checks every region shares.
#include "payload/stub_region.h"

#include "payload/crc16.h"
#include "payload/le_bytes.h"

namespace payload {
namespace {

// The kept marker, hidden from the optimiser: folding `kept + 1` into a constant would put a second copy
// of the marker into the stub's file, and mkinstaller could no longer tell which one is the region.
const char* opaque(const kept_marker& kept) {
    const char* text = kept;
    asm("" : "+r"(text));
    return text;
}

}  // namespace

region_marker make_region_marker(const kept_marker& kept) {
    const char* text = opaque(kept);
    region_marker marker{};
    for (std::size_t i = 0; i < REGION_MARKER_SIZE; ++i) marker[i] = static_cast<unsigned char>(text[i] + 1);
    return marker;
}

region_check check_region_frame(const region_bounds& bounds, const unsigned char* region,
                                std::size_t available) {
    if (available < REGION_MARKER_SIZE) return region_check::bad_marker;
    const char* text = opaque(bounds.kept);
    for (std::size_t i = 0; i < REGION_MARKER_SIZE; ++i) {
        if (region[i] != static_cast<unsigned char>(text[i] + 1)) return region_check::bad_marker;
    }
    if (available < bounds.size()) return region_check::cut_short;
    // A smaller capacity keeps its content within what the stub reads; a larger one would have it read
    // past its region.
    const std::uint32_t capacity = region_capacity(region);
    if (capacity > bounds.capacity) return region_check::bad_capacity;
    const std::uint32_t length = region_length(region);
    if (length == 0) return region_check::unwritten;
    if (length > capacity) return region_check::bad_length;
    if (crc16_update(0, region_content(region), length) != load_u16(region + REGION_CRC_FIELD))
        return region_check::bad_crc;
    return region_check::written;
}

const unsigned char* region_content(const unsigned char* region) {
    return region + REGION_HEADER_SIZE;
}

std::uint32_t region_capacity(const unsigned char* region) {
    return load_u32(region + REGION_CAPACITY_FIELD);
}

std::uint32_t region_length(const unsigned char* region) {
    return load_u32(region + REGION_LENGTH_FIELD);
}

}  // namespace payload
