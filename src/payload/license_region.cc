// The licence region's check, shared by the stub and mkinstaller.
#include "payload/license_region.h"

namespace payload {

license_check check_license_region(const unsigned char* region, std::size_t available) {
    const region_check frame = check_region_frame(LICENSE_REGION, region, available);
    switch (frame) {
        case region_check::unwritten:
            return license_check::no_text;
        case region_check::bad_marker:
            return license_check::bad_marker;
        case region_check::cut_short:
            return license_check::cut_short;
        case region_check::bad_capacity:
            return license_check::bad_capacity;
        case region_check::bad_length:
            return license_check::bad_length;
        default:
            break;
    }
    // A text that does not end its last line is named as such even when its CRC fails too.
    if (region_content(region)[region_length(region) - 1] != '\n') return license_check::bad_end;
    return frame == region_check::bad_crc ? license_check::bad_crc : license_check::vendor_text;
}

}  // namespace payload
