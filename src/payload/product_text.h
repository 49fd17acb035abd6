// The product lines the installer shows and mkinstaller's info repeats: the welcome line with its build
// stamp, and the directory screen's product and space lines. Both programs format them here, so the two
// cannot drift apart; whether the header texts are shown raw or escaped is left to the caller.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace payload {

// 2^-20 as a single-precision constant: the figure is computed in float and only widened for printing,
// so a large size shows a float's rounding, not a double's.
constexpr float PRODUCT_MIB_PER_BYTE = 9.5367431640625e-07f;

// A NUL-terminated line, long enough for any build stamp and for the space line of 2^32 - 1 bytes.
using product_text = std::array<char, 64>;

// " (build YYMMDD.hhmmss) " in UTC, each field two digits; the year is the last two of a signed count.
product_text build_stamp(std::int32_t build_time);

// "YYYY-MM-DD HH:MM:SS" in UTC, as list and info show a time.
product_text utc_text(std::int64_t seconds);

// "requiring approximately N.NNN MiByte of space.", without a newline. An update's small size is given in
// KiB ("N.N KiByte"), at least 0.1 of them: an update of a few changed files would otherwise need
// "0.000" MiByte.
product_text space_line(std::uint32_t required_space, bool update = false);

// Hands the welcome line, without its newline, to `emit` piece by piece (no allocation on the way). The
// header texts reach `emit` as given (a caller may wrap them to have them escaped), the words between
// them as string views.
template <typename Text, typename Emit>
void emit_welcome_line(const Text& product, const Text& version, const Text& platform,
                       std::int32_t build_time, Emit&& emit) {
    emit(std::string_view("Let's install  "));
    emit(product);
    emit(std::string_view(" "));
    emit(version);
    emit(std::string_view(" "));
    emit(platform);
    emit(std::string_view(" software!"));
    emit(std::string_view(build_stamp(build_time).data()));
    emit(std::string_view("!"));
}

// Hands the directory screen's product line, without its newline, to `emit` piece by piece.
template <typename Text, typename Emit>
void emit_product_version_line(const Text& product, const Text& version, Emit&& emit) {
    emit(std::string_view("    "));
    emit(product);
    emit(std::string_view("  "));
    emit(version);
}

}  // namespace payload
