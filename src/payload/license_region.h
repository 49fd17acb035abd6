// The licence region: a fixed-size block in the installer stub's initialised data that can carry a
// vendor's licence text in place of the built-in agreement, so that one stub serves every product.
// mkinstaller finds the region in the stub's bytes by its marker and rewrites the text in the copy it
// writes; the stub reads the region at run time. This file holds the layout and the validity check that
// both sides share; the stub's own region is defined in driver/agreement.cc.
//
// Layout, little-endian, offsets from the first byte of the marker:
//   0   16 bytes  marker "<licence region>"
//   16  u32       capacity: bytes in the text area (the stub's compiler sets it; writers keep it)
//   20  u32       length: bytes of text in use; 0 means no text of its own (the built-in one is shown)
//   24  u16       CRC-16 of the text in use (the payload's CRC-16, from 0)
//   26  6 bytes   reserved, zero
//   32  capacity  the text: lines of UTF-8, each ended by a line feed; zero bytes behind it
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace payload {

constexpr std::size_t LICENSE_MARKER_SIZE = 16;
constexpr std::size_t LICENSE_CAPACITY_FIELD = 16;
constexpr std::size_t LICENSE_LENGTH_FIELD = 20;
constexpr std::size_t LICENSE_CRC_FIELD = 24;
constexpr std::size_t LICENSE_HEADER_SIZE = 32;
// The stub's text area: room for a long agreement with some to spare.
constexpr std::size_t LICENSE_TEXT_CAPACITY = 65536;
constexpr std::size_t LICENSE_REGION_SIZE = LICENSE_HEADER_SIZE + LICENSE_TEXT_CAPACITY;

// The marker as programs keep it: every byte one lower than in the region, so that in the stub's file
// the region itself is the only place the marker's bytes occur.
inline constexpr char LICENSE_MARKER_KEPT[LICENSE_MARKER_SIZE + 1] = ";khbdmbd\x1Fqdfhnm=";

using license_marker = std::array<unsigned char, LICENSE_MARKER_SIZE>;
using license_region_bytes = std::array<unsigned char, LICENSE_REGION_SIZE>;

// The marker a region begins with, computed at run time from the kept form.
license_marker make_license_marker();

// The region a stub is built with: marker, capacity, and no text. Evaluated by the compiler, so the kept
// form is all the program holds besides the region.
consteval license_region_bytes empty_license_region() {
    license_region_bytes region{};
    for (std::size_t i = 0; i < LICENSE_MARKER_SIZE; ++i)
        region[i] = static_cast<unsigned char>(LICENSE_MARKER_KEPT[i] + 1);
    for (std::size_t i = 0; i < 4; ++i)
        region[LICENSE_CAPACITY_FIELD + i] = static_cast<unsigned char>(LICENSE_TEXT_CAPACITY >> (8 * i));
    return region;
}

enum class license_check {
    vendor_text,   // a text of its own, whole and sound
    no_text,       // length 0: the built-in agreement
    bad_marker,    // not a licence region
    bad_capacity,  // the text area would reach past the bytes available
    bad_length,    // more text than the text area holds
    bad_end,       // the text does not end with a line feed
    bad_crc,       // the text fails its CRC
};

// Checks the region at `region`, of which `available` bytes may be read (the marker included). Only
// vendor_text means the text may be shown; every other answer but no_text describes damage.
license_check check_license_region(const unsigned char* region, std::size_t available);

}  // namespace payload
