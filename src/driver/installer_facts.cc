// The installer's --info, --list and --check: mkinstaller's info and list of this installer in the words
// they share (payload/installer_report.h), and the whole payload checked as the installation reads it.
#include "driver/installer_facts.h"

#include <sys/types.h>

#include <algorithm>
#include <cstdint>
#include <span>
#include <string_view>

#include "driver/agreement.h"
#include "install/payload_check.h"
#include "payload/installer_messages.h"
#include "payload/installer_report.h"
#include "payload/link_target.h"
#include "process/payload_stream.h"
#include "process/session.h"
#include "process/termination.h"
#include "process/vendor_settings.h"

namespace driver {
namespace {

struct file_sink {
    std::FILE* out;
    void operator()(std::string_view piece) const { (void)std::fwrite(piece.data(), 1, piece.size(), out); }
};

}  // namespace

void write_installer_info(std::FILE* out) {
    const file_sink sink{out};
    const payload::text_writer writer = payload::writer_to(sink);
    const payload::header_block& h = process::session.header;
    payload::write_product_lines(h, writer, process::vendor_settings().update_of.has_value());
    payload::write_totals_line(h, writer);
    payload::write_architecture_line(payload::COMPILED_ARCHITECTURE, writer);
    payload::setting_views values{};
    for (const payload::vendor_setting& setting : payload::VENDOR_SETTINGS)
        values[setting.number] = process::setting_values(setting.number);
    payload::write_changed_settings(values, writer);
    const payload::vendor_profile& profile = process::vendor_settings();
    if (profile.update_of) {
        const auto files = std::span(profile.base_files).first(profile.base_count);
        const auto kept = static_cast<std::size_t>(std::ranges::count_if(files, &payload::base_file::kept));
        const bool by_content = files.empty() || files.front().by_content();
        payload::write_update_line(profile.update_of->product, profile.update_of->version, files.size(), kept,
                                   by_content, writer);
    }
    // The vendor's text is counted line by line; the built-in agreement is named, not counted.
    agreement_cursor cursor = first_agreement_line();
    std::size_t vendor_lines = 0;
    std::string_view first_line;
    for (std::string_view line; cursor.table_line == nullptr && next_agreement_line(cursor, line);)
        if (vendor_lines++ == 0) first_line = line;
    payload::write_license_line(vendor_lines, first_line, writer);
    writer("\n");
    payload::write_sample_texts_line(payload::header_text(h, payload::HEADER_PRODUCT_NAME), values,
                                     vendor_lines == 0, writer);
}

void write_installer_list(std::FILE* out) {
    std::FILE* in = process::session.self_file;
    const off_t first_record = ftello(in);
    if (first_record < static_cast<off_t>(payload::HEADER_SIZE))
        process::error(payload::corrupted_message(payload::corruption::record_short));
    const std::uint32_t count = payload::header_u32(process::session.header, payload::HEADER_FILE_COUNT);
    // The columns fit the widest entry, so a first pass takes their widths, and checks the entries with
    // their stored bytes: those before a damaged one are listed, then the installation's message ends it.
    payload::record_buffer record_bytes;
    payload::file_record record{};
    payload::list_widths widths;
    payload::corruption found = payload::corruption::none;
    std::uint32_t sound = 0;
    for (; sound < count; ++sound) {
        found = install::check_next_entry(record_bytes, record);
        if (found != payload::corruption::none) break;
        widths.take(record);
    }
    // A position ftello gave in the same file: the seek cannot fail.
    (void)fseeko(in, first_record, SEEK_SET);

    const file_sink sink{out};
    const payload::text_writer writer = payload::writer_to(sink);
    payload::write_list_header(process::session.header,
                               static_cast<std::uint64_t>(first_record) - payload::HEADER_SIZE, writer);
    payload::write_list_heads(widths, writer);
    for (std::uint32_t i = 0; i < sound; ++i) {
        record = process::next_file_record(record_bytes);
        // A link's text, checked in the first pass, is read rather than passed over.
        char link_target[payload::LINK_TARGET_MAX];
        std::size_t target_size = 0;
        if (record.method == payload::METHOD_LINK)
            target_size = std::fread(link_target, 1, record.stored_size, in);
        else if (payload::has_stored_bytes(record))
            (void)fseeko(in, record.stored_size, SEEK_CUR);
        payload::write_list_entry(record, record.name, {link_target, target_size}, widths, writer);
    }
    if (found != payload::corruption::none) {
        (void)std::fflush(out);
        process::error(payload::corrupted_message(found));
    }
}

void check_whole_installer() {
    install::check_every_entry();
}

}  // namespace driver
