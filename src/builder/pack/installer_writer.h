// Writes an installer: a copy of the stub (stub_copy.h), then the payload (payload_writer.h), checked to be
// the one the installer finds, and the checksum file, all put in place together.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "builder/pack/build_settings.h"
#include "builder/pack/payload_plan.h"

namespace builder {

struct build_summary {
    std::uint64_t header_offset = 0;
    std::uint32_t file_count = 0;
    std::uint32_t total_size = 0;
    std::uint32_t total_stored_size = 0;
    std::uint64_t payload_size = 0;  // header block, records and stored bytes
    // Files packed with another size than their file system gave (of /proc or /sys); errors instead
    // under --strict.
    std::vector<std::string> warnings{};
};

// Told after every entry how far the build has come; the progress bar listens.
class build_observer {
  public:
    virtual ~build_observer() = default;
    virtual void entry_written(std::uint32_t entries_done, std::uint64_t bytes_in,
                               std::uint64_t bytes_stored) = 0;
};

// Writes settings.output: the stub, then the payload of `plan`, its files read and encoded on
// settings.jobs threads (entry_pipeline.h) and written in payload order; with --checksum OUTPUT.sha256 as
// well. Both appear complete or not at all: on error (thrown) they are left as they were.
build_summary write_installer(const build_settings& settings, const payload_plan& plan,
                              build_observer* observer = nullptr);

}  // namespace builder
