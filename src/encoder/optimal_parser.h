// The near-optimal parse of the highest levels: per stretch of input, every useful match at every
// position from the binary trees, then the cheapest path through literals and matches under bit costs
// taken from the code lengths the previous path would get, repeated a few times. The chosen symbols go
// to the block splitter, which still decides where blocks end.
#pragma once

#include <cstdint>

#include "encoder/block_splitter.h"
#include "encoder/parser.h"

namespace encoder {

// Parses data[0, size) into the splitter. Takes its own working memory for the call (some megabytes,
// less for small inputs); throws std::bad_alloc when memory runs out. Presumes settings.passes >= 1.
void parse_optimal(const unsigned char* data, std::uint32_t size, block_splitter& splitter,
                   const level_settings& settings);

}  // namespace encoder
