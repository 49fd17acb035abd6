// The wording of what an installer tells of itself, written once for both programs: mkinstaller's info
// and list of an installer file, and the installer's own --info and --list. Each writer hands its pieces
// to a text_writer (shown_text.h) and allocates nothing; texts from the payload are escaped.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "payload/file_record.h"
#include "payload/header_block.h"
#include "payload/shown_text.h"
#include "payload/vendor_settings_table.h"

namespace payload {

// info: the welcome line with its build stamp, the directory screen's product line and its space line
// (an update's, when `update`), each ended by a line feed.
void write_product_lines(const header_block& h, const text_writer& out, bool update);

// The architecture this code is compiled for, as info names it: a stub's is the one its --info names.
#if defined(__x86_64__)
constexpr std::string_view COMPILED_ARCHITECTURE = "x86-64";
#elif defined(__aarch64__)
constexpr std::string_view COMPILED_ARCHITECTURE = "aarch64";
#else
#error "the installer is built for x86-64 and aarch64 only"
#endif

// info: "architecture: <name>" and a line feed.
void write_architecture_line(std::string_view name, const text_writer& out);

// info: "built <UTC> UTC (<seconds>); N entries, X bytes, Y stored" and a line feed.
void write_totals_line(const header_block& h, const text_writer& out);

// The values in force of each vendor setting, by its number: the vendor's, else the built-in ones.
using setting_views = std::array<std::span<const std::string_view>, VENDOR_NUMBER_LIMIT>;

// info: "<label>: <value>" and a line feed for every setting whose values differ from the built-in ones,
// in the order the installer shows them.
void write_changed_settings(const setting_views& values, const text_writer& out);

// info: the release an update installs over, how many of its files it checks and how (by content, or by
// size and time in an update built before), `kept` of them the update leaves in place; a line feed.
void write_update_line(std::string_view product, std::string_view version, std::size_t files,
                       std::size_t kept, bool by_content, const text_writer& out);

// info: "licence: " and the vendor's text as "N lines, the first \"...\"", or the built-in agreement when
// `vendor_lines` is 0; no line feed.
void write_license_line(std::size_t vendor_lines, std::string_view first_line, const text_writer& out);

// The product the stub's built-in texts were written for.
constexpr std::string_view SAMPLE_PRODUCT = "VORNA";

// The labels of the texts still the stub's built-in ones ("title, thanks, ..., licence"), comma-separated,
// when `product` is not the sample's (letter case aside): words written for another product. Returns
// whether it wrote any.
bool write_sample_texts(std::string_view product, const setting_views& values, bool license_built_in,
                        const text_writer& out);

// info: "sample texts: <labels> (written for VORNA)" and a line feed, when there are any.
void write_sample_texts_line(std::string_view product, const setting_views& values, bool license_built_in,
                             const text_writer& out);

// list: "header block at offset N" and the header's fields, each on a line.
void write_list_header(const header_block& h, std::uint64_t header_offset, const text_writer& out);

// list: the columns an entry's line takes, wide enough for their heads and every entry given to take.
struct list_widths {
    std::size_t method = 6;  // "method"
    std::size_t size = 4;    // "size"
    std::size_t stored = 6;  // "stored"
    void take(const file_record& record);
};

// list: an empty line and the column heads, then an entry's line, `name` escaped; a link's ends
// " -> " and its `link_target`, escaped as names are.
void write_list_heads(const list_widths& widths, const text_writer& out);
void write_list_entry(const file_record& record, std::string_view name, std::string_view link_target,
                      const list_widths& widths, const text_writer& out);

// How list and verify name an entry's method: "stored", "compressed", "delete", else "method N".
using method_text = std::array<char, 24>;
method_text method_name(std::uint32_t method);

}  // namespace payload
