// The licence region's marker and validity check, shared by the stub and mkinstaller.
#include "payload/license_region.h"

#include "payload/crc16.h"
#include "payload/le_bytes.h"

namespace payload {
namespace {

// The kept marker, hidden from the optimiser: folding `kept + 1` into a constant would put a second copy
// of the marker into the stub's file, and mkinstaller could no longer tell which one is the region.
const char* opaque_kept_marker() {
    const char* kept = LICENSE_MARKER_KEPT;
    asm("" : "+r"(kept));
    return kept;
}

}  // namespace

license_marker make_license_marker() {
    const char* kept = opaque_kept_marker();
    license_marker marker{};
    for (std::size_t i = 0; i < LICENSE_MARKER_SIZE; ++i) marker[i] = static_cast<unsigned char>(kept[i] + 1);
    return marker;
}

license_check check_license_region(const unsigned char* region, std::size_t available) {
    if (available < LICENSE_HEADER_SIZE) return license_check::bad_marker;
    const char* kept = opaque_kept_marker();
    for (std::size_t i = 0; i < LICENSE_MARKER_SIZE; ++i) {
        if (region[i] != static_cast<unsigned char>(kept[i] + 1)) return license_check::bad_marker;
    }
    const std::uint32_t capacity = load_u32(region + LICENSE_CAPACITY_FIELD);
    if (capacity > available - LICENSE_HEADER_SIZE) return license_check::bad_capacity;
    const std::uint32_t length = load_u32(region + LICENSE_LENGTH_FIELD);
    if (length == 0) return license_check::no_text;
    if (length > capacity) return license_check::bad_length;
    const unsigned char* text = region + LICENSE_HEADER_SIZE;
    if (text[length - 1] != '\n') return license_check::bad_end;
    if (crc16_update(0, text, length) != load_u16(region + LICENSE_CRC_FIELD)) return license_check::bad_crc;
    return license_check::vendor_text;
}

}  // namespace payload
