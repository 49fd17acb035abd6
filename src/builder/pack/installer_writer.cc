// The writer: each of its jobs lives in a file of its own; this one puts them in order.
#include "builder/pack/installer_writer.h"

#include <fcntl.h>

#include "builder/pack/checksum_file.h"
#include "builder/pack/entry_pipeline.h"
#include "builder/pack/payload_writer.h"
#include "builder/pack/stub_copy.h"
#include "builder/util/display_text.h"
#include "builder/util/error.h"
#include "builder/util/fd_holder.h"
#include "builder/util/output_file.h"
#include "payload/header_block.h"

namespace builder {
namespace {

// The installer runs wherever it is copied; its checksum is read, never run.
constexpr unsigned WRITER_INSTALLER_MODE = 0755;
constexpr unsigned WRITER_CHECKSUM_MODE = 0644;

// The stub may itself carry a payload; the installer would then find that one first.
void check_payload_is_found(const output_file& out, std::uint64_t header_offset) {
    const auto in = out.read_back();
    payload::header_block header{};
    std::uint64_t found_at = 0;
    const payload::header_search result = payload::try_find_header_block(in.get(), header, &found_at);
    if (result == payload::header_search::found && found_at == header_offset) return;
    throw error("the installer would not find the new payload at offset " + std::to_string(header_offset) +
                ": the stub already holds a header block in front of it");
}

}  // namespace

build_summary write_installer(const build_settings& settings, const payload_plan& plan,
                              build_observer* observer) {
    const fd_holder root(open(settings.source_dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (root.fd < 0) fail_errno("cannot open source directory " + shown(settings.source_dir));

    output_file out(settings.output);
    payload_writer payload(out, copy_stub(settings, out));
    build_summary summary;
    prepare_entries(settings, plan, root.fd, [&](std::size_t index, prepared_entry& prepared) {
        const planned_entry& entry = plan.entries[index];
        if (entry.is_delete) {
            payload.write_delete(entry);
        } else if (entry.is_touch) {
            payload.write_touch(entry);
        } else {
            for (std::string& warning : prepared.warnings) summary.warnings.push_back(std::move(warning));
            payload.write_file(entry, prepared);
        }
        if (observer != nullptr) {
            observer->entry_written(static_cast<std::uint32_t>(index + 1), payload.totals().file_size,
                                    payload.totals().stored_size);
        }
    });
    const header_fields fields = payload.finish(settings, plan.entries.size());
    out.finish(WRITER_INSTALLER_MODE);
    check_payload_is_found(out, payload.header_offset());
    if (settings.checksum) {
        output_file sum(settings.output + ".sha256");
        const std::string line = checksum_line(out);
        sum.write(line.data(), line.size());
        sum.finish(WRITER_CHECKSUM_MODE);
        commit_outputs(out, &sum);
    } else {
        commit_outputs(out);
    }
    summary.header_offset = payload.header_offset();
    summary.file_count = fields.file_count;
    summary.total_size = fields.total_size;
    summary.total_stored_size = fields.total_stored_size;
    summary.payload_size = payload::HEADER_SIZE + payload.totals().record_size + payload.totals().stored_size;
    return summary;
}

}  // namespace builder
