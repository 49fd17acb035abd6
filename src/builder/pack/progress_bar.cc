// Progress and summary texts, and the drawing of the bar.
#include "builder/pack/progress_bar.h"

#include <algorithm>
#include <array>

namespace builder {
namespace {

constexpr std::size_t PROGRESS_BAR_WIDTH = 20;
constexpr auto PROGRESS_REDRAW_INTERVAL = std::chrono::milliseconds(100);

std::string one_decimal(double value) {
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), "%.1f", value);
    return text.data();
}

}  // namespace

std::string size_text(std::uint64_t bytes) {
    static constexpr std::array<const char*, 4> UNITS = {"KiB", "MiB", "GiB", "TiB"};
    if (bytes < 1024) return std::to_string(bytes) + " B";
    double value = static_cast<double>(bytes) / 1024;
    std::size_t unit = 0;
    while (value >= 1024 && unit + 1 < UNITS.size()) {
        value /= 1024;
        ++unit;
    }
    return one_decimal(value) + " " + UNITS[unit];
}

std::string ratio_text(std::uint64_t bytes_stored, std::uint64_t bytes_in) {
    if (bytes_in == 0) return "-";
    return one_decimal(100.0 * static_cast<double>(bytes_stored) / static_cast<double>(bytes_in)) + "%";
}

std::string progress_text(const progress_figures& f) {
    // Bytes measure the work better than entries, but an installer of empty files has none.
    const double done = f.bytes_total != 0
                            ? static_cast<double>(f.bytes_in) / static_cast<double>(f.bytes_total)
                        : f.entries_total != 0 ? static_cast<double>(f.entries_done) / f.entries_total
                                               : 1.0;
    // Files of /proc or /sys may bring more bytes than the scan counted.
    const auto filled = static_cast<std::size_t>(std::min(done, 1.0) * PROGRESS_BAR_WIDTH);
    return "[" + std::string(filled, '#') + std::string(PROGRESS_BAR_WIDTH - filled, '.') + "]  " +
           std::to_string(f.entries_done) + "/" + std::to_string(f.entries_total) + " entries  " +
           size_text(f.bytes_in) + "/" + size_text(f.bytes_total) + "  ratio " +
           ratio_text(f.bytes_stored, f.bytes_in);
}

std::string summary_text(const build_summary& s, double seconds) {
    return "packed " + std::to_string(s.file_count) + " entries: " + size_text(s.total_size) + " in, " +
           size_text(s.total_stored_size) + " stored (ratio " +
           ratio_text(s.total_stored_size, s.total_size) + ") in " + one_decimal(seconds) + " s";
}

progress_bar::progress_bar(std::FILE* terminal, std::uint32_t entries_total, std::uint64_t bytes_total)
    : terminal_(terminal) {
    figures_.entries_total = entries_total;
    figures_.bytes_total = bytes_total;
    draw(progress_text(figures_));
}

void progress_bar::entry_written(std::uint32_t entries_done, std::uint64_t bytes_in,
                                 std::uint64_t bytes_stored) {
    figures_.entries_done = entries_done;
    figures_.bytes_in = bytes_in;
    figures_.bytes_stored = bytes_stored;
    const auto now = std::chrono::steady_clock::now();
    if (entries_done != figures_.entries_total && now - last_draw_ < PROGRESS_REDRAW_INTERVAL) return;
    last_draw_ = now;
    draw(progress_text(figures_));
}

void progress_bar::draw(const std::string& text) {
    // Blanks cover what is left of a longer earlier drawing.
    const std::size_t cover = drawn_width_ > text.size() ? drawn_width_ - text.size() : 0;
    std::fprintf(terminal_, "\r%s%s", text.c_str(), std::string(cover, ' ').c_str());
    std::fflush(terminal_);
    drawn_width_ = text.size();
}

void progress_bar::erase() {
    if (drawn_width_ == 0) return;
    std::fprintf(terminal_, "\r%s\r", std::string(drawn_width_, ' ').c_str());
    std::fflush(terminal_);
    drawn_width_ = 0;
}

}  // namespace builder
