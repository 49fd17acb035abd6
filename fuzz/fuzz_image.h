// The payload fuzzer's view of an installer image in memory: where the header block is, and the records
// the installer would read behind it. Used to bound the work an input asks for and, on request, to make
// every CRC-16 right so that mutated records and streams get past the checks down to the decoder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace fuzz_support {

// Files larger than this are not tried: an allocation and a decode of up to 4 GiB per input would make
// the fuzzer slow and trip its memory limit without testing anything new (the allocation failure itself
// is a test of its own).
constexpr std::uint32_t FUZZ_MAX_ENTRY_SIZE = 1 << 20;

// The offset of the first header block candidate whose marker matches, searched as the installer does;
// the image size when there is none.
std::size_t find_marker(const std::vector<std::uint8_t>& image);

// False when a record the installer could reach asks for more than FUZZ_MAX_ENTRY_SIZE bytes.
bool within_limits(const std::vector<std::uint8_t>& image);

// Recomputes the header CRC and, record by record as far as the records can be read, the stored, data
// and record CRCs (a compressed entry's data CRC from what the decoder makes of it).
void reseal(std::vector<std::uint8_t>& image);

}  // namespace fuzz_support
