// The wording of info and list, shared by mkinstaller and the installer.
#include "payload/installer_report.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>

#include "payload/product_text.h"

namespace payload {
namespace {

using namespace std::string_view_literals;

// Both programs show the header texts escaped, as every text taken from a payload.
struct escaped_header_text {
    std::string_view text;
};

void write_piece(const text_writer& out, std::string_view piece) {
    out(piece);
}

void write_piece(const text_writer& out, escaped_header_text piece) {
    write_escaped(piece.text, true, false, out);
}

void write_piece(const text_writer& out, std::uint32_t number) {
    write_number(number, out);
}

std::size_t digit_count(std::uint32_t value) {
    char digits[12];
    return static_cast<std::size_t>(std::to_chars(digits, digits + sizeof digits, value).ptr - digits);
}

void write_blanks(std::size_t count, const text_writer& out) {
    constexpr std::string_view BLANKS = "                        ";
    for (; count > BLANKS.size(); count -= BLANKS.size()) out(BLANKS);
    out(BLANKS.substr(0, count));
}

// `text` padded to `width` on its right, or on its left for a figure.
void write_padded(std::string_view text, std::size_t width, bool figure, const text_writer& out) {
    const std::size_t blanks = width > text.size() ? width - text.size() : 0;
    if (figure) write_blanks(blanks, out);
    out(text);
    if (!figure) write_blanks(blanks, out);
}

void write_figure(std::uint32_t value, std::size_t width, const text_writer& out) {
    char digits[12];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    write_padded(std::string_view(digits, static_cast<std::size_t>(end - digits)), width, true, out);
}

void write_lines_summary(std::size_t lines, std::string_view first_line, const text_writer& out) {
    write_number(static_cast<std::int64_t>(lines), out);
    out(" lines, the first "sv);
    write_shown(first_line, out);
}

// info's words for a setting's values, by its kind.
void write_setting_value(const vendor_setting& setting, std::span<const std::string_view> values,
                         const text_writer& out) {
    const std::string_view value = values.front();
    switch (setting.kind) {
        case setting_kind::line:
            if (value.empty() && setting.limits.may_be_empty) return out("none"sv);
            return write_shown(value, out);
        case setting_kind::lines:
            if (value.empty()) return out("none"sv);
            return write_lines_summary(static_cast<std::size_t>(std::ranges::count(value, '\n')),
                                       value.substr(0, value.find('\n')), out);
        case setting_kind::list:
            for (std::size_t i = 0; i < values.size(); ++i) {
                if (i != 0) out(", "sv);
                write_shown(values[i], out);
            }
            return;
        case setting_kind::choice: {
            const setting_choice& chosen = setting.choices[static_cast<unsigned char>(value.front())];
            out(chosen.name);
            out(" "sv);
            return out(chosen.note);
        }
        default:
            return write_shown(value, out);
    }
}

}  // namespace

void write_product_lines(const header_block& h, const text_writer& out, bool update) {
    const escaped_header_text product{header_text(h, HEADER_PRODUCT_NAME)};
    const escaped_header_text version{header_text(h, HEADER_VERSION)};
    const auto write = [&out](auto piece) { write_piece(out, piece); };
    emit_welcome_line(product, version, escaped_header_text{header_text(h, HEADER_PLATFORM)},
                      header_build_time(h), write);
    out("\n"sv);
    emit_product_version_line(product, version, write);
    out("\n"sv);
    out(space_line(header_u32(h, HEADER_REQUIRED_SPACE), update).data());
    out("\n"sv);
}

void write_architecture_line(std::string_view name, const text_writer& out) {
    out("architecture: "sv);
    out(name);
    out("\n"sv);
}

void write_totals_line(const header_block& h, const text_writer& out) {
    const std::int32_t build_time = header_build_time(h);
    out("built "sv);
    out(utc_text(build_time).data());
    out(" UTC ("sv);
    write_number(build_time, out);
    out("); "sv);
    write_number(header_u32(h, HEADER_FILE_COUNT), out);
    out(" entries, "sv);
    write_number(header_u32(h, HEADER_TOTAL_SIZE), out);
    out(" bytes, "sv);
    write_number(header_u32(h, HEADER_TOTAL_STORED_SIZE), out);
    out(" stored\n"sv);
}

void write_changed_settings(const setting_views& values, const text_writer& out) {
    for (auto shown = setting_shown::welcome; shown <= setting_shown::nowhere;
         shown = static_cast<setting_shown>(static_cast<int>(shown) + 1)) {
        for (const vendor_setting& setting : VENDOR_SETTINGS) {
            const std::span<const std::string_view> value = values[setting.number];
            if (setting.shown != shown || std::ranges::equal(value, setting.built_in)) continue;
            out(setting.info_label);
            out(": "sv);
            write_setting_value(setting, value, out);
            out("\n"sv);
        }
    }
}

namespace {

bool same_letters(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if ((a[i] | 0x20) != (b[i] | 0x20)) return false;
    }
    return true;
}

// The settings whose built-in texts are the sample product's words.
constexpr std::uint8_t SAMPLE_TEXT_SETTINGS[] = {PROFILE_TITLE, PROFILE_THANKS, PROFILE_CLOSING_TEXT,
                                                 PROFILE_EXISTING_DIR_TEXT, PROFILE_DEFAULT_DIR};

}  // namespace

bool write_sample_texts(std::string_view product, const setting_views& values, bool license_built_in,
                        const text_writer& out) {
    if (same_letters(product, SAMPLE_PRODUCT)) return false;
    bool any = false;
    for (const std::uint8_t number : SAMPLE_TEXT_SETTINGS) {
        // A text setting holds one value: the sample's when it reads as the built-in one.
        if (values[number].front() != SETTING_FORMATS[number].built_in.front()) continue;
        if (any) out(", "sv);
        out(vendor_setting_numbered(number)->info_label);
        any = true;
    }
    if (license_built_in) {
        if (any) out(", "sv);
        out("licence"sv);
        any = true;
    }
    return any;
}

