// SHA-256 (FIPS 180-4): the checksum file `build --checksum` writes beside OUTPUT, and the digests by which
// the trees two installers leave are compared (diff, and the update a build plans). Small and plain: each
// byte is hashed once, so speed matters far less than having no library to depend on.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace builder {

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

// The digest as 64 lowercase hexadecimal digits.
std::string sha256_hex(const sha256_digest& digest);

}  // namespace builder
