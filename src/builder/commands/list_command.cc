// The list command: the header fields, then one aligned line per entry, or with --json one document
// holding the same. Entries are gathered first so that the columns fit the widest value; a damaged record
// ends the listing with an error after the entries before it, a header the installer refuses (a missing or
// damaged block, a volume other than the whole payload) with an error after the header or, with --json,
// in a document of its own. Same-name groups are warned about where the installer's removal rule has
// them. Names and texts are shown with their control bytes escaped.
#include <cstdio>
#include <utility>
#include <vector>

#include "builder/commands/commands.h"
#include "builder/commands/settings_report.h"
#include "builder/format/stub_architecture.h"
#include "builder/inspect/installer_file.h"
#include "builder/model/same_name.h"
#include "builder/util/display_text.h"
#include "builder/util/error.h"
#include "builder/util/json_text.h"
#include "builder/util/sha256.h"
#include "builder/util/time_text.h"
#include "payload/installer_report.h"

namespace builder {
namespace {

std::string octal(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%#o", value);
    return text;
}

// The release an update installs over and the files it checks there, or null. "check" says how: by
// "content", or by "size and time" in an update built before; "kept" counts those it leaves in place,
// which come first.
std::string update_json(const std::optional<update_base_settings>& update) {
    if (!update) return "null";
    std::string files;
    std::size_t kept = 0;
    for (const base_file_settings& f : update->files) {
        kept += f.kept() ? 1 : 0;
        const std::string states = f.by_content
                                       ? ", \"sha256\": \"" + sha256_hex(f.old_digest) +
                                             "\", \"new_sha256\": \"" + sha256_hex(f.new_digest) + "\""
                                       : ", \"mtime\": " + std::to_string(f.old_mtime) +
                                             ", \"new_mtime\": " + std::to_string(f.new_mtime);
        files += (files.empty() ? "\n      " : ",\n      ") + std::string("{\"path\": ") +
                 json_string(f.path) + ", \"size\": " + std::to_string(f.old_size) +
                 ", \"new_size\": " + std::to_string(f.new_size) + states + "}";
    }
    const bool by_content = update->files.empty() || update->files.front().by_content;
    return "{\"product\": " + json_string(update->product) +
           ", \"version\": " + json_string(update->version) +
           ", \"check\": " + json_string(by_content ? "content" : "size and time") +
           ", \"kept\": " + std::to_string(kept) + ", \"base\": [" + files +
           (files.empty() ? "]}" : "\n    ]}");
}

// The settings the installer runs with, defaults included; null when its profile region is damaged or
// cannot be told, since the installer then refuses to start.
std::string profile_json(const stub_profile& found) {
    if (found.found == stub_profile::state::damaged || found.found == stub_profile::state::several_markers)
        return "null";
    const profile_values v = effective_values(found.settings);
    return "{\n" + settings_json(v) + ",\n    \"update_of\": " + update_json(v.update_of) + "\n  }";
}

void print_json(installer_file& file, const std::vector<held_record>& entries,
                const std::vector<std::string>& warnings, const std::string& failure, std::ostream& out) {
    const installer_payload& in = file.payload();
    const auto& h = in.header;
    const auto u32 = [&](std::size_t offset) { return std::to_string(payload::header_u32(h, offset)); };
    const std::int32_t build_time = payload::header_build_time(h);
    // Read before a byte is printed, so that a failure to read leaves no half document.
    const std::string profile = profile_json(file.regions().profile);
    const std::string architecture = architecture_text(program_bytes(file.payload(), "list"));
    out << "{\n  \"header_offset\": " << in.header_offset
        << ",\n  \"product\": " << json_string(payload::header_text(h, payload::HEADER_PRODUCT_NAME))
        << ",\n  \"version\": " << json_string(payload::header_text(h, payload::HEADER_VERSION))
        << ",\n  \"platform\": " << json_string(payload::header_text(h, payload::HEADER_PLATFORM))
        << ",\n  \"build_time\": " << build_time
        << ",\n  \"build_time_utc\": " << json_string(utc_text(build_time))
        << ",\n  \"file_count\": " << u32(payload::HEADER_FILE_COUNT)
        << ",\n  \"total_size\": " << u32(payload::HEADER_TOTAL_SIZE)
        << ",\n  \"total_stored_size\": " << u32(payload::HEADER_TOTAL_STORED_SIZE)
        << ",\n  \"total_record_size\": " << u32(payload::HEADER_TOTAL_RECORD_SIZE)
        << ",\n  \"volume\": " << u32(payload::HEADER_VOLUME)
        << ",\n  \"stub_shipped\": " << (file.identity().shipped ? "true" : "false")
        << ",\n  \"architecture\": " << json_string(architecture) << ",\n  \"profile\": " << profile
        << ",\n  \"entries\": [";
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const payload::file_record& r = entries[i].record;
        out << (i == 0 ? "\n" : ",\n") << "    {\"name\": " << json_string(entries[i].name)
            << ", \"method\": " << json_string(method_name(r.method)) << ", \"method_number\": " << r.method
            << ", \"size\": " << r.file_size << ", \"stored_size\": " << r.stored_size
            << ", \"mtime\": " << r.mtime << ", \"mode\": " << json_string(octal(r.mode));
        if (r.method == payload::METHOD_LINK) out << ", \"link\": " << json_string(entries[i].link_target);
        out << "}";
    }
    out << (entries.empty() ? "]" : "\n  ]") << ",\n  \"warnings\": [";
    for (std::size_t i = 0; i < warnings.size(); ++i)
        out << (i == 0 ? "" : ", ") << json_message(warnings[i]);
    out << "]";
    if (!failure.empty()) out << ",\n  \"error\": " << json_message(failure);
    out << "\n}\n";
}

}  // namespace

