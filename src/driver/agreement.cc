// The stub's licence region and the choice between its text and the built-in agreement.
#include "driver/agreement.h"

#include <cstring>

#include "driver/license_text.h"
#include "payload/installer_messages.h"
#include "process/termination.h"

namespace driver {

constinit payload::license_region_bytes license_region = payload::empty_license_region();

namespace {

// The vendor's text, once the region has been checked; null when the built-in agreement is shown.
bool region_checked = false;
const char* vendor_text = nullptr;
std::size_t vendor_length = 0;

}  // namespace

void check_license_region() {
    if (region_checked) return;
    const unsigned char* region = payload::region_as_written(license_region.data());
    switch (payload::check_license_region(region, license_region.size())) {
        case payload::license_check::vendor_text:
            vendor_text = reinterpret_cast<const char*>(payload::region_content(region));
            vendor_length = payload::region_length(region);
            break;
        case payload::license_check::no_text:
            break;
        default:
            // The built-in agreement is not what the vendor's users were meant to accept.
            process::error(payload::MESSAGE_LICENSE_CORRUPTED);
    }
    region_checked = true;
}

agreement_cursor first_agreement_line() {
    check_license_region();
    if (vendor_text == nullptr) return agreement_cursor{.table_line = license_text + 1};
    return agreement_cursor{.next = vendor_text, .end = vendor_text + vendor_length};
}

bool next_agreement_line(agreement_cursor& cursor, std::string_view& line) {
    if (cursor.table_line != nullptr) {
        if (*cursor.table_line == nullptr) return false;
        line = *cursor.table_line++;
        return true;
    }
    if (cursor.next == cursor.end) return false;
    // The check made sure that the text ends with a line feed.
    const auto* feed = static_cast<const char*>(std::memchr(cursor.next, '\n', cursor.end - cursor.next));
    line = std::string_view(cursor.next, feed - cursor.next);
    cursor.next = feed + 1;
    return true;
}

}  // namespace driver
