// Reading the profile region, shared by the stub and mkinstaller.
#include "payload/profile_region.h"

#include <algorithm>

#include "payload/le_bytes.h"

namespace payload {
namespace {

bool is_control(unsigned char c) {
    return c < 0x20 || c == 0x7F;
}

bool one_line(std::string_view text) {
    return std::ranges::none_of(text, [](char c) { return is_control(static_cast<unsigned char>(c)); });
}

// Lines each ended by a line feed, or nothing at all.
bool lines(std::string_view text) {
    if (!text.empty() && text.back() != '\n') return false;
    return std::ranges::none_of(
        text, [](char c) { return c != '\n' && is_control(static_cast<unsigned char>(c)); });
}

bool choice(std::string_view value, std::uint8_t last) {
    return value.size() == 1 && static_cast<std::uint8_t>(value[0]) <= last;
}

}  // namespace

const char* profile_value_problem(std::uint8_t setting, std::string_view value) {
    switch (setting) {
        case PROFILE_TITLE:
        case PROFILE_THANKS:
            return one_line(value) ? nullptr : "a control character in a one-line text";
        case PROFILE_CLOSING_TEXT:
        case PROFILE_EXISTING_DIR_TEXT:
            return lines(value) ? nullptr : "a control character, or a last line without its line feed";
        case PROFILE_DEFAULT_DIR:
        case PROFILE_RECOMMEND:
            if (value.empty() || value.front() != '/') return "a path that is not absolute";
            if (value.size() > PROFILE_MAX_PATH) return "a path longer than 4094 bytes";
            if (!one_line(value)) return "a control character in a path";
            if (setting == PROFILE_RECOMMEND && value.back() != '/') return "a root that does not end in '/'";
            return nullptr;
        case PROFILE_SAME_NAME_REMOVAL:
            return choice(value, static_cast<std::uint8_t>(same_name_removal::path))
                       ? nullptr
                       : "an unknown removal rule";
        case PROFILE_EXIT_STATUS:
            return choice(value, static_cast<std::uint8_t>(exit_status::conventional))
                       ? nullptr
                       : "an unknown exit status";
        default:
            return "an unknown setting";
    }
}

namespace {

profile_check read_records(const unsigned char* region, std::size_t available, vendor_profile& profile) {
    const region_check frame = check_region_frame(PROFILE_MARKER_KEPT, region, available);
    if (frame == region_check::unwritten) return profile_check::unwritten;
    if (frame != region_check::written) return profile_check::bad_frame;

    const auto* content = reinterpret_cast<const char*>(region_content(region));
    const std::string_view rest_all(content, region_length(region));
    std::array<bool, PROFILE_LAST_SETTING + 1> seen{};
    for (std::string_view rest = rest_all; !rest.empty();) {
        if (rest.size() < PROFILE_RECORD_HEAD) return profile_check::bad_record;
        const auto setting = static_cast<std::uint8_t>(rest[0]);
        const std::size_t length = load_u16(reinterpret_cast<const unsigned char*>(rest.data() + 1));
        if (setting == 0 || setting > PROFILE_LAST_SETTING || rest.size() - PROFILE_RECORD_HEAD < length)
            return profile_check::bad_record;
        const std::string_view value = rest.substr(PROFILE_RECORD_HEAD, length);
        rest.remove_prefix(PROFILE_RECORD_HEAD + length);
        if (profile_value_problem(setting, value) != nullptr) return profile_check::bad_value;
        if (setting == PROFILE_RECOMMEND) {
            if (profile.root_count == PROFILE_MAX_ROOTS) return profile_check::repeated;
            profile.roots[profile.root_count++] = value;
            continue;
        }
        if (seen[setting]) return profile_check::repeated;
        seen[setting] = true;
        switch (setting) {
            case PROFILE_TITLE:
                profile.title = value;
                break;
            case PROFILE_THANKS:
                profile.thanks = value;
                break;
            case PROFILE_CLOSING_TEXT:
                profile.closing_text = value;
                break;
            case PROFILE_DEFAULT_DIR:
                profile.default_dir = value;
                break;
            case PROFILE_EXISTING_DIR_TEXT:
                profile.existing_dir_text = value;
                break;
            case PROFILE_SAME_NAME_REMOVAL:
                profile.removal = static_cast<same_name_removal>(value[0]);
                break;
            default:
                profile.exit = static_cast<exit_status>(value[0]);
                break;
        }
    }
    return profile_check::written;
}

}  // namespace

profile_check read_profile_region(const unsigned char* region, std::size_t available,
                                  vendor_profile& profile) {
    vendor_profile read;
    const profile_check check = read_records(region, available, read);
    // Damage leaves nothing half read: the caller sees the built-in values or stops.
    profile = check == profile_check::written ? read : vendor_profile{};
    return check;
}

}  // namespace payload