void write_sample_texts_line(std::string_view product, const setting_views& values, bool license_built_in,
                             const text_writer& out) {
    // Written once the line is known to have labels: a writer cannot take back what it wrote.
    const auto nothing = [](std::string_view) {};
    if (!write_sample_texts(product, values, license_built_in, writer_to(nothing))) return;
    out("sample texts: "sv);
    (void)write_sample_texts(product, values, license_built_in, out);
    out(" (written for VORNA)\n"sv);
}

void write_update_line(std::string_view product, std::string_view version, std::size_t files,
                       std::size_t kept, bool by_content, const text_writer& out) {
    out("updates: "sv);
    write_escaped(product, true, false, out);
    out(" "sv);
    write_escaped(version, true, false, out);
    if (files == 0) return out(" (checks only that the target directory exists)\n"sv);
    out(" (checks "sv);
    write_number(static_cast<std::int64_t>(files), out);
    out(files == 1 ? " file"sv : " files"sv);
    out(by_content ? " of it by content"sv : " of it by size and time"sv);
    out(" beneath the target before it writes anything: "sv);
    write_number(static_cast<std::int64_t>(kept), out);
    out(" it leaves in place, then "sv);
    write_number(static_cast<std::int64_t>(files - kept), out);
    out(" it rewrites)\n"sv);
}

void write_license_line(std::size_t vendor_lines, std::string_view first_line, const text_writer& out) {
    out("licence: "sv);
    if (vendor_lines == 0) return out("the agreement built into the stub"sv);
    write_lines_summary(vendor_lines, first_line, out);
}

void write_list_header(const header_block& h, std::uint64_t header_offset, const text_writer& out) {
    const std::int32_t build_time = header_build_time(h);
    const std::uint32_t volume = header_u32(h, HEADER_VOLUME);
    char volume_text[16];
    std::snprintf(volume_text, sizeof volume_text, "0x%08X", volume);
    out("header block at offset "sv);
    write_number(static_cast<std::int64_t>(header_offset), out);
    const auto field = [&out](std::string_view label, auto value) {
        out("\n"sv);
        out(label);
        write_piece(out, value);
    };
    field("product:            "sv, escaped_header_text{header_text(h, HEADER_PRODUCT_NAME)});
    field("version:            "sv, escaped_header_text{header_text(h, HEADER_VERSION)});
    field("platform:           "sv, escaped_header_text{header_text(h, HEADER_PLATFORM)});
    field("build time:         "sv, std::string_view(utc_text(build_time).data()));
    out(" UTC ("sv);
    write_number(build_time, out);
    out(")"sv);
    field("file count:         "sv, header_u32(h, HEADER_FILE_COUNT));
    field("total size:         "sv, header_u32(h, HEADER_TOTAL_SIZE));
    field("total stored size:  "sv, header_u32(h, HEADER_TOTAL_STORED_SIZE));
    field("total record size:  "sv, header_u32(h, HEADER_TOTAL_RECORD_SIZE));
    field("volume:             "sv, std::string_view(volume_text));
    out(volume == HEADER_VOLUME_WHOLE ? " (whole payload in this file)\n"sv
                                      : " (not accepted by the installer)\n"sv);
}

void list_widths::take(const file_record& record) {
    method = std::max(method, std::string_view(method_name(record.method).data()).size());
    size = std::max(size, digit_count(record.file_size));
    stored = std::max(stored, digit_count(record.stored_size));
}

void write_list_heads(const list_widths& widths, const text_writer& out) {
    out("\n"sv);
    write_padded("method"sv, widths.method, false, out);
    out("  "sv);
    write_padded("size"sv, widths.size, true, out);
    out("  "sv);
    write_padded("stored"sv, widths.stored, true, out);
    out("  "sv);
    write_padded("mtime (UTC)"sv, 19, false, out);
    out("  mode  name\n"sv);
}

void write_list_entry(const file_record& record, std::string_view name, std::string_view link_target,
                      const list_widths& widths, const text_writer& out) {
    write_padded(method_name(record.method).data(), widths.method, false, out);
    out("  "sv);
    write_figure(record.file_size, widths.size, out);
    out("  "sv);
    write_figure(record.stored_size, widths.stored, out);
    out("  "sv);
    write_padded(utc_text(record.mtime).data(), 19, false, out);
    // The bits chmod gets, set-id and sticky ones included, as four octal digits.
    char mode[12];
    std::snprintf(mode, sizeof mode, "  %04o  ", static_cast<unsigned>(record.mode & 07777));
    out(mode);
    write_escaped(name, true, false, out);
    if (record.method == METHOD_LINK) {
        out(" -> "sv);
        write_escaped(link_target, true, false, out);
    }
    out("\n"sv);
}

method_text method_name(std::uint32_t method) {
    // By method value: METHOD_STORED, METHOD_COMPRESSED, METHOD_DELETE, METHOD_TOUCH, METHOD_LINK.
    constexpr std::array<const char*, 5> NAMES = {"stored", "compressed", "delete", "touch", "link"};
    static_assert(METHOD_STORED == 0 && METHOD_COMPRESSED == 1 && METHOD_DELETE == 2 && METHOD_TOUCH == 3 &&
                  METHOD_LINK == 4);
    method_text text{};
    if (method < NAMES.size()) {
        std::snprintf(text.data(), text.size(), "%s", NAMES[method]);
    } else {
        std::snprintf(text.data(), text.size(), "method %u", static_cast<unsigned>(method));
    }
    return text;
}

}  // namespace payload
