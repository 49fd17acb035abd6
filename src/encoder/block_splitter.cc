// Greedy block splitting by exact cost. A new block pays for a header of its own; it is started only when
// the codes fitted to the segment alone save more than that. Comparing whole plans, rather than an entropy
// estimate, keeps small headers and the single-code forms priced as they will be written.
#include "encoder/block_splitter.h"

#include <algorithm>

#include "encoder/block_writer.h"

namespace encoder {

namespace {

void emit_block(block_splitter& splitter) {
    if (splitter.block_count == 0) return;
    plan_block_to_write(splitter.block, splitter.plan, splitter.scratch);
    assign_plan_codes(splitter.plan);
    write_block(splitter.writer, splitter.plan, splitter.symbols.data());
    splitter.block_count = 0;
    clear_stats(splitter.block);
}

}  // namespace

void start_splitter(block_splitter& splitter, std::vector<unsigned char>& out, std::uint32_t segment_limit) {
    start_bits(splitter.writer, out);
    splitter.block_count = 0;
    splitter.segment_count = 0;
    splitter.segment_limit = segment_limit;
    clear_stats(splitter.block);
    clear_stats(splitter.segment);
    splitter.block_bits = 0;
}

void close_segment(block_splitter& splitter) {
    if (splitter.segment_count == 0) return;
    const std::uint64_t segment_bits = plan_block(splitter.segment, splitter.plan, splitter.scratch);
    if (splitter.block_count == 0) {
        splitter.block = splitter.segment;
        splitter.block_bits = segment_bits;
    } else {
        splitter.merged = splitter.block;
        add_stats(splitter.merged, splitter.segment);
        const std::uint64_t merged_bits = plan_block(splitter.merged, splitter.plan, splitter.scratch);
        if (merged_bits <= splitter.block_bits + segment_bits) {
            splitter.block = splitter.merged;
            splitter.block_bits = merged_bits;
        } else {
            const std::uint32_t segment_start = splitter.block_count;
            emit_block(splitter);
            std::copy_n(splitter.symbols.begin() + segment_start, splitter.segment_count,
                        splitter.symbols.begin());
            splitter.block = splitter.segment;
            splitter.block_bits = segment_bits;
        }
    }
    splitter.block_count += splitter.segment_count;
    splitter.segment_count = 0;
    clear_stats(splitter.segment);
    if (splitter.block_count == ENCODER_MAX_BLOCK_SYMBOLS) emit_block(splitter);
}

void finish_splitter(block_splitter& splitter) {
    if (splitter.block_count == 0) {
        // The open segment is all that is left: it is the last block as it stands, with no plan to compare.
        splitter.block = splitter.segment;
        splitter.block_count = splitter.segment_count;
        splitter.segment_count = 0;
    } else {
        close_segment(splitter);
    }
    emit_block(splitter);
    finish_bits(splitter.writer);
}

}  // namespace encoder
