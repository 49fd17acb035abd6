// The chunk contract: files around multiples of 8192 bytes asked for as the installer asks (8192, then the
// rest), exactly k calls for k * 8192 bytes with no block header read behind the last byte, and a last chunk
// that leaves the rest of its block undecoded.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "bit_writer.h"
#include "decoder/chunk_loop.h"
#include "decoder/decode_file.h"
#include "stream_builder.h"

namespace {

using decoder_test::bit_writer;
using decoder_test::decode_chunk_by_chunk;
using decoder_test::expand;
using decoder_test::token;

// About 20000 bytes of mixed literals and matches in two blocks.
std::vector<token> mixed_tokens(std::vector<std::uint8_t>* stream) {
    std::mt19937 rng(99);
    std::vector<token> all;
    bit_writer w;
    std::size_t produced = 0;
    for (int b = 0; b < 2; ++b) {
        std::vector<token> tokens;
        while (produced < 10000u * (b + 1)) {
            if (rng() % 2) {
                tokens.push_back(decoder_test::literal(static_cast<std::uint8_t>('a' + rng() % 26)));
                ++produced;
            } else {
                const unsigned length = 3 + rng() % 40;
                tokens.push_back(decoder_test::match(length, 1 + rng() % 8192));
                produced += length;
            }
        }
        decoder_test::put_block(w, tokens);
        all.insert(all.end(), tokens.begin(), tokens.end());
    }
    *stream = w.bytes();
    return all;
}

TEST(ChunkContract, FilesAroundWindowMultiplesDecodeInInstallerSizedChunks) {
    std::vector<std::uint8_t> stream;
    const auto expected = expand(mixed_tokens(&stream));
    for (std::size_t size : {8191u, 8192u, 8193u, 16384u, 16385u}) {
        const auto file = decode_chunk_by_chunk(stream, size);
        EXPECT_EQ(file.bytes, std::vector<std::uint8_t>(expected.begin(), expected.begin() + size)) << size;
        EXPECT_EQ(file.results, std::vector<int>((size + 8191) / 8192, 0)) << size;
    }
}

// The same file decoded in place (the loop attaches the file's buffer), through the window with each chunk
// in a buffer of its own, and attached but with the third chunk asked for elsewhere, which hands the
// history over to the window part way: matches reach across every chunk boundary and before the file.
TEST(ChunkContract, InPlaceAndThroughTheWindowGiveTheSameBytes) {
    std::vector<std::uint8_t> stream;
    const auto expected = expand(mixed_tokens(&stream));
    const std::size_t size = 20000;
    const std::vector<std::uint8_t> wanted(expected.begin(), expected.begin() + size);
    EXPECT_EQ(decode_chunk_by_chunk(stream, size).bytes, wanted);
    for (const bool attached : {false, true}) {
        decoder::codec_context* ctx = nullptr;
        ASSERT_EQ(decoder::codec_open(&ctx), 0);
        std::vector<std::uint8_t> file(size, 0xEE);
        if (attached) decoder::codec_attach_file(ctx, file.data(), size);
        decoder::input_span input{stream.data(), stream.data() + stream.size()};
        decoder::for_each_chunk(
            size,
            [&](std::size_t begin, std::size_t end) {
                const bool elsewhere = !attached || begin == 2 * decoder::CODEC_CHUNK_SIZE;
                std::vector<std::uint8_t> own(end - begin);
                decoder::output_span output{elsewhere ? own.data() : file.data() + begin,
                                            elsewhere ? own.data() + own.size() : file.data() + end};
                const int result = decoder::decode_chunk(ctx, &input, &output);
                if (elsewhere) std::copy(own.begin(), own.end(), file.begin() + static_cast<long>(begin));
                return result;
            },
            decoder::until_failure);
        decoder::codec_close(&ctx);
        EXPECT_EQ(file, wanted) << attached;
    }
}

// A header announcing exactly k * 8192 literals in single-symbol form, followed by bytes that a further
// header read would consume.
struct exact_stream {
    std::vector<std::uint8_t> bytes;
    std::size_t fetched_by_header;  // bytes the reader holds once the header is read
};

exact_stream single_symbol_stream(std::uint32_t size) {
    bit_writer w;
    decoder_test::put_single_symbol_block(w, size, 'm');
    exact_stream s{{}, (w.bit_count() + 16 + 7) / 8};
    for (int i = 0; i < 16; ++i) w.put(0xFF, 8);
    s.bytes = w.bytes();
    return s;
}

TEST(ChunkContract, ExactMultipleTakesKCallsAndReadsNoHeaderBehindTheLastByte) {
    for (std::uint32_t k : {1u, 2u, 7u}) {
        const auto s = single_symbol_stream(k * 8192);
        const auto file = decode_chunk_by_chunk(s.bytes, k * 8192);
        EXPECT_EQ(file.results.size(), k);
        EXPECT_EQ(file.bytes, std::vector<std::uint8_t>(k * 8192, 'm'));
        EXPECT_EQ(file.input_used, s.fetched_by_header) << k;
    }
    // One byte more needs the next block, whose header reading moves the input on.
    const auto s = single_symbol_stream(8192);
    EXPECT_GT(decode_chunk_by_chunk(s.bytes, 8193).input_used, s.fetched_by_header);
}

TEST(ChunkContract, LastChunkLeavesTheRestOfItsBlockUndecoded) {
    // A 4-byte file from a block of 8 literal symbols of 8 bits: only 4 codes are read.
    bit_writer w;
    w.put(8, 16);
    decoder_test::put_single_length_code(w, 10);  // every listed symbol length 8
    w.put(256, 9);
    decoder_test::put_single_class(w);
    const std::size_t header_bits = w.bit_count();
    for (int i = 0; i < 8; ++i) w.put('0' + i, 8);
    const auto file = decode_chunk_by_chunk(w.bytes(), 4);
    EXPECT_EQ(std::string(file.bytes.begin(), file.bytes.end()), "0123");
    EXPECT_EQ(file.input_used, (header_bits + 4 * 8 + 16 + 7) / 8);
}

// A 20000-byte file whose second chunk fails: 8192 literals, then a block head whose only symbol length is
// nonzero. Every caller's loop ends where its callback says, after a failure or not.
TEST(ChunkContract, TheLoopCallsBackAfterEveryChunkAndStopsWhereTheCallbackSays) {
    bit_writer w;
    for (const unsigned length_code : {0u, 3u}) {
        w.put(8192, 16);
        w.put(0, 5);
        w.put(length_code, 5);
        w.put(length_code == 0 ? 0 : 1, 9);
        if (length_code == 0) w.put('m', 9);
        w.put(0, 4);
        w.put(0, 4);
    }
    const std::vector<std::uint8_t> stream = w.bytes();
    const auto run = [&](std::size_t file_size, auto&& go_on) {
        std::vector<std::uint8_t> file(file_size, 0xEE);
        std::vector<std::pair<std::size_t, int>> calls;
        decoder::codec_context* codec = nullptr;
        EXPECT_EQ(decoder::codec_open(&codec), 0);
        decoder::input_span input{stream.data(), stream.data() + stream.size()};
        const int result = decoder::decode_in_chunks(codec, &input, file.data(), file_size,
                                                     [&](std::size_t done, int chunk_result) {
                                                         calls.emplace_back(done, chunk_result);
                                                         return go_on(done, chunk_result);
                                                     });
        decoder::codec_close(&codec);
        return std::make_tuple(result, calls, file);
    };
    using calls = std::vector<std::pair<std::size_t, int>>;
    const int failed = decoder::CODEC_ERR_TABLE;

    const auto [stopped_at_failure, failure_calls, _] = run(20000, decoder::until_failure);
    EXPECT_EQ(stopped_at_failure, failed);
    EXPECT_EQ(failure_calls, (calls{{8192, 0}, {16384, failed}}));
    const auto [went_on, all_calls, __] = run(20000, [](std::size_t, int) { return true; });
    EXPECT_EQ(went_on, failed);
    EXPECT_EQ(all_calls, (calls{{8192, 0}, {16384, failed}, {20000, failed}}));
    const auto [first_only, one_call, file] = run(20000, [](std::size_t, int) { return false; });
    EXPECT_EQ(first_only, 0);
    EXPECT_EQ(one_call, (calls{{8192, 0}}));
    EXPECT_EQ(file[8191], 'm');
    EXPECT_EQ(file[8192], 0xEE);
    EXPECT_EQ(std::get<1>(run(0, decoder::until_failure)), calls{});

    std::vector<std::uint8_t> out(20000);
    EXPECT_EQ(decoder::decode_file(stream.data(), stream.size(), out.data(), 8192), 0);
    EXPECT_EQ(decoder::decode_file(stream.data(), stream.size(), out.data(), out.size()), failed);
}

}  // namespace
