// Serialisation of the header block that opens the payload.
#pragma once

#include <cstdint>
#include <string_view>

#include "payload/header_block.h"

namespace builder {

struct header_fields {
    std::uint32_t file_count = 0;
    std::uint32_t total_size = 0;  // also the space the installation requires
    std::uint32_t total_stored_size = 0;
    std::uint32_t total_record_size = 0;
    std::string_view product;  // each text at most 63 bytes
    std::string_view version;
    std::string_view platform;
    std::int32_t build_time = 0;
};

// The complete block, marker and CRC included.
payload::header_block make_header_block(const header_fields& fields);

}  // namespace builder
