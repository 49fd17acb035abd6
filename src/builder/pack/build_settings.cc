// Defaults and checks of the build options.
#include "builder/pack/build_settings.h"

#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <limits>

#include "builder/format/stub_architecture.h"
#include "builder/pack/license_layout.h"
#include "builder/pack/vendor_profile.h"
#include "builder/util/display_text.h"
#include "builder/util/error.h"
#include "builder/util/input_file.h"
#include "payload/header_block.h"

namespace builder {
namespace {

// Each text needs its NUL within the 64-byte header field.
constexpr std::size_t SETTINGS_MAX_TEXT = payload::HEADER_TEXT_SIZE - 1;

std::string checked_text(const std::string& text, const char* option) {
    const std::string named = std::string(option) + " " + shown(text);
    if (text.size() > SETTINGS_MAX_TEXT) {
        throw error(named + " is " + std::to_string(text.size()) + " bytes long; at most " +
                    std::to_string(SETTINGS_MAX_TEXT) + " fit");
    }
    // The installer's welcome screen shows these texts as they are.
    if (has_control_byte(text))
        throw error(named +
                    " must not contain control characters (bytes 0x01 to 0x1f and 0x7f; C1, U+0080 to U+009F "
                    "or a lone byte 0x80 to 0x9f)");
    return text;
}

std::int32_t checked_seconds(std::int64_t seconds, const std::string& origin) {
    if (seconds < std::numeric_limits<std::int32_t>::min() ||
        seconds > std::numeric_limits<std::int32_t>::max()) {
        throw error(origin + " " + std::to_string(seconds) +
                    " does not fit a signed 32-bit count of seconds (1901-12-13 to 2038-01-19)");
    }
    return static_cast<std::int32_t>(seconds);
}

std::int32_t parse_seconds(const std::string& text, const std::string& origin) {
    std::int64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, ec] = std::from_chars(text.data(), end, value);
    if (ec == std::errc::result_out_of_range) {
        throw error(origin + " " + shown(text) + " does not fit a signed 32-bit count of seconds");
    }
    if (text.empty() || ec != std::errc() || stop != end) {
        throw error(origin + " " + shown(text) + " is not a whole number of seconds");
    }
    return checked_seconds(value, origin);
}

// The default product name: the source directory's last component as given ("dist/vorna/" gives "vorna");
// only "." and ".." need the real path.
std::string product_name_from_dir(const std::string& dir) {
    std::filesystem::path path = std::filesystem::path(dir).lexically_normal();
    if (!path.has_filename()) path = path.parent_path();
    if (path.empty() || path.filename() == "." || path.filename() == "..") {
        std::error_code ignored;
        path = std::filesystem::weakly_canonical(dir, ignored);
        if (!path.has_filename()) path = path.parent_path();
    }
    return path.filename().string();
}

// The stub's file name: "installer" for mkinstaller's own architecture, "installer-aarch64" for another.
std::string stub_name(std::string_view arch) {
    return arch == OWN_ARCHITECTURE ? "installer" : "installer-" + std::string(arch);
}

// The stub for `arch` beside mkinstaller (the build tree), else in the libexec directory of the install
// rules, found from mkinstaller's real place so that any prefix works, and a link to mkinstaller too.
std::vector<std::string> stub_places(const std::string& own_directory, std::string_view arch) {
    const std::filesystem::path libexec =
        (std::filesystem::path(own_directory) / MKINSTALLER_INSTALLED_STUB).parent_path();
    return {own_directory + "/" + stub_name(arch), (libexec / stub_name(arch)).lexically_normal().string()};
}

std::string default_stub(const std::string& own_directory, std::string_view arch) {
    if (own_directory.empty()) {
        throw error(
            "cannot find mkinstaller's own directory through /proc/self/exe; name the stub with --stub");
    }
    const std::vector<std::string> places = stub_places(own_directory, arch);
    for (const std::string& place : places) {
        std::error_code ignored;
        if (std::filesystem::exists(place, ignored)) return place;
    }
    throw error("no installer stub" + (arch == OWN_ARCHITECTURE ? "" : " for " + std::string(arch)) + " at " +
                shown(places[0]) + " or " + shown(places[1]) + "; name one with --stub");
}

const architecture& checked_architecture(const std::string& name) {
    const architecture* arch = architecture_named(name);
    if (arch == nullptr) {
        std::string valid;
        for (const architecture& a : ARCHITECTURES)
            valid += (valid.empty() ? "" : " or ") + std::string(a.name);
        throw error("--arch takes " + valid + ", not " + shown(name));
    }
    return *arch;
}

// An installer runs only where its stub does: a stub for another machine is refused before anything is
// read or written.
void require_stub_architecture(const std::string& stub, const architecture& wanted) {
    const input_file in = open_regular_input(stub, "", "stub ");
    std::string head(ELF_HEAD_SIZE, '\0');
    head.resize(std::fread(head.data(), 1, head.size(), in.file.get()));
    const std::optional<std::uint16_t> machine = elf_machine(head);
    if (machine == wanted.machine) return;
    const std::string named = "the stub " + shown(stub);
    if (!machine)
        throw error(named + " is no 64-bit little-endian ELF program, so not one for " +
                    std::string(wanted.name));
    // Another machine reads "unknown (machine 40)".
    throw error(named + " is for " + architecture_text(head) + ", not " + std::string(wanted.name));
}

}  // namespace

