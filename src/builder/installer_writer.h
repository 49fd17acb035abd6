// Writes an installer: a copy of the stub, zero padding to the next multiple of 1024, then the payload
// (header block, and for every entry its record followed by its stored bytes).
#pragma once

#include <cstdint>

#include "builder/build_settings.h"
#include "builder/source_tree.h"

namespace builder {

struct build_summary {
    std::uint64_t header_offset = 0;
    std::uint32_t file_count = 0;
    std::uint32_t total_size = 0;
    std::uint32_t total_stored_size = 0;
};

// Reads one file at a time. Throws error; OUTPUT is then left as it was.
build_summary write_installer(const build_settings& settings, const source_tree& tree);

}  // namespace builder
