// Everything one build needs, with the defaults filled in and every value checked.
#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "builder/format/stub_profile.h"
#include "encoder/encoder.h"

namespace builder {

// The most threads a build takes (-j).
constexpr unsigned SETTINGS_MAX_JOBS = 256;

// The build's options as the command line gives them: only their shape is checked there.
struct build_arguments {
    std::optional<std::string> product;
    std::optional<std::string> version;
    std::optional<std::string> platform;
    std::optional<std::string> build_time;
    std::optional<std::string> stub;
    std::optional<std::string> arch;  // --arch: picks the stub and holds any stub to its ELF machine
    std::optional<std::string> level;
    std::optional<std::string> license;      // a licence text file for the stub's licence region
    std::optional<std::string> update_from;  // an older installer: write the update from its tree
    unsigned jobs = 0;                       // -j N: threads that compress; 0 for one per online core
    bool store = false;
    bool quiet = false;                 // no progress bar and no summary
    bool strict = false;                // every warning is an error
    bool allow_same_name = false;       // same-name groups are warnings, not errors
    bool checksum = false;              // also write OUTPUT.sha256
    bool file_mode = false;             // each file's own permission bits: the default, still accepted
    bool uniform_mode = false;          // every file 0755, as before each kept its own bits
    bool keep_setid = false;            // keep set-user-ID, set-group-ID and sticky bits
    bool full = false;                  // with update_from: every file, not only what changed
    std::vector<std::string> deletes;   // --delete PATH, in the order given
    std::vector<std::string> excludes;  // --exclude PATTERN
    // The vendor's settings (vendor_profile.h) as their options give them, indexed by number
    // (payload/vendor_settings_table.h): a list's values in order, the last of any other's counts.
    std::array<std::vector<std::string>, payload::VENDOR_NUMBER_LIMIT> settings;
    std::optional<std::string> profile;  // a file of further settings, "key = value" lines
    std::string source_dir;
    std::string output;
};

struct build_settings {
    std::string source_dir;
    std::string output;
    std::string stub;
    std::string product;
    std::string version;
    std::string platform;
    std::int32_t build_time = 0;
    bool store = false;
    int level = encoder::ENCODER_LEVEL_DEFAULT;  // the compressor's, 1..9
    bool quiet = false;
    bool strict = false;           // every warning is an error
    bool allow_same_name = false;  // same-name groups are warned about instead of refused
    bool checksum = false;         // OUTPUT.sha256 beside OUTPUT
    unsigned jobs = 1;             // threads that read and compress files
    bool uniform_mode = false;     // every file 0755 instead of its own permission bits
    bool keep_setid = false;       // the set-id and sticky bits travel too
    std::string update_from;       // an older installer to write an update from, or empty
    bool full = false;             // the update carries every file
    std::vector<std::string> deletes;
    std::vector<std::string> excludes;
    // SOURCE_DATE_EPOCH, when set: no file carries a later time.
    std::optional<std::int32_t> mtime_cap;
    // --license: the file, and its text laid out for the stub's licence region (empty without one).
    std::string license_file;
    std::string license_text;
    // The vendor's settings for the stub's profile region; empty: the stub is copied as it is.
    profile_settings profile;
};

// What the defaults come from besides the command line.
struct build_environment {
    const char* source_date_epoch = nullptr;  // the variable's value, or null when unset
    std::time_t now = 0;
    // The real directory of mkinstaller's executable, or empty when unknown: the default stub lies there
    // or at MKINSTALLER_INSTALLED_STUB relative to it.
    std::string own_directory;
    unsigned online_cores = 1;  // the default thread count
};

// The stubs this mkinstaller ships, that a build without --stub takes: for each architecture the one
// beside it (a build tree), then the one the install rules put in libexec; those that exist.
std::vector<std::string> shipped_stubs();

build_environment current_build_environment();

// Throws error for a value that cannot go into the payload.
build_settings resolve_build_settings(const build_arguments& args, const build_environment& env);

}  // namespace builder
