// The profile region in a stub's bytes.
#include "builder/format/stub_profile.h"

#include "builder/format/region_place.h"
#include "builder/format/region_words.h"
#include "builder/util/error.h"

namespace builder {

std::string profile_damage_text(const stub_profile& found) {
    switch (found.check) {
        case payload::profile_check::bad_frame:
            return frame_damage_text(PROFILE_KIND, found.frame, found.capacity);
        case payload::profile_check::bad_record:
            return "a setting's record is cut short or of an unknown setting";
        case payload::profile_check::repeated:
            return "a setting is given more than once";
        case payload::profile_check::bad_value:
            return "a setting's value cannot be used";
        case payload::profile_check::no_release:
            return "it checks base files for no release";
        default:
            return "it is sound";
    }
}

stub_profile find_stub_profile(std::string_view bytes, std::optional<std::uint64_t> at) {
    stub_profile found;
    const region_place place =
        at ? place_region_at(bytes, PROFILE_KIND, *at) : find_region(bytes, PROFILE_KIND);
    if (place.found == region_place::state::none) return found;
    if (place.found == region_place::state::several) {
        found.found = stub_profile::state::several_markers;
        return found;
    }
    found.offset = place.offset;
    found.capacity = place.declared;
    found.frame = place.frame;
    payload::vendor_profile profile;
    found.check = payload::read_profile_region(place.region(bytes), place.available, profile);
    switch (found.check) {
        case payload::profile_check::written:
            found.found = stub_profile::state::written;
            found.settings = settings_of(profile);
            break;
        case payload::profile_check::unwritten:
            found.found = stub_profile::state::built_in;
            break;
        default:
            found.found = stub_profile::state::damaged;
            break;
    }
    return found;
}

void require_stub_profile(const stub_profile& found, const std::string& what, bool settings_given) {
    switch (found.found) {
        case stub_profile::state::not_a_stub:
            if (!settings_given) return;
            throw error(what +
                        " carries no profile region: it is not an installer stub that takes the vendor's "
                        "settings");
        case stub_profile::state::several_markers:
            if (!settings_given) return;
            throw error(what +
                        " carries the profile region's marker more than once: which region is the "
                        "stub's cannot be told");
        default:
            break;
    }
    // As with the licence region, only a region as the stub reads it makes it the stub's.
    require_region_as_read(PROFILE_KIND, found.frame, found.offset, found.capacity, what);
    // Settings could replace its content, but a stub whose region is damaged was damaged after it was
    // built: the rest of it cannot be trusted either.
    if (found.found == stub_profile::state::damaged)
        throw error(what + ": its profile region is damaged (" + profile_damage_text(found) +
                    "); the installer would refuse to start");
}

void write_stub_profile(std::string& stub, const stub_profile& found, const profile_settings& settings) {
    const std::string content = encode_profile(settings);
    if (content.size() > payload::PROFILE_CONTENT_CAPACITY) {
        throw error("the profile settings take " + std::to_string(content.size()) +
                    " bytes; the stub's profile region holds at most " +
                    std::to_string(payload::PROFILE_CONTENT_CAPACITY));
    }
    write_region_content(stub, found.offset, payload::PROFILE_REGION, content);
}

}  // namespace builder
