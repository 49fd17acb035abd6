// One compression run: the working memory, the parse feeding the block splitter, and the output. The
// working memory is one allocation of a few hundred kilobytes, reused for every block of the file.
#include "encoder/encoder.h"

#include <algorithm>
#include <memory>
#include <stdexcept>

#include "encoder/block_splitter.h"
#include "encoder/match_finder.h"
#include "encoder/optimal_parser.h"
#include "encoder/parser.h"

namespace encoder {

namespace {

struct workspace {
    match_finder finder;
    block_splitter splitter;
};

// What the output is reserved for up front: compressed data rarely passes the input size, plus a few
// block headers. Anything beyond grows the vector as usual.
std::size_t usual_output_size(std::size_t input_size) {
    return input_size + input_size / 16 + 1024;
}

}  // namespace

std::vector<unsigned char> compress(std::span<const unsigned char> data, int level) {
    std::vector<unsigned char> out;
    if (data.empty()) return out;
    if (data.size() > ENCODER_MAX_INPUT) throw std::length_error("input too large to compress");
    const level_settings& settings = ENCODER_LEVELS[std::clamp(level, ENCODER_LEVEL_MIN, ENCODER_LEVEL_MAX)];
    // Every field is set before it is read; zero-filling the few hundred kilobytes would cost more than
    // compressing a small file.
    const auto work = std::make_unique_for_overwrite<workspace>();
    out.reserve(usual_output_size(data.size()));
    const auto size = static_cast<std::uint32_t>(data.size());
    start_splitter(work->splitter, out, settings.segment);
    if (settings.passes > 0) {
        parse_optimal(data.data(), size, work->splitter, settings);
    } else {
        start_match_finder(work->finder, data.data(), size);
        parse_input(work->finder, work->splitter, settings);
    }
    finish_splitter(work->splitter);
    return out;
}

}  // namespace encoder
