// The verify command: every check the installer makes, in its order, stopping at the first problem (its
// own regions first, the layout of every entry replayed over an empty target among them); then the
// header totals, which the installer takes on trust, against the records; last the program in front of
// the payload: an installer stub whose regions are as build writes them (the capacity the stub reads,
// settings such as build takes). A total that the records pass is named first, before anything is
// decoded (the payload walk's pass over the records).
#include <cstdio>
#include <string>
#include <vector>

#include "builder/commands/commands.h"
#include "builder/inspect/installer_license.h"
#include "builder/inspect/installer_profile.h"
#include "builder/inspect/installer_reader.h"
#include "builder/inspect/payload_walk.h"
#include "builder/model/same_name.h"
#include "builder/pack/vendor_profile.h"
#include "builder/util/display_text.h"
#include "builder/util/error.h"

namespace builder {
namespace {

struct record_sums {
    std::uint64_t count = 0;
    std::uint64_t file_size = 0;
    std::uint64_t stored_size = 0;
    std::uint64_t record_size = 0;
};

[[noreturn]] void fail(const std::string& problem) {
    throw error("verify: " + problem);
}

void check_header_total(const installer_payload& in, std::size_t offset, const char* field, std::uint64_t sum,
                        const char* what) {
    const std::uint32_t value = payload::header_u32(in.header, offset);
    if (value != sum) {
        fail(std::string("header ") + field + " (offset " + std::to_string(offset) + ") is " +
             std::to_string(value) + " but the entries' " + what + " come to " + std::to_string(sum));
    }
}

}  // namespace

void run_verify(const std::string& installer, std::ostream& out, std::ostream& warnings) {
    installer_payload in = open_installer(installer, "verify");
    require_whole_payload(in, "verify");

    // The installer stops at its own damaged regions before it reads a record, the profile region first.
    const std::string stub = read_stub_bytes(in, "verify");
    if (const std::string refusal = start_refusal(find_stub_profile(stub), find_stub_license(stub));
        !refusal.empty())
        fail(refusal);
    // The layout and its warnings follow the removal rule of the installer's own profile.
    const payload::same_name_removal removal = installer_profile_values(in, "verify").removal;
    const std::uint32_t count = payload::header_u32(in.header, payload::HEADER_FILE_COUNT);
    record_sums sums;
    layout_tree target;
    std::vector<std::string> names;
    std::vector<bool> deletes;
    const auto sum_and_check = [&](walked_entry& entry) {
        const payload::file_record& record = entry.record;
        ++sums.count;
        sums.file_size += record.file_size;
        sums.stored_size += record.stored_size;
        sums.record_size += record.record_length;
        names.emplace_back(record.name);
        deletes.push_back(record.method == payload::METHOD_DELETE);
        (void)entry.read_bytes();  // its problem stops the walk
    };
    if (const auto stop = walk_payload(in, sum_and_check, {&target, layout_order::before_bytes, removal}))
        fail(describe_stop(*stop));

    check_header_total(in, payload::HEADER_FILE_COUNT_COPY, "file count copy", sums.count, "count");
    check_header_total(in, payload::HEADER_TOTAL_SIZE, "total size", sums.file_size, "file sizes");
    check_header_total(in, payload::HEADER_REQUIRED_SPACE, "required space", sums.file_size, "file sizes");
    check_header_total(in, payload::HEADER_TOTAL_STORED_SIZE, "total stored size", sums.stored_size,
                       "stored sizes");
    check_header_total(in, payload::HEADER_TOTAL_RECORD_SIZE, "total record size", sums.record_size,
                       "record lengths");
    // Last, so that a damaged payload is named by the message the installer would stop with.
    const stub_license license = require_installer_stub(in, "verify");
    const stub_profile profile = require_installer_profile(in, "verify");
    // The installer takes a written region that is merely sound; build promises more, and an installer
    // whose region it would have refused (another capacity than the stub reads, a default directory the
    // screen questions, a line too long) was not made by it as it stands.
    require_declared_capacity(license.capacity, LICENSE_KIND, license.offset, "verify");
    if (profile.found != stub_profile::state::not_a_stub)
        require_declared_capacity(profile.capacity, PROFILE_KIND, profile.offset, "verify");
    if (profile.found == stub_profile::state::written) {
        if (const std::string problem = profile_settings_problem(profile.settings); !problem.empty())
            fail("the profile region's " + problem + "; build refuses such a setting");
    }

    // A sound payload may still lose files at installation: worth saying, not a failure.
    std::vector<named_entry> named;
    for (std::size_t i = 0; i < names.size(); ++i) named.push_back(named_entry{names[i], deletes[i]});
    for (const auto& w : same_name_warnings(named, removal)) warn(warnings, display_text(w));

    out << "ok: " << display_text(installer) << ": " << count << " entries, " << sums.file_size
        << " bytes, header at offset " << in.header_offset;
    out << '\n';
}

}  // namespace builder
