// The payload fuzzer's handling of an installer image in memory: bounding the work an input asks for and,
// on request, making every CRC-16 right so that mutated records and streams get past the checks down to
// the decoder. Both read the image through mkinstaller's payload walk, which reads as the installer does.
#pragma once

#include <cstdint>
#include <string>

namespace fuzz_support {

// Files larger than this are not tried: an allocation and a decode of up to 4 GiB per input would make
// the fuzzer slow and trip its memory limit without testing anything new (the allocation failure itself
// is a test of its own).
constexpr std::uint32_t FUZZ_MAX_ENTRY_SIZE = 1 << 20;

// False when a record the installer could reach asks for more than FUZZ_MAX_ENTRY_SIZE bytes.
bool within_limits(const std::string& image);

// Recomputes the header CRC and, record by record as far as the installer could read once the records
// before are right, the stored, data and record CRCs (a compressed entry's data CRC from what the decoder
// makes of it), then the header's totals from the records. Stops at a record that asks too much:
// within_limits turns such an image away.
void reseal(std::string& image);

}  // namespace fuzz_support
