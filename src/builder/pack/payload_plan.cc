// Ordering, modes, time caps and the checks that need the whole payload.
#include "builder/pack/payload_plan.h"

#include <cstdio>
#include <optional>

#include "builder/format/record_writer.h"
#include "builder/util/display_text.h"
#include "builder/util/error.h"
#include "builder/util/input_file.h"
#include "payload/file_record.h"
#include "payload/record_name.h"

namespace builder {
namespace {

// As copy_stub: a stub is a program of a few megabytes; anything far larger is the wrong file.
constexpr std::uint64_t PLAN_STUB_MAX_SIZE = std::uint64_t{256} << 20;

// The stub's own region when it has one written; a stub that cannot be read counts as one without here,
// copying it names what is wrong.
std::optional<profile_settings> stub_region(const build_settings& settings) {
    try {
        const stub_profile found =
            find_stub_profile(read_input_file(settings.stub, "", "stub ", PLAN_STUB_MAX_SIZE));
        if (found.found == stub_profile::state::written) return found.settings;
    } catch (const error&) {
        // Not this function's to report.
    }
    return std::nullopt;
}

// What a link entry's record holds for its mode: a link's, which the installer takes from nothing else.
constexpr std::uint16_t LINK_MODE = 0120777;

std::int32_t capped_mtime(const build_settings& settings, std::int32_t mtime) {
    // 0 would mean "set neither time nor mode"; one second later keeps both.
    if (settings.mtime_cap && mtime > *settings.mtime_cap)
        return *settings.mtime_cap != 0 ? *settings.mtime_cap : 1;
    return mtime;
}

std::uint16_t file_mode(const build_settings& settings, const source_entry& file) {
    // An installer run as root would make set-id programs of those bits: they travel only on request.
    if (settings.uniform_mode) return WRITER_FILE_MODE;
    return static_cast<std::uint16_t>(0100000 | (file.permissions & (settings.keep_setid ? 07777 : 0777)));
}

}  // namespace

payload::same_name_removal installer_removal(const build_settings& settings) {
    if (!settings.profile.empty()) return effective_values(settings.profile).removal;
    if (const auto own = stub_region(settings)) return effective_values(*own).removal;
    return payload::same_name_removal::anywhere;
}

payload::links installer_links(const build_settings& settings) {
    profile_settings given = settings.profile;
    given.update_of.reset();
    const bool update = !settings.update_from.empty() || settings.profile.update_of;
    std::optional<profile_settings> region = given.empty() ? stub_region(settings) : given;
    // A region the build writes says keep unless told copy; an update without settings writes the stub's.
    if (!given.empty() || update) region = as_written(region.value_or(profile_settings{}));
    return region && effective_values(*region).methods.link ? payload::links::keep : payload::links::copy;
}

void check_delete_path(const std::string& path) {
    if (path.empty()) throw error("--delete needs a path");
    // A path too long for a record is shown by its start only.
    const bool too_long = path.size() > payload::RECORD_MAX_NAME_LENGTH;
    const std::string named = "--delete " + shown(too_long ? path.substr(0, 60) + "..." : path);
    if (too_long) {
        throw error(named + ": " + std::to_string(path.size()) + " bytes long; at most " +
                    std::to_string(payload::RECORD_MAX_NAME_LENGTH) + " fit a record");
    }
    // A plain name with no control bytes: the installer's progress line shows every name.
    const payload::name_fault fault = payload::plain_name_fault(path);
    if (fault == payload::name_fault::absolute)
        throw error(named + ": the path must be relative to the target directory");
    // Past a leading '/', the next faults are those of the bytes: a '\', then a control byte.
    if (const char* bytes_fault = name_bytes_fault(path)) throw error(named + bytes_fault);
    if (fault == payload::name_fault::parent_component)
        throw error(named + ": a \"..\" component would reach outside the target");
    if (fault == payload::name_fault::empty_or_dot_component)
        throw error(named + ": empty and \".\" components are not allowed");
}

std::vector<named_entry> named_entries(const std::vector<planned_entry>& entries) {
    std::vector<named_entry> named;
    named.reserve(entries.size());
    for (const auto& e : entries) named.push_back(named_entry{e.name, e.is_delete});
    return named;
}

payload_plan plan_payload(const build_settings& settings, const source_tree& tree) {
    payload_plan plan;
    std::uint64_t record_total = 0;
    for (const std::string& path : settings.deletes) {
        check_delete_path(path);
        // The installer reads neither time nor mode of a delete entry: both stay 0.
        plan.entries.push_back(planned_entry{path, true, 0, 0, 0});
        record_total += record_length_for(path.size());
    }
    // Files first, then links: each group keeps the scan's byte order.
    for (const bool links : {false, true}) {
        for (const source_entry& file : tree.entries) {
            if (file.link_target.has_value() != links) continue;
            plan.entries.push_back(
                planned_entry{file.name, false, file.size, capped_mtime(settings, file.mtime),
                              links ? LINK_MODE : file_mode(settings, file), false, file.link_target});
            plan.total_size += file.size;
            record_total += record_length_for(file.name.size());
        }
    }
    narrow_payload_field(plan.entries.size(), "entries");
    narrow_payload_field(plan.total_size, "file sizes");
    narrow_payload_field(record_total, "record lengths");

    plan.removal = installer_removal(settings);
    plan.same_name = same_name_warnings(named_entries(plan.entries), plan.removal);
    return plan;
}

}  // namespace builder
