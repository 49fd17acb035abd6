// The profile region (a stub region, stub_region.h): the vendor's settings that mkinstaller writes into
// its copy of the stub. An unwritten region means every setting has its built-in value
// (vendor_settings_table.h). The stub's own region is defined in process/vendor_settings.cc.
//
// Content: records one after another, each
//   u8        setting (PROFILE_*)
//   u16       length of the value, little-endian
//   length    the value: text without NUL bytes, or one byte for a choice
// A setting comes at most as often as its limit allows (a list's one record per item, in order), and
// PROFILE_BASE_CONTENT (or PROFILE_BASE_FILE) once per file checked, in order; a setting without its record
// keeps its built-in value.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "payload/file_record.h"
#include "payload/stub_region.h"
#include "payload/vendor_settings_table.h"

namespace payload {

// "<profile region>", kept one lower, and room for two screens of text and a long path; mkinstaller
// refuses a profile that takes more.
inline constexpr region_bounds PROFILE_REGION{.kept = ";oqnehkd\x1Fqdfhnm=", .capacity = 16384};

constexpr std::size_t PROFILE_CONTENT_CAPACITY = PROFILE_REGION.capacity;
constexpr std::size_t PROFILE_REGION_SIZE = PROFILE_REGION.size();
inline constexpr const kept_marker& PROFILE_MARKER_KEPT = PROFILE_REGION.kept;

using profile_region_bytes = std::array<unsigned char, PROFILE_REGION_SIZE>;

consteval profile_region_bytes empty_profile_region() {
    return empty_region<PROFILE_REGION>();
}

// The update's records, numbered after the vendor settings of their time (vendor_settings_table.h). Not
// vendor settings: mkinstaller writes these into an update, which installs over one release only. It
// writes base files as PROFILE_BASE_CONTENT; PROFILE_BASE_FILE is read in updates built before.
constexpr std::uint8_t PROFILE_UPDATE_OF = 9;      // the release: u8 length, product; u8 length, version
constexpr std::uint8_t PROFILE_BASE_FILE = 10;     // a file of it: u32 size, i32 mtime before and after, path
constexpr std::uint8_t PROFILE_BASE_CONTENT = 16;  // u32 size before and after, SHA-256 of each, path
// The highest number a region may hold, vendor settings included.
constexpr std::uint8_t PROFILE_LAST_SETTING =
    VENDOR_NUMBER_LIMIT - 1 > PROFILE_BASE_CONTENT ? VENDOR_NUMBER_LIMIT - 1 : PROFILE_BASE_CONTENT;
static_assert(vendor_setting_numbered(PROFILE_UPDATE_OF) == nullptr &&
                  vendor_setting_numbered(PROFILE_BASE_FILE) == nullptr &&
                  vendor_setting_numbered(PROFILE_BASE_CONTENT) == nullptr,
              "a vendor setting takes an update's number");

constexpr std::size_t PROFILE_RECORD_HEAD = 3;
constexpr std::size_t PROFILE_MAX_RELEASE_TEXT = 63;  // a header text: product name or version
constexpr std::size_t PROFILE_BASE_FILE_HEAD = 16;    // PROFILE_BASE_FILE's four numbers in front of the path
constexpr std::size_t PROFILE_DIGEST_SIZE = 32;
// PROFILE_BASE_CONTENT's sizes and digests in front of the path.
constexpr std::size_t PROFILE_BASE_CONTENT_HEAD = 8 + 2 * PROFILE_DIGEST_SIZE;
constexpr std::size_t PROFILE_MAX_BASE_PATH = RECORD_MAX_NAME_LENGTH;
// As many base files as the region holds at their smallest; updates built before wrote at most 8 of the
// older kind.
constexpr std::size_t PROFILE_MAX_BASE_FILES =
    PROFILE_CONTENT_CAPACITY / (PROFILE_RECORD_HEAD + PROFILE_BASE_CONTENT_HEAD + 1);
constexpr std::size_t PROFILE_MAX_TIMED_BASE_FILES = 8;

// The release an update installs over, as its installer's header names it.
struct release_name {
    std::string_view product;
    std::string_view version;
};

// A file the release leaves, which must stand beneath the target before the update writes anything: as
// the release left it or as the update leaves it (so that an interrupted update can run again). Its
// bytes are compared when the record gives their digests, else its size and time (a time of 0 is not
// compared).
struct base_file {
    std::string_view path;  // plain and relative, as the entry names it
    std::uint32_t old_size = 0;
    std::int32_t old_mtime = 0;  // PROFILE_BASE_FILE's only
    std::uint32_t new_size = 0;
    std::int32_t new_mtime = 0;
    // PROFILE_BASE_CONTENT's: the SHA-256 of the release's bytes, then of the update's, in the region;
    // null for PROFILE_BASE_FILE.
    const unsigned char* digests = nullptr;

