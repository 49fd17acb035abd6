// SHA-256 (FIPS 180-4): mkinstaller's checksum file and tree digests, and the digests by which an update's
// installer checks the release beneath its target. Small and plain: each byte is hashed once, so speed
// matters far less than having no library to depend on, and the installer's stub stays small.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace payload {

struct sha256_state {
    std::array<std::uint32_t, 8> hash;
    std::uint64_t length = 0;  // bytes taken so far
    std::array<unsigned char, 64> block{};
    std::size_t block_used = 0;
};

using sha256_digest = std::array<unsigned char, 32>;

void sha256_init(sha256_state& state);
void sha256_update(sha256_state& state, const void* bytes, std::size_t size);
// Pads and finishes; the state must be initialised again before further use.
sha256_digest sha256_final(sha256_state& state);

}  // namespace payload
