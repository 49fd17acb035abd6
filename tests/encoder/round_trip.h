// Round-trip helpers of the encoder tests: decoding a compressed stream with the installer's decoder,
// driven as the installer drives it, and reading sample files of this machine.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace encoder_tests {

// Decodes `size` bytes chunk by chunk, as the extraction loop asks for them. nullopt when the decoder
// reports an error.
std::optional<std::vector<unsigned char>> decode_stream(std::span<const unsigned char> compressed,
                                                        std::size_t size);

// Compresses at `level` and checks that the decoder restores the bytes exactly; a gtest assertion names
// `what` on failure.
void expect_round_trip(std::span<const unsigned char> data, int level, const std::string& what);

// Up to `limit` regular files directly under `dir` whose names end in `suffix` (any name for an empty
// suffix), sorted by name, each read whole; none when the directory is absent.
std::vector<std::pair<std::string, std::vector<unsigned char>>> sample_files(const std::string& dir,
                                                                             const std::string& suffix,
                                                                             std::size_t limit,
                                                                             std::size_t max_size);

}  // namespace encoder_tests