void run_list(const std::string& installer, bool json, std::ostream& out, std::ostream& warnings_out) {
    installer_payload in;
    if (const std::string problem = open_installer_into(installer, in); !problem.empty()) {
        if (json)
            out << "{\n  \"entries\": [],\n  \"warnings\": [],\n  \"error\": " << json_message(problem)
                << "\n}\n";
        out.flush();
        throw error("list: " + problem);
    }

    installer_file file(std::move(in), "list", shipped_stubs());
    // The installer reads no entry of a payload that is not whole in its file.
    std::string failure = whole_payload_problem(file.payload());
    // Nor of one that refuses to start at its own regions.
    if (failure.empty()) failure = start_refusal(file.regions());
    const payload_records unread;
    const payload_records& records = failure.empty() ? file.records() : unread;
    // Held to the header's totals as they come: the entries before a problem are listed.
    if (records.stop) failure = describe_stop(*records.stop);

    std::vector<named_entry> named;
    for (const held_record& e : records.entries) {
        // A touch entry neither removes by name nor is removed for its own.
        if (e.record.method != payload::METHOD_TOUCH)
            named.push_back(named_entry{e.name, e.record.method == payload::METHOD_DELETE});
    }
    const std::vector<std::string> warnings = same_name_warnings(named, file.settings().removal);
    for (const auto& w : warnings) warn(warnings_out, display_text(w));

    if (json) {
        print_json(file, records.entries, warnings, failure, out);
    } else {
        const auto write = [&out](std::string_view piece) { out << piece; };
        payload::write_list_header(file.payload().header, file.payload().header_offset,
                                   payload::writer_to(write));
        payload::list_widths widths;
        for (const held_record& e : records.entries) widths.take(e.record);
        payload::write_list_heads(widths, payload::writer_to(write));
        for (const held_record& e : records.entries)
            payload::write_list_entry(e.record, e.name, e.link_target, widths, payload::writer_to(write));
    }
    if (!failure.empty()) {
        out.flush();
        throw error("list: " + failure);
    }
}

}  // namespace builder