    bool by_content() const { return digests != nullptr; }
    // Whether the update leaves the file as the release left it.
    bool kept() const;
};

// The settings a region holds. Views point into the region's content.
struct vendor_profile {
    // The values of each vendor setting in the order of its records, from its first slot
    // (SETTING_FORMATS); a setting without records has none, and the caller uses its built-in values.
    std::array<std::string_view, VENDOR_VALUE_SLOTS> values{};
    std::array<std::uint8_t, VENDOR_NUMBER_LIMIT> counts{};  // by number
    std::optional<release_name> update_of;  // none: not an update, or one that installs anywhere
    std::array<base_file, PROFILE_MAX_BASE_FILES> base_files{};  // the first base_count are set
    std::size_t base_count = 0;

    // The values given for the vendor setting numbered `number`.
    std::span<const std::string_view> given(std::uint8_t number) const {
        return std::span(values).subspan(SETTING_FORMATS[number].first_slot, counts[number]);
    }
};

enum class profile_check {
    written,     // settings of its own, all sound
    unwritten,   // no settings: every built-in value
    bad_frame,   // marker, capacity, length or CRC (check_region_frame says which)
    bad_record,  // a record cut short, or of an unknown setting
    repeated,    // a setting more often than its limit allows, or more base files than their limits
    bad_value,   // a value the installer cannot use: see profile_value_problem
    no_release,  // base files without the release they belong to
};

// Reads the region at `region`, of which `available` bytes may be read, into `profile`, as the stub
// reads its own (check_region_frame). The checks are those the installer needs to use every value
// safely; mkinstaller checks more when it writes one.
profile_check read_profile_region(const unsigned char* region, std::size_t available,
                                  vendor_profile& profile);

// Why the value of `setting` cannot be used (by its kind: a NUL or control byte, a line feed in a
// one-line text, a text that does not end its last line, a path that is not absolute or too long, a root
// that does not end in '/', a choice out of range; a release or base file that does not read as below),
// or null when it can.
const char* profile_value_problem(std::uint8_t setting, std::string_view value);

// A text a PROFILE_UPDATE_OF value can hold: 1 to 63 bytes without control characters.
bool is_release_text(std::string_view text);

// A path a PROFILE_BASE_FILE value can hold: a plain relative name (record_name.h) of at most
// PROFILE_MAX_BASE_PATH bytes without control characters.
bool is_base_path(std::string_view path);

// A PROFILE_UPDATE_OF value: two texts of 1 to 63 bytes without control characters, each after its
// length byte, and nothing behind them. Returns whether it reads so.
bool read_release_name(std::string_view value, release_name& release);

// A PROFILE_BASE_FILE value: old size, old mtime, new size, new mtime (little-endian), then the path, a
// plain relative name (record_name.h) of at most PROFILE_MAX_BASE_PATH bytes without control characters.
bool read_base_file(std::string_view value, base_file& file);

// A PROFILE_BASE_CONTENT value: old size, new size (little-endian), the two digests, then the path as
// above. `file.digests` points into `value`.
bool read_base_content(std::string_view value, base_file& file);

}  // namespace payload
