// SHA-256 block by block: 64 rounds over a 64-word message schedule.
#include "payload/sha256.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace payload {
namespace {

constexpr std::array<std::uint32_t, 64> SHA256_ROUND_CONSTANTS = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2,
};

constexpr std::array<std::uint32_t, 8> SHA256_INITIAL_HASH = {
    0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a, 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19,
};

void compress_block(std::array<std::uint32_t, 8>& hash, const unsigned char* block) {
    std::uint32_t w[64];
    for (int t = 0; t < 16; ++t) {
        const unsigned char* b = block + 4 * t;
        w[t] = std::uint32_t{b[0]} << 24 | std::uint32_t{b[1]} << 16 | std::uint32_t{b[2]} << 8 | b[3];
    }
    for (int t = 16; t < 64; ++t) {
        const std::uint32_t s0 = std::rotr(w[t - 15], 7) ^ std::rotr(w[t - 15], 18) ^ (w[t - 15] >> 3);
        const std::uint32_t s1 = std::rotr(w[t - 2], 17) ^ std::rotr(w[t - 2], 19) ^ (w[t - 2] >> 10);
        w[t] = w[t - 16] + s0 + w[t - 7] + s1;
    }
    std::uint32_t a = hash[0], b = hash[1], c = hash[2], d = hash[3];
    std::uint32_t e = hash[4], f = hash[5], g = hash[6], h = hash[7];
    for (int t = 0; t < 64; ++t) {
        const std::uint32_t sum1 = std::rotr(e, 6) ^ std::rotr(e, 11) ^ std::rotr(e, 25);
        const std::uint32_t choose = (e & f) ^ (~e & g);
        const std::uint32_t t1 = h + sum1 + choose + SHA256_ROUND_CONSTANTS[t] + w[t];
        const std::uint32_t sum0 = std::rotr(a, 2) ^ std::rotr(a, 13) ^ std::rotr(a, 22);
        const std::uint32_t majority = (a & b) ^ (a & c) ^ (b & c);
        h = g;
        g = f;
        f = e;
        e = d + t1;
        d = c;
        c = b;
        b = a;
        a = t1 + sum0 + majority;
    }
    hash[0] += a;
    hash[1] += b;
    hash[2] += c;
    hash[3] += d;
    hash[4] += e;
    hash[5] += f;
    hash[6] += g;
    hash[7] += h;
}

}  // namespace

void sha256_init(sha256_state& state) {
    state.hash = SHA256_INITIAL_HASH;
    state.length = 0;
    state.block_used = 0;
}

void sha256_update(sha256_state& state, const void* bytes, std::size_t size) {
    const auto* in = static_cast<const unsigned char*>(bytes);
    state.length += size;
    while (size != 0) {
        const std::size_t take = std::min(size, state.block.size() - state.block_used);
        std::memcpy(state.block.data() + state.block_used, in, take);
        state.block_used += take;
        in += take;
        size -= take;
        if (state.block_used == state.block.size()) {
            compress_block(state.hash, state.block.data());
            state.block_used = 0;
        }
    }
}

sha256_digest sha256_final(sha256_state& state) {
    // A 1 bit, zeros up to 8 bytes before a block's end, then the message length in bits, big-endian.
    const std::uint64_t bit_length = state.length * 8;
    unsigned char padding[72] = {0x80};
    const std::size_t zeros = (state.block_used < 56 ? 56 : 120) - state.block_used;
    for (int i = 0; i < 8; ++i) padding[zeros + i] = static_cast<unsigned char>(bit_length >> (56 - 8 * i));
    sha256_update(state, padding, zeros + 8);
    sha256_digest digest;
    for (std::size_t i = 0; i < 8; ++i) {
        for (std::size_t k = 0; k < 4; ++k)
            digest[4 * i + k] = static_cast<unsigned char>(state.hash[i] >> (24 - 8 * k));
    }
    return digest;
}

}  // namespace payload
