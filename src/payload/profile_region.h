// The profile region (a stub region, stub_region.h): the vendor's settings that mkinstaller writes into
// its copy of the stub. An unwritten region means every setting has its built-in value
// (vendor_defaults.h). The stub's own region is defined in process/vendor_settings.cc.
//
// Content: records one after another, each
//   u8        setting (PROFILE_*)
//   u16       length of the value, little-endian
//   length    the value: text without NUL bytes, or one byte for a choice
// A setting comes at most once, except PROFILE_RECOMMEND, one record per root in order, and
// PROFILE_BASE_FILE, one record per file checked in order; a setting without its record keeps its
// built-in value.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "payload/file_record.h"
#include "payload/path_limit.h"
#include "payload/stub_region.h"

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

// The settings' numbers in the records. Never renumber: installers carry them.
constexpr std::uint8_t PROFILE_TITLE = 1;              // one line: the welcome screen's window title
constexpr std::uint8_t PROFILE_THANKS = 2;             // one line, or empty: no thanks line
constexpr std::uint8_t PROFILE_CLOSING_TEXT = 3;       // lines after "Files installed!", or none
constexpr std::uint8_t PROFILE_DEFAULT_DIR = 4;        // an absolute path of at most 4094 bytes
constexpr std::uint8_t PROFILE_RECOMMEND = 5;          // one recommended root: absolute, ends in '/'
constexpr std::uint8_t PROFILE_EXISTING_DIR_TEXT = 6;  // lines of the existing-directory warning, or none
constexpr std::uint8_t PROFILE_SAME_NAME_REMOVAL = 7;  // one byte: a same_name_removal
constexpr std::uint8_t PROFILE_EXIT_STATUS = 8;        // one byte: an exit_status
// Not vendor settings: mkinstaller writes these two into an update, which installs over one release only.
constexpr std::uint8_t PROFILE_UPDATE_OF = 9;   // the release: u8 length, product; u8 length, version
constexpr std::uint8_t PROFILE_BASE_FILE = 10;  // a file of it: u32 size, i32 mtime before and after, path
constexpr std::uint8_t PROFILE_LAST_SETTING = PROFILE_BASE_FILE;

constexpr std::size_t PROFILE_RECORD_HEAD = 3;
constexpr std::size_t PROFILE_MAX_ROOTS = 16;
constexpr std::size_t PROFILE_MAX_PATH = TARGET_PATH_MAX;
constexpr std::size_t PROFILE_MAX_BASE_FILES = 8;
constexpr std::size_t PROFILE_MAX_RELEASE_TEXT = 63;  // a header text: product name or version
constexpr std::size_t PROFILE_BASE_FILE_HEAD = 16;    // the four numbers in front of the path
constexpr std::size_t PROFILE_MAX_BASE_PATH = RECORD_MAX_NAME_LENGTH;

// What the installer removes before it writes an entry.
enum class same_name_removal : std::uint8_t {
    anywhere = 0,  // every file or empty directory bearing the entry's last name anywhere beneath the target
    path = 1,      // only what stands at the entry's own path (a directory there stays an error)
};

// The exit status the installer ends with.
enum class exit_status : std::uint8_t {
    always_zero = 0,   // 0 on every path
    conventional = 1,  // EXIT_* below
};

// With exit_status::conventional.
constexpr int EXIT_STATUS_COMPLETE = 0;   // "Installation complete."
constexpr int EXIT_STATUS_FAILED = 1;     // a numbered message, then "Installation terminated."
constexpr int EXIT_STATUS_CANCELLED = 2;  // the user cancelled (end of input included)

// The release an update installs over, as its installer's header names it.
struct release_name {
    std::string_view product;
    std::string_view version;
};

// A file the release leaves, which must stand beneath the target before the update writes anything: as
// the release left it or as the update leaves it (so that an interrupted update can run again). A time
// of 0 is not compared.
struct base_file {
    std::string_view path;  // plain and relative, as the entry names it
    std::uint32_t old_size = 0;
    std::int32_t old_mtime = 0;
    std::uint32_t new_size = 0;
    std::int32_t new_mtime = 0;
};

// The settings a region holds: a text setting without its record is empty (std::nullopt), and the
// caller uses the built-in value. Views point into the region's content.
struct vendor_profile {
    std::optional<std::string_view> title;
    std::optional<std::string_view> thanks;
    std::optional<std::string_view> closing_text;
    std::optional<std::string_view> default_dir;
    std::array<std::string_view, PROFILE_MAX_ROOTS> roots{};  // the first root_count are set
    std::size_t root_count = 0;                               // 0: the built-in roots
    std::optional<std::string_view> existing_dir_text;
    same_name_removal removal = same_name_removal::anywhere;
    exit_status exit = exit_status::always_zero;
    std::optional<release_name> update_of;  // none: not an update, or one that installs anywhere
    std::array<base_file, PROFILE_MAX_BASE_FILES> base_files{};  // the first base_count are set
    std::size_t base_count = 0;
};

enum class profile_check {
    written,     // settings of its own, all sound
    unwritten,   // no settings: every built-in value
    bad_frame,   // marker, capacity, length or CRC (check_region_frame says which)
    bad_record,  // a record cut short, or of an unknown setting
    repeated,  // a setting given twice (or more than PROFILE_MAX_ROOTS roots or PROFILE_MAX_BASE_FILES files)
    bad_value,   // a value the installer cannot use: see profile_value_problem
    no_release,  // base files without the release they belong to
};

// Reads the region at `region`, of which `available` bytes may be read, into `profile`, as the stub
// reads its own (check_region_frame). The checks are those the installer needs to use every value
// safely; mkinstaller checks more when it writes one.
profile_check read_profile_region(const unsigned char* region, std::size_t available,
                                  vendor_profile& profile);

// Why the value of `setting` cannot be used (a NUL or control byte, a line feed in a one-line text, a
// text that does not end its last line, a path that is not absolute or too long, a root that does not
// end in '/', a choice out of range, a release or base file that does not read as below), or null when
// it can.
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

}  // namespace payload