std::vector<std::string> shipped_stubs() {
    const std::string own_directory = current_build_environment().own_directory;
    if (own_directory.empty()) return {};
    // mkinstaller's own architecture first: messages name the first stub compared with.
    std::vector<std::string> places = stub_places(own_directory, OWN_ARCHITECTURE);
    for (const architecture& arch : ARCHITECTURES) {
        if (arch.name != OWN_ARCHITECTURE)
            std::ranges::copy(stub_places(own_directory, arch.name), std::back_inserter(places));
    }
    std::vector<std::string> found;
    for (const std::string& place : places) {
        std::error_code ignored;
        if (std::filesystem::is_regular_file(place, ignored)) found.push_back(place);
    }
    return found;
}

build_environment current_build_environment() {
    build_environment env;
    env.source_date_epoch = std::getenv("SOURCE_DATE_EPOCH");
    env.now = std::time(nullptr);
    // Left empty when unknown: only a build without --stub needs it.
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec) env.own_directory = self.parent_path().string();
    const long cores = sysconf(_SC_NPROCESSORS_ONLN);
    env.online_cores = cores < 1 ? 1 : static_cast<unsigned>(std::min<long>(cores, SETTINGS_MAX_JOBS));
    return env;
}

build_settings resolve_build_settings(const build_arguments& args, const build_environment& env) {
    build_settings s;
    s.source_dir = args.source_dir;
    s.output = args.output;
    const architecture* arch = args.arch ? &checked_architecture(*args.arch) : nullptr;
    s.stub = args.stub ? *args.stub : default_stub(env.own_directory, arch ? arch->name : OWN_ARCHITECTURE);
    if (arch) require_stub_architecture(s.stub, *arch);
    s.product =
        checked_text(args.product ? *args.product : product_name_from_dir(args.source_dir), "product name");
    s.version = checked_text(args.version.value_or("1.0"), "version");
    s.platform = checked_text(args.platform.value_or("for Linux"), "platform");
    s.store = args.store;
    s.quiet = args.quiet;
    s.strict = args.strict;
    s.allow_same_name = args.allow_same_name;
    s.checksum = args.checksum;
    s.jobs = args.jobs != 0 ? args.jobs : std::max(env.online_cores, 1u);
    s.uniform_mode = args.uniform_mode;
    s.keep_setid = args.keep_setid;
    s.update_from = args.update_from.value_or("");
    s.full = args.full;
    s.deletes = args.deletes;
    s.excludes = args.excludes;
    if (args.level) {
        const std::string& text = *args.level;
        if (text.size() != 1 || text[0] < '1' || text[0] > '9') {
            throw error("--level takes a whole number from 1 to 9, not " + shown(text));
        }
        s.level = text[0] - '0';
    }
    // An empty SOURCE_DATE_EPOCH counts as unset.
    if (env.source_date_epoch != nullptr && *env.source_date_epoch != '\0') {
        s.mtime_cap = parse_seconds(env.source_date_epoch, "SOURCE_DATE_EPOCH");
    }
    if (args.build_time) {
        s.build_time = parse_seconds(*args.build_time, "--build-time");
    } else if (s.mtime_cap) {
        s.build_time = *s.mtime_cap;
    } else {
        s.build_time = checked_seconds(env.now, "the current time");
    }
    // Laid out now, so that a licence that cannot be used stops the build before the tree is read.
    if (args.license) {
        s.license_file = *args.license;
        s.license_text = load_license_file(*args.license);
    }
    s.profile = resolve_profile_settings(args);
    return s;
}

}  // namespace builder
