// The CRC-16 tables, built at compile time, and the update loop: byte at a time from the standard table,
// eight bytes a step from tables derived from it, and on processors with carry-less multiplication sixteen
// bytes a step by folding.
#include "payload/crc16.h"

#include <array>
#include <cstring>

#if defined(__x86_64__)
#include <cpuid.h>
#include <immintrin.h>
#endif

namespace payload {
namespace {

// Slice k maps a byte to its effect on the standard (unswapped) CRC when k more bytes follow it. Slice 0
// is the standard CRC-16 table; the others follow from it.
using crc16_slices = std::array<std::array<std::uint16_t, 256>, 8>;

constexpr crc16_slices make_slices() {
    crc16_slices slices{};
    for (unsigned i = 0; i < 256; ++i) {
        unsigned r = i;
        for (int bit = 0; bit < 8; ++bit) r = (r & 1) ? (r >> 1) ^ 0xA001 : r >> 1;
        slices[0][i] = static_cast<std::uint16_t>(r);
    }
    for (std::size_t k = 1; k < slices.size(); ++k) {
        for (unsigned i = 0; i < 256; ++i) {
            const unsigned previous = slices[k - 1][i];
            slices[k][i] = static_cast<std::uint16_t>((previous >> 8) ^ slices[0][previous & 0xFF]);
        }
    }
    return slices;
}

constexpr crc16_slices CRC16_SLICES = make_slices();

// The standard CRC after eight more bytes at p (at least eight readable).
unsigned crc16_step8(unsigned crc, const unsigned char* p) {
    const auto& s = CRC16_SLICES;
    return s[7][(p[0] ^ crc) & 0xFF] ^ s[6][p[1] ^ (crc >> 8)] ^ s[5][p[2]] ^ s[4][p[3]] ^ s[3][p[4]] ^
           s[2][p[5]] ^ s[1][p[6]] ^ s[0][p[7]];
}

#if defined(__x86_64__)
// Folding. Sixteen message bytes loaded little-endian into a 128-bit register hold a polynomial with the
// first stream bit as its highest term (bit j is the term of degree 127 - j), so the low half holds the
// upper 64 terms. Since the CRC of A followed by n more bits depends on A only through A * x^n mod P,
// the register can be replaced by (upper * x^192 + lower * x^128) mod P, computed unreduced as two
// carry-less products, and XORed onto the next sixteen bytes; what is left at the end is sixteen bytes
// whose CRC, continued over the tail, is the message's. A product of two such reflected halves lands one
// place low, hence the constants x^191 and x^127 mod P, reflected into 64 bits.
constexpr std::uint32_t CRC16_POLY = 0x18005;  // x^16 + x^15 + x^2 + 1

constexpr std::uint32_t x_power_mod(int n) {
    std::uint32_t r = 1;  // x^0
    for (int i = 0; i < n; ++i) {
        r <<= 1;
        if (r & 0x10000) r ^= CRC16_POLY;
    }
    return r;
}

constexpr std::uint64_t reflect_into_64(std::uint32_t k) {
    std::uint64_t r = 0;
    for (int i = 0; i < 16; ++i) {
        if (k >> i & 1) r |= 1ull << (63 - i);
    }
    return r;
}

constexpr std::uint64_t CRC16_FOLD_UPPER = reflect_into_64(x_power_mod(191));
constexpr std::uint64_t CRC16_FOLD_LOWER = reflect_into_64(x_power_mod(127));
// The same over 64 bytes, for four registers folded side by side (the products' latency is the limit).
constexpr std::uint64_t CRC16_FOLD4_UPPER = reflect_into_64(x_power_mod(575));
constexpr std::uint64_t CRC16_FOLD4_LOWER = reflect_into_64(x_power_mod(511));
constexpr std::uint32_t CRC16_FOLD_MIN = 64;  // below this the eight-byte step is as quick

__attribute__((target("pclmul,sse2"))) inline __m128i fold(__m128i acc, __m128i constants, __m128i next) {
    const __m128i upper = _mm_clmulepi64_si128(acc, constants, 0x00);
    const __m128i lower = _mm_clmulepi64_si128(acc, constants, 0x11);
    return _mm_xor_si128(_mm_xor_si128(upper, lower), next);
}

__attribute__((target("pclmul,sse2"))) inline __m128i load16(const unsigned char* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// The standard CRC after the whole 16-byte blocks of p (length at least 64); *used gets their size.
__attribute__((target("pclmul,sse2"))) unsigned crc16_fold(unsigned crc, const unsigned char* p,
                                                           std::uint32_t length, std::uint32_t* used) {
    const __m128i by16 =
        _mm_set_epi64x(static_cast<long long>(CRC16_FOLD_LOWER), static_cast<long long>(CRC16_FOLD_UPPER));
    const __m128i by64 =
        _mm_set_epi64x(static_cast<long long>(CRC16_FOLD4_LOWER), static_cast<long long>(CRC16_FOLD4_UPPER));
    // A start value is the same as XORing it into the first two bytes and starting from 0.
    __m128i acc0 = _mm_xor_si128(load16(p), _mm_cvtsi32_si128(static_cast<int>(crc)));
    __m128i acc1 = load16(p + 16);
    __m128i acc2 = load16(p + 32);
    __m128i acc3 = load16(p + 48);
    std::uint32_t i = 64;
    for (; length - i >= 64; i += 64) {
        acc0 = fold(acc0, by64, load16(p + i));
        acc1 = fold(acc1, by64, load16(p + i + 16));
        acc2 = fold(acc2, by64, load16(p + i + 32));
        acc3 = fold(acc3, by64, load16(p + i + 48));
    }
    __m128i acc = fold(fold(fold(acc0, by16, acc1), by16, acc2), by16, acc3);
    for (; length - i >= 16; i += 16) acc = fold(acc, by16, load16(p + i));
    *used = i;
    unsigned char folded[16];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(folded), acc);
    return crc16_step8(crc16_step8(0, folded), folded + 8);
}

// CPUID leaf 1 asked directly: __builtin_cpu_supports would link libgcc's processor model table and the
// constructor filling it into the installer (5 KB).
bool crc16_can_fold() {
    static const bool can = [] {
        unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
        return __get_cpuid(1, &eax, &ebx, &ecx, &edx) != 0 && (ecx & bit_PCLMUL) != 0;
    }();
    return can;
}
#endif

}  // namespace

heap_bytes reserve_crc16_memory() {
    return allocate_bytes(CRC16_RESERVATION_SIZE);
}

std::uint16_t crc16_update(std::uint16_t start, const void* data, std::uint32_t length) {
    // The value is held byte-swapped: read back, it is the standard CRC, whose low byte meets the next
    // input byte.
    unsigned crc = static_cast<unsigned>(start >> 8 | (start & 0xFF) << 8);
    const auto* p = static_cast<const unsigned char*>(data);
    std::uint32_t i = 0;
    if (length >= 8) {
#if defined(__x86_64__)
        if (length >= CRC16_FOLD_MIN && crc16_can_fold()) crc = crc16_fold(crc, p, length, &i);
#endif
        for (; length - i >= 8; i += 8) crc = crc16_step8(crc, p + i);
    }
    for (; i < length; ++i) crc = (crc >> 8) ^ CRC16_SLICES[0][(crc ^ p[i]) & 0xFF];
    return static_cast<std::uint16_t>(crc >> 8 | (crc & 0xFF) << 8);
}

}  // namespace payload
