// Reading the profile region, shared by the stub and mkinstaller.
#include "payload/profile_region.h"

#include <algorithm>

#include "payload/control_character.h"
#include "payload/le_bytes.h"
#include "payload/record_name.h"

namespace payload {
namespace {

bool one_line(std::string_view text) {
    return std::ranges::none_of(text, [](char c) { return is_ascii_control(static_cast<unsigned char>(c)); });
}

// Lines each ended by a line feed, or nothing at all.
bool lines(std::string_view text) {
    if (!text.empty() && text.back() != '\n') return false;
    return std::ranges::none_of(
        text, [](char c) { return c != '\n' && is_ascii_control(static_cast<unsigned char>(c)); });
}

bool choice(std::string_view value, std::uint8_t last) {
    return value.size() == 1 && static_cast<std::uint8_t>(value[0]) <= last;
}

// One length-prefixed text of a release name; `rest` moves past it.
bool read_release_text(std::string_view& rest, std::string_view& text) {
    if (rest.empty()) return false;
    const std::size_t length = static_cast<unsigned char>(rest[0]);
    if (length == 0 || length > PROFILE_MAX_RELEASE_TEXT || rest.size() - 1 < length) return false;
    text = rest.substr(1, length);
    rest.remove_prefix(1 + length);
    return is_release_text(text);
}

}  // namespace

bool is_release_text(std::string_view text) {
    return !text.empty() && text.size() <= PROFILE_MAX_RELEASE_TEXT && one_line(text);
}

bool is_base_path(std::string_view path) {
    return path.size() <= PROFILE_MAX_BASE_PATH && one_line(path) &&
           plain_name_fault(path) == name_fault::none;
}

bool read_release_name(std::string_view value, release_name& release) {
    return read_release_text(value, release.product) && read_release_text(value, release.version) &&
           value.empty();
}

bool read_base_file(std::string_view value, base_file& file) {
    if (value.size() <= PROFILE_BASE_FILE_HEAD) return false;
    const auto* numbers = reinterpret_cast<const unsigned char*>(value.data());
    file.old_size = load_u32(numbers);
    file.old_mtime = static_cast<std::int32_t>(load_u32(numbers + 4));
    file.new_size = load_u32(numbers + 8);
    file.new_mtime = static_cast<std::int32_t>(load_u32(numbers + 12));
    file.path = value.substr(PROFILE_BASE_FILE_HEAD);
    return is_base_path(file.path);
}

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
        case PROFILE_UPDATE_OF: {
            release_name release;
            return read_release_name(value, release) ? nullptr : "a release name that does not read";
        }
        case PROFILE_BASE_FILE: {
            base_file file;
            return read_base_file(value, file) ? nullptr : "a base file that does not read";
        }
        default:
            return "an unknown setting";
    }
}

namespace {

profile_check read_records(const unsigned char* region, std::size_t available, vendor_profile& profile) {
    const region_check frame = check_region_frame(PROFILE_REGION, region, available);
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
        if (setting == PROFILE_BASE_FILE) {
            if (profile.base_count == PROFILE_MAX_BASE_FILES) return profile_check::repeated;
            read_base_file(value, profile.base_files[profile.base_count++]);
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
            case PROFILE_UPDATE_OF:
                read_release_name(value, profile.update_of.emplace());
                break;
            default:
                profile.exit = static_cast<exit_status>(value[0]);
                break;
        }
    }
    // A file checked for no release would stop the installer with a message naming nothing.
    if (profile.base_count != 0 && !profile.update_of) return profile_check::no_release;
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
