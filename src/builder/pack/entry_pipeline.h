// The entry pipeline: every file of a plan read, encoded and checksummed on the build's threads, and handed
// to the writer one entry at a time in payload order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "builder/pack/build_settings.h"
#include "builder/pack/payload_plan.h"

namespace builder {

// One file read, encoded and checksummed, ready for its record; prepared on any thread, since everything
// it uses is its own or only read.
struct prepared_entry {
    std::unique_ptr<unsigned char[]> file;  // kept only while the stored bytes are the file's own
    std::vector<unsigned char> compressed;
    std::span<const unsigned char> stored;  // into one of the two: their heap buffers survive moves
    std::uint32_t method = 0;
    std::uint32_t file_size = 0;
    std::uint16_t data_crc = 0;
    std::uint16_t stored_crc = 0;
    std::vector<std::string> warnings;
};

// Prepares the file entries of `plan` on settings.jobs threads, reading them beneath the open directory
// `root_fd`, and calls `take(index, prepared)` for every entry in payload order (a delete entry's is
// empty); what `take` leaves in `prepared` is freed once the next entry is taken. An entry's failure is
// thrown when its turn comes, so that messages are those of a build on one thread. Entries ahead of the
// writer hold at most jobs times the largest file plus PIPELINE_AHEAD_SLACK bytes of files (and their
// compressed forms), however many small files that is.
void prepare_entries(const build_settings& settings, const payload_plan& plan, int root_fd,
                     const std::function<void(std::size_t, prepared_entry&)>& take);

// What entries ahead of the writer may hold beyond jobs times the largest file.
constexpr std::uint64_t PIPELINE_AHEAD_SLACK = std::uint64_t{16} << 20;

}  // namespace builder
