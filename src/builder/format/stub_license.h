// The licence region as mkinstaller sees it in a stub's bytes: finding it (it is the stub's identity),
// reading the text it carries, and writing a vendor's text into it. The layout is
// src/payload/license_region.h.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "payload/license_region.h"

namespace builder {

struct stub_license {
    enum class state {
        not_a_stub,       // no marker: the program is not an installer stub
        several_markers,  // the marker more than once: which region is the stub's cannot be told
        damaged,          // the region is there but unsound: the installer refuses to start
        built_in,         // no text of its own: the installer shows its built-in agreement
        vendor_text,      // a sound text of its own
    };
    state found = state::not_a_stub;
    std::uint64_t offset = 0;    // of the region's marker
    std::uint32_t capacity = 0;  // bytes its text area declares; the stub reads LICENSE_TEXT_CAPACITY
    payload::license_check check = payload::license_check::bad_frame;
    payload::region_check frame = payload::region_check::bad_marker;
    std::string text;  // vendor_text: the lines, each ended by a line feed
};

// What is wrong with a damaged region, in words.
std::string license_damage_text(const stub_license& found);

// Looks for the licence region in `bytes`, a stub or the part of an installer in front of its payload, or
// takes it at `at`, where a known stub holds it.
stub_license find_stub_license(std::string_view bytes, std::optional<std::uint64_t> at = std::nullopt);

// Throws error unless `found` is a stub's region as the stub reads it (not_a_stub, several_markers, a
// region cut short by the end of the file or declaring another capacity than the stub reads), naming
// `what` ("stub \"x\"").
void require_stub(const stub_license& found, const std::string& what);

// Rewrites the region of `stub` found at `found` (which require_stub passed) to hold `text`, a laid-out
// licence; the rest of the text area is zeroed. Throws error, naming `license_path`, when the text does not
// fit.
void write_stub_license(std::string& stub, const stub_license& found, const std::string& text,
                        const std::string& license_path);

// The text's first line and its number of lines.
std::string_view license_first_line(std::string_view text);
std::size_t license_line_count(std::string_view text);

}  // namespace builder
