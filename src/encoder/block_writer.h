// Writing one planned block: its header fields in stream order, then its symbols with their distance
// classes and extra bits. Choosing the codes is block_plan.h; choosing where blocks end is
// block_splitter.h.
#pragma once

#include <cstdint>

#include "encoder/bit_writer.h"
#include "encoder/block_plan.h"

namespace encoder {

// Presumes plan came from plan_block over exactly these symbols and has its codes assigned.
void write_block(bit_writer& writer, const block_plan& plan, const lz_symbol* symbols);

}  // namespace encoder
