// The licence region's check, shared by the stub and mkinstaller.
#include "payload/license_region.h"

namespace payload {

license_check check_license_region(const unsigned char* region, std::size_t available) {
    const region_check frame = check_region_frame(LICENSE_REGION, region, available);
    if (frame == region_check::unwritten) return license_check::no_text;
    if (frame != region_check::written && frame != region_check::bad_crc) return license_check::bad_frame;
    // A text that does not end its last line is named as such even when its CRC fails too.
    if (region_content(region)[region_length(region) - 1] != '\n') return license_check::bad_end;
    return frame == region_check::bad_crc ? license_check::bad_frame : license_check::vendor_text;
}

}  // namespace payload
