// Finding, reading and writing the licence region in a stub's bytes.
#include "builder/format/stub_license.h"

#include <algorithm>

#include "builder/format/region_place.h"
#include "builder/format/region_words.h"
#include "builder/util/display_text.h"
#include "builder/util/error.h"

namespace builder {

std::string license_damage_text(const stub_license& found) {
    if (found.check == payload::license_check::bad_end) return "its text does not end with a line feed";
    return frame_damage_text(LICENSE_KIND, found.frame, found.capacity);
}

stub_license find_stub_license(std::string_view bytes, std::optional<std::uint64_t> at) {
    stub_license found;
    const region_place place =
        at ? place_region_at(bytes, LICENSE_KIND, *at) : find_region(bytes, LICENSE_KIND);
    if (place.found == region_place::state::none) return found;
    if (place.found == region_place::state::several) {
        found.found = stub_license::state::several_markers;
        return found;
    }
    found.offset = place.offset;
    found.capacity = place.declared;
    found.frame = place.frame;
    const unsigned char* region = place.region(bytes);
    found.check = payload::check_license_region(region, place.available);
    switch (found.check) {
        case payload::license_check::vendor_text:
            found.found = stub_license::state::vendor_text;
            found.text.assign(reinterpret_cast<const char*>(payload::region_content(region)),
                              payload::region_length(region));
            break;
        case payload::license_check::no_text:
            found.found = stub_license::state::built_in;
            break;
        default:
            found.found = stub_license::state::damaged;
            break;
    }
    return found;
}

void require_stub(const stub_license& found, const std::string& what) {
    switch (found.found) {
        case stub_license::state::not_a_stub:
            throw error(what + " is not an installer stub: it does not carry the installer's licence region");
        case stub_license::state::several_markers:
            throw error(what +
                        " carries the licence region's marker more than once: it is not an installer stub");
        default:
            break;
    }
    // Only a region as the stub reads it makes it the stub's; a damaged text is for the caller to judge
    // (a new text replaces it).
    require_region_as_read(LICENSE_KIND, found.frame, found.offset, found.capacity, what);
}

void write_stub_license(std::string& stub, const stub_license& found, const std::string& text,
                        const std::string& license_path) {
    if (text.size() > payload::LICENSE_TEXT_CAPACITY) {
        throw error("licence " + shown(license_path) + " takes " + std::to_string(text.size()) +
                    " bytes once laid out; the stub's licence region holds at most " +
                    std::to_string(payload::LICENSE_TEXT_CAPACITY));
    }
    write_region_content(stub, found.offset, payload::LICENSE_REGION, text);
}

std::string_view license_first_line(std::string_view text) {
    return text.substr(0, text.find('\n'));
}

std::size_t license_line_count(std::string_view text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

}  // namespace builder
