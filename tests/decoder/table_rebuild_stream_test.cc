// Valid but pathological streams: blocks of a single symbol each, every block sending full code tables,
// so that every byte of the file costs a rebuild of the symbol table and its trees. The decoder must
// still produce exactly the file. Set TABLE_REBUILD_BYTES (for example to 1048576) to decode a larger
// file of them when measuring; the test itself never looks at the time.
#include <gtest/gtest.h>

#include <cstdlib>

#include "stream_builder.h"

namespace {

using namespace decoder_test;

TEST(TableRebuildStream, OneSymbolBlocksWithFullTablesDecodeExactly) {
    const char* wanted = std::getenv("TABLE_REBUILD_BYTES");
    const std::size_t size = wanted != nullptr ? std::strtoull(wanted, nullptr, 10) : 2000;
    // A complete code over all 510 symbols: two of 8 bits, the rest of 9.
    block_codes full;
    full.symbol_lengths.assign(510, 9);
    full.symbol_lengths[0] = full.symbol_lengths[1] = 8;
    bit_writer w;
    std::vector<std::uint8_t> expected;
    for (std::size_t i = 0; i < size; ++i) {
        const auto byte = static_cast<std::uint8_t>(i * 7 + i / 8192);
        put_block(w, {literal(byte)}, 1, full);
        expected.push_back(byte);
    }
    const decoded_file decoded = decode_chunk_by_chunk(w.bytes(), size);
    for (int result : decoded.results) EXPECT_EQ(result, 0);
    EXPECT_TRUE(decoded.bytes == expected);
}

}  // namespace
