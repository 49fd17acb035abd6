// The build's progress bar and closing summary, for a person at a terminal. The texts are made by plain
// functions so that they can be checked without one; progress_bar only draws them.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

#include "builder/pack/installer_writer.h"

namespace builder {

struct progress_figures {
    std::uint32_t entries_done = 0;
    std::uint32_t entries_total = 0;
    std::uint64_t bytes_in = 0;
    std::uint64_t bytes_total = 0;
    std::uint64_t bytes_stored = 0;  // what the files became in the payload
};

// "1.5 KiB": bytes below 1024 as they are, larger counts with one decimal in the next binary unit.
std::string size_text(std::uint64_t bytes);

// Stored size over input size in percent with one decimal ("41.2%"), or "-" for no input.
std::string ratio_text(std::uint64_t bytes_stored, std::uint64_t bytes_in);

// "[#########...........]  12/40 entries  1.2 MiB/3.4 MiB  ratio 41.2%"
std::string progress_text(const progress_figures& figures);

// "packed 40 entries: 3.4 MiB in, 1.4 MiB stored (ratio 41.0%) in 0.8 s": the files' stored bytes and
// their ratio to the input, as the bar shows them; the fixed header and records would blur small trees.
std::string summary_text(const build_summary& summary, double seconds);

// Redraws one line of `terminal` in place, at most ten times a second, and erases it at the end.
class progress_bar : public build_observer {
  public:
    progress_bar(std::FILE* terminal, std::uint32_t entries_total, std::uint64_t bytes_total);
    void entry_written(std::uint32_t entries_done, std::uint64_t bytes_in,
                       std::uint64_t bytes_stored) override;
    void erase();

  private:
    void draw(const std::string& text);

    std::FILE* terminal_;
    progress_figures figures_;
    std::size_t drawn_width_ = 0;
    std::chrono::steady_clock::time_point last_draw_{};
};

}  // namespace builder
