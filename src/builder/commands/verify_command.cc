// The verify command: every check the installer makes, in its order, stopping at the first problem (its
// own regions first, the layout of every entry replayed over an empty target among them); then the
// header totals, which the installer takes on trust, against the records; last the program in front of
// the payload: an installer stub whose regions are as build writes them (the capacity the stub reads,
// settings such as build takes). A total that the records pass is named first, before anything is
// decoded (the installer file's one pass over the records).
#include <cstdio>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "builder/commands/commands.h"
#include "builder/inspect/installer_file.h"
#include "builder/model/same_name.h"
#include "builder/pack/source_tree.h"
#include "builder/pack/vendor_profile.h"
#include "builder/util/display_text.h"
#include "builder/util/error.h"
#include "builder/util/mode_text.h"

namespace builder {
namespace {

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

// What build refuses in a text or a name, wherever a crafted installer puts it: checked once the payload
// has passed, with the regions, each by the rule build applies there.
[[noreturn]] void refused(const std::string& where, std::string_view text, const std::string& fault,
                          const char* noun) {
    fail(where + " " + shown(text) + fault + "; build refuses such a " + noun);
}

void check_header_texts(const payload::header_block& header) {
    static constexpr std::pair<std::size_t, const char*> TEXTS[] = {
        {payload::HEADER_PRODUCT_NAME, "product name"},
        {payload::HEADER_VERSION, "version"},
        {payload::HEADER_PLATFORM, "platform"}};
    for (const auto& [offset, what] : TEXTS) {
        const std::string_view text = payload::header_text(header, offset);
        if (const std::string fault = control_character_fault(text); !fault.empty())
            refused(std::string("header ") + what, text, " holds " + fault, "text");
    }
}

void check_entry_names(const payload_records& records) {
    for (std::size_t i = 0; i < records.entries.size(); ++i) {
        const std::string& name = records.entries[i].name;
        if (const char* fault = name_bytes_fault(name))
            refused("entry " + std::to_string(i + 1), name, fault, "name");
    }
}

void check_license_text(const stub_license& license) {
    if (license.found != stub_license::state::vendor_text) return;
    const std::string problem = lines_problem(license.text, std::numeric_limits<std::size_t>::max());
    if (!problem.empty()) fail("the licence region's text, " + problem + "; build refuses such a text");
}

// The release an update names and the paths of its base files, which profile_settings_problem leaves: build
// takes them from an installer it read, by the rules of header texts and entry names.
void check_update_records(const std::optional<update_base_settings>& update) {
    if (!update) return;
    for (const auto& [text, what] : {std::pair{&update->product, "product"}, {&update->version, "version"}}) {
        if (const std::string fault = control_character_fault(*text); !fault.empty())
            refused(std::string("the profile region's release ") + what, *text, " holds " + fault, "text");
    }
    for (const base_file_settings& file : update->files) {
        if (const char* fault = name_bytes_fault(file.path))
            refused("the profile region's base file", file.path, fault, "name");
    }
}

}  // namespace

void run_verify(const std::string& installer, bool any_stub, std::ostream& out, std::ostream& warnings) {
    // With --any-stub the program is not compared, and no stub is read.
    installer_file file(open_installer(installer, "verify"), "verify",
                        any_stub ? std::vector<std::string>{} : shipped_stubs());
    const installer_payload& in = file.payload();
    require_whole_payload(in, "verify");

    // The installer stops at its own damaged regions before it reads a record, the profile region first.
    const stub_regions& regions = file.regions();
    if (const std::string refusal = start_refusal(regions); !refusal.empty()) fail(refusal);
    // The layout and its warnings follow the removal rule of the installer's own profile.
    const payload::same_name_removal removal = file.settings().removal;
    layout_tree target;
    // An entry's problem with its bytes stops the walk.
    const auto read_bytes = [](walked_entry& entry) { (void)entry.read_bytes(); };
    if (const auto stop = file.walk(read_bytes, {&target, layout_order::before_bytes, removal}))
        fail(describe_stop(*stop));

    // The walk passed every record, so the records' sums are the entries'.
    const payload_records& records = file.records();
    const record_sums& sums = records.sums;
    check_header_total(in, payload::HEADER_FILE_COUNT_COPY, "file count copy", records.entries.size(),
                       "count");
    check_header_total(in, payload::HEADER_TOTAL_SIZE, "total size", sums.file_size, "file sizes");
    check_header_total(in, payload::HEADER_REQUIRED_SPACE, "required space", sums.file_size, "file sizes");
    check_header_total(in, payload::HEADER_TOTAL_STORED_SIZE, "total stored size", sums.stored_size,
                       "stored sizes");
    check_header_total(in, payload::HEADER_TOTAL_RECORD_SIZE, "total record size", sums.record_length,
                       "record lengths");
    check_header_texts(in.header);
    check_entry_names(records);
    // Last, so that a damaged payload is named by the message the installer would stop with. The installer
    // takes a written region that is merely sound; build promises more, and an installer whose region it
    // would have refused (another capacity than the stub reads, a default directory the screen questions,
    // a line too long) was not made by it as it stands.
    // What a program other than a shipped stub does with the payload, nothing here can tell.
    if (!any_stub && !file.identity().shipped)
        fail(not_shipped_text(file.identity()) + "; --any-stub checks the payload alone");
    require_regions_as_built(regions, "verify");
    check_license_text(regions.license);
    if (regions.profile.found == stub_profile::state::written) {
        if (const std::string problem = profile_settings_problem(regions.profile.settings); !problem.empty())
            fail("the profile region's " + problem + "; build refuses such a setting");
        check_update_records(regions.profile.settings.update_of);
    }

    // A file installed with its set-id bits runs with its owner's rights: the user should know, as build
    // keeps them only when asked (--keep-setid).
    for (const held_record& held : records.entries) {
        if (const std::string bits = special_bits_text(held.record.mode); !bits.empty()) {
            warn(warnings, "entry " + shown(held.name) + " has mode " + permission_text(held.record.mode) +
                               ": " + bits);
        }
    }
    // A sound payload may still lose files at installation: worth saying, not a failure.
    std::vector<named_entry> named;
    for (const held_record& held : records.entries) {
        if (held.record.method != payload::METHOD_TOUCH)
            named.push_back(named_entry{held.name, held.record.method == payload::METHOD_DELETE});
    }
    for (const auto& w : same_name_warnings(named, removal)) warn(warnings, display_text(w));

    out << "ok: " << display_text(installer) << ": "
        << payload::header_u32(in.header, payload::HEADER_FILE_COUNT) << " entries, " << sums.file_size
        << " bytes, header at offset " << in.header_offset;
    out << '\n';
}

}  // namespace builder
