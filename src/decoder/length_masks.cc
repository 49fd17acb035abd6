// Sixteen lengths are compared with each length at once where the processor has 16-byte vectors, which
// makes the sets, and counts them, without a store per symbol; elsewhere one symbol at a time.
#include "decoder/length_masks.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace decoder {

void find_length_masks(const std::uint8_t* lengths, length_masks* masks) {
    constexpr int T = CODEC_SYMBOL_TABLE_BITS;
#if defined(__SSE2__)
    // The last vector holds the lengths past a multiple of 16, then zeros.
    constexpr int FULL_VECTORS = CODEC_SYMBOL_COUNT / 16;
    alignas(16) std::array<std::uint8_t, 16> last{};
    std::memcpy(last.data(), lengths + 16 * FULL_VECTORS, CODEC_SYMBOL_COUNT - 16 * FULL_VECTORS);
    const auto vector_at = [&](int v) {
        return v < FULL_VECTORS ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(lengths + 16 * v))
                                : _mm_load_si128(reinterpret_cast<const __m128i*>(last.data()));
    };
    // Per length, each byte lane counts its matches down from 0 (at most 32 of them, so no lane wraps).
    __m128i tally[T + 1];
    for (__m128i& lanes : tally) lanes = _mm_setzero_si128();
    for (int w = 0; w < length_masks::WORDS; ++w) {
        std::array<std::uint64_t, T + 1> word{};
        for (int part = 0; part < 4; ++part) {
            const __m128i v = vector_at(4 * w + part);
            for (int len = 0; len <= T; ++len) {
                const __m128i hit = _mm_cmpeq_epi8(v, _mm_set1_epi8(static_cast<char>(len)));
                tally[len] = _mm_add_epi8(tally[len], hit);
                word[len] |= static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm_movemask_epi8(hit)))
                             << (16 * part);
            }
        }
        for (int len = 1; len <= T; ++len) masks->of[len][w] = word[len];
    }
    // Each lane holds its count negated: negated back, the lanes are summed.
    const auto total = [](__m128i lanes) {
        const __m128i sums = _mm_sad_epu8(_mm_sub_epi8(_mm_setzero_si128(), lanes), _mm_setzero_si128());
        return static_cast<std::uint32_t>(_mm_cvtsi128_si32(sums) + _mm_extract_epi16(sums, 4));
    };
    masks->count[0] = 0;
    for (int len = 1; len <= T; ++len) masks->count[len] = total(tally[len]);
    // Every lane counted a zero or a length, the last vector's padding among the zeros.
    masks->coded = 64 * length_masks::WORDS - total(tally[0]);
#else
    masks->count = {};
    masks->coded = 0;
    for (auto& words : masks->of) words = {};
    for (int symbol = 0; symbol < CODEC_SYMBOL_COUNT; ++symbol) {
        const int len = lengths[symbol];
        if (len == 0) continue;
        ++masks->coded;
        if (len > T) continue;
        masks->of[len][symbol / 64] |= std::uint64_t{1} << (symbol % 64);
        ++masks->count[len];
    }
#endif
}

}  // namespace decoder
