// The stub's regions: fixed-size blocks in the installer stub's initialised data that mkinstaller
// rewrites in the copy it writes, so that one stub serves every product. Two exist: the licence region
// (license_region.h) and the profile region (profile_region.h). Each is found in the stub's bytes by
// its own marker and has the same frame; only what its content means differs.
//
// Frame, little-endian, offsets from the first byte of the marker:
//   0   16 bytes  marker, e.g. "<licence region>"
//   16  u32       capacity: bytes in the content area (the stub's compiler sets it; writers keep it)
//   20  u32       length: bytes of content in use; 0 means unwritten (the stub's built-in defaults)
//   24  u16       CRC-16 of the content in use (the payload's CRC-16, from 0)
//   26  6 bytes   reserved, zero
//   32  capacity  the content; zero bytes behind it
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace payload {

constexpr std::size_t REGION_MARKER_SIZE = 16;
constexpr std::size_t REGION_CAPACITY_FIELD = 16;
constexpr std::size_t REGION_LENGTH_FIELD = 20;
constexpr std::size_t REGION_CRC_FIELD = 24;
constexpr std::size_t REGION_HEADER_SIZE = 32;

using region_marker = std::array<unsigned char, REGION_MARKER_SIZE>;

// A region's marker as programs keep it: every byte one lower than in the region, so that in the stub's
// file the region itself is the only place the marker's bytes occur.
using kept_marker = char[REGION_MARKER_SIZE + 1];

// A region's bounds, one description for the stub that reads the region and for every program that
// writes or reads it in a stub's file: the stub is compiled with a region of exactly size() bytes and
// reads nothing behind them, whatever the capacity field of a crafted copy claims.
struct region_bounds {
    kept_marker kept;        // the marker, one lower
    std::uint32_t capacity;  // the content area the stub is compiled with: the most it ever reads
    constexpr std::size_t size() const { return REGION_HEADER_SIZE + capacity; }
};

// The region a stub is built with: marker, capacity, and nothing written. Evaluated by the compiler, so
// the kept form is all the program holds besides the region.
template <const region_bounds& Bounds>
consteval std::array<unsigned char, Bounds.size()> empty_region() {
    std::array<unsigned char, Bounds.size()> region{};
    for (std::size_t i = 0; i < REGION_MARKER_SIZE; ++i)
        region[i] = static_cast<unsigned char>(Bounds.kept[i] + 1);
    for (std::size_t i = 0; i < 4; ++i)
        region[REGION_CAPACITY_FIELD + i] = static_cast<unsigned char>(Bounds.capacity >> (8 * i));
    return region;
}

// A stub's own region as the running program holds it. The barrier hides the region's initial value
// from the optimiser, which could otherwise fold that constant and never read the bytes mkinstaller wrote.
inline const unsigned char* region_as_written(const unsigned char* region) {
    asm volatile("" : "+r"(region) : : "memory");
    return region;
}

// The marker a region begins with, computed at run time from the kept form.
region_marker make_region_marker(const kept_marker& kept);

enum class region_check {
    written,       // content of its own, within the area and passing its CRC
    unwritten,     // length 0: the built-in defaults
    bad_marker,    // not this region
    cut_short,     // fewer bytes than the region's size are there
    bad_capacity,  // the capacity field claims more than the stub reads
    bad_length,    // more content than the area holds
    bad_crc,       // the content fails its CRC
};

// Checks the frame of the region at `region`, of which `available` bytes may be read (the marker
// included), as the stub compiled with `bounds` checks its own: only the first bounds.size() bytes
// count. The stub passes its whole region; a reader of a stub's file passes the bytes to its end.
region_check check_region_frame(const region_bounds& bounds, const unsigned char* region,
                                std::size_t available);

// The capacity field of a region whose first REGION_HEADER_SIZE bytes are there.
std::uint32_t region_capacity(const unsigned char* region);

// The content of a region whose frame checked as written.
const unsigned char* region_content(const unsigned char* region);
std::uint32_t region_length(const unsigned char* region);

}  // namespace payload
