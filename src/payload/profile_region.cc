// Reading the profile region, shared by the stub and mkinstaller.
#include "payload/profile_region.h"

#include <algorithm>

#include "payload/le_bytes.h"
#include "payload/record_name.h"
#include "payload/shown_text.h"

namespace payload {
namespace {

// C1 is refused as UTF-8 and as a lone byte, as mkinstaller build refuses it: a terminal reading 8-bit
// controls takes either for a command.
bool one_line(std::string_view text) {
    return !has_control(text, false);
}

// Lines each ended by a line feed, or nothing at all.
bool lines(std::string_view text) {
    if (!text.empty() && text.back() != '\n') return false;
    return !has_control(text, true);
}

bool is_vendor_setting(std::uint8_t setting) {
    return setting < VENDOR_NUMBER_LIMIT && SETTING_FORMATS[setting].vendor;
}

bool choice(std::string_view value, std::uint8_t count) {
    return value.size() == 1 && static_cast<std::uint8_t>(value[0]) < count;
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
    file.digests = nullptr;
    file.path = value.substr(PROFILE_BASE_FILE_HEAD);
    return is_base_path(file.path);
}

bool read_base_content(std::string_view value, base_file& file) {
    if (value.size() <= PROFILE_BASE_CONTENT_HEAD) return false;
    const auto* numbers = reinterpret_cast<const unsigned char*>(value.data());
    file = base_file{};
    file.old_size = load_u32(numbers);
    file.new_size = load_u32(numbers + 4);
    file.digests = numbers + 8;
    file.path = value.substr(PROFILE_BASE_CONTENT_HEAD);
    return is_base_path(file.path);
}

bool base_file::kept() const {
    if (old_size != new_size) return false;
    if (digests == nullptr) return old_mtime == new_mtime;
    return std::equal(digests, digests + PROFILE_DIGEST_SIZE, digests + PROFILE_DIGEST_SIZE);
}

const char* profile_value_problem(std::uint8_t setting, std::string_view value) {
    if (setting == PROFILE_UPDATE_OF) {
        release_name release;
        return read_release_name(value, release) ? nullptr : "a release name that does not read";
    }
    if (setting == PROFILE_BASE_FILE) {
        base_file file;
        return read_base_file(value, file) ? nullptr : "a base file that does not read";
    }
    if (setting == PROFILE_BASE_CONTENT) {
        base_file file;
        return read_base_content(value, file) ? nullptr : "a base file that does not read";
    }
    if (!is_vendor_setting(setting)) return "an unknown setting";
    const setting_format& format = SETTING_FORMATS[setting];
    switch (format.kind) {
        case setting_kind::line:
            return one_line(value) ? nullptr : "a control character in a one-line text";
        case setting_kind::lines:
            return lines(value) ? nullptr : "a control character, or a last line without its line feed";
        case setting_kind::path:
        case setting_kind::list:
            if (value.empty() || (value.front() != '/' &&
                                  !(setting == PROFILE_USER_DEFAULT_DIR && value.starts_with(HOME_PREFIX))))
                return "a path that is not absolute";
            if (value.size() > format.limits.bytes) return "a path longer than 4094 bytes";
            if (!one_line(value)) return "a control character in a path";
            if (format.kind == setting_kind::list && value.back() != '/')
                return "a root that does not end in '/'";
            return nullptr;
        case setting_kind::choice:
            return choice(value, format.choices) ? nullptr : "a choice out of range";
    }
    return "an unknown setting";
}

namespace {

profile_check read_records(const unsigned char* region, std::size_t available, vendor_profile& profile) {
    const region_check frame = check_region_frame(PROFILE_REGION, region, available);
    if (frame == region_check::unwritten) return profile_check::unwritten;
    if (frame != region_check::written) return profile_check::bad_frame;

    const auto* content = reinterpret_cast<const char*>(region_content(region));
    const std::string_view rest_all(content, region_length(region));
    std::size_t timed_files = 0;
    for (std::string_view rest = rest_all; !rest.empty();) {
        if (rest.size() < PROFILE_RECORD_HEAD) return profile_check::bad_record;
        const auto setting = static_cast<std::uint8_t>(rest[0]);
        const std::size_t length = load_u16(reinterpret_cast<const unsigned char*>(rest.data() + 1));
        const bool base = setting == PROFILE_BASE_FILE || setting == PROFILE_BASE_CONTENT;
        const bool known = is_vendor_setting(setting) || setting == PROFILE_UPDATE_OF || base;
        if (!known || rest.size() - PROFILE_RECORD_HEAD < length) return profile_check::bad_record;
        const std::string_view value = rest.substr(PROFILE_RECORD_HEAD, length);
        rest.remove_prefix(PROFILE_RECORD_HEAD + length);
        if (profile_value_problem(setting, value) != nullptr) return profile_check::bad_value;
        if (base) {
            if (profile.base_count == PROFILE_MAX_BASE_FILES) return profile_check::repeated;
            base_file& file = profile.base_files[profile.base_count++];
            if (setting == PROFILE_BASE_CONTENT) {
                read_base_content(value, file);
            } else if (++timed_files > PROFILE_MAX_TIMED_BASE_FILES) {
                return profile_check::repeated;
            } else {
                read_base_file(value, file);
            }
        } else if (setting == PROFILE_UPDATE_OF) {
            if (profile.update_of) return profile_check::repeated;
            read_release_name(value, profile.update_of.emplace());
        } else {
            const setting_format& format = SETTING_FORMATS[setting];
            std::uint8_t& count = profile.counts[setting];
            if (count == format.limits.values) return profile_check::repeated;
            profile.values[format.first_slot + count++] = value;
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
