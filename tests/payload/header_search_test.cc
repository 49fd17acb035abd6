// The header search: where a header block is found and where it is not, and what its CRC covers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "payload/header_block.h"
#include "support/payload_image.h"

namespace {

using payload::header_search;
using testing_support::installer_image;
using testing_support::payload_bytes;
using testing_support::test_payload;

struct search_outcome {
    header_search result;
    std::uint64_t offset;
    long position_after;
};

search_outcome search(std::string image) {
    std::FILE* f = fmemopen(image.data(), image.size(), "rb");
    payload::header_block header{};
    std::uint64_t offset = 0;
    const header_search result = payload::try_find_header_block(f, header, &offset);
    const long position = std::ftell(f);
    std::fclose(f);
    return {result, offset, position};
}

std::string header_only() {
    return payload_bytes(test_payload{});
}

TEST(HeaderSearch, FindsTheBlockAtTheFirstMultipleOf1024AndStopsBehindIt) {
    const auto found = search(installer_image("stub", payload_bytes(test_payload{}), 3072));
    EXPECT_EQ(found.result, header_search::found);
    EXPECT_EQ(found.offset, 3072u);
    EXPECT_EQ(found.position_after, 3072 + 1028);
}

TEST(HeaderSearch, OffsetZeroIsNeverACandidate) {
    EXPECT_EQ(search(header_only() + std::string(4096, 'x')).result, header_search::not_found);
}

TEST(HeaderSearch, AMarkerOffAMultipleOf1024IsNotFound) {
    for (std::size_t shift : {1, 512, 1023}) {
        std::string image(1024 + shift, 'x');
        image += header_only() + std::string(2048, 'x');
        EXPECT_EQ(search(image).result, header_search::not_found) << shift;
    }
}

TEST(HeaderSearch, NeedsAFull1028BytesAtTheCandidate) {
    const std::string exact = installer_image("stub", header_only(), 1024);
    ASSERT_EQ(exact.size(), 1024u + 1028u);
    EXPECT_EQ(search(exact).result, header_search::found);
    EXPECT_EQ(search(exact.substr(0, exact.size() - 1)).result, header_search::not_found);
}

TEST(HeaderSearch, TheLowerOfTwoPayloadsWins) {
    test_payload second;
    second.product = "SECOND";
    std::string image = installer_image("stub", header_only(), 1024);
    image = installer_image(image, payload_bytes(second), 4096);
    const auto found = search(image);
    EXPECT_EQ(found.result, header_search::found);
    EXPECT_EQ(found.offset, 1024u);
}

TEST(HeaderSearch, TheKeptMarkerConstantNeverMatches) {
    // The program's own copy of the marker, even placed at a candidate offset, is not a payload.
    std::string image(1024, 'x');
    image += payload::HEADER_MARKER_KEPT;
    image.resize(1024 + 1028 + 10, '\0');
    EXPECT_EQ(search(image).result, header_search::not_found);
}

TEST(HeaderSearch, EveryByteBehindTheMarkerIsCoveredByTheCrc) {
    const std::string good = installer_image("stub", header_only(), 1024);
    for (std::size_t i = payload::HEADER_MARKER_SIZE; i < payload::HEADER_SIZE; ++i) {
        if (i == payload::HEADER_CRC || i == payload::HEADER_CRC + 1) continue;
        std::string bad = good;
        bad[1024 + i] ^= 0x01;
        ASSERT_EQ(search(bad).result, header_search::corrupted) << "offset " << i;
    }
}

TEST(HeaderSearch, ADamagedMarkerIsPassedBy) {
    std::string image = installer_image("stub", header_only(), 1024);
    image[1024 + 100] ^= 0x20;
    EXPECT_EQ(search(image).result, header_search::not_found);
    // ... and a good block further on is found instead.
    image = installer_image(image, header_only(), 3072);
    EXPECT_EQ(search(image).offset, 3072u);
}

TEST(HeaderSearch, ADamagedCrcFieldIsCorrupted) {
    std::string image = installer_image("stub", header_only(), 1024);
    image[1024 + payload::HEADER_CRC] ^= 0x01;
    EXPECT_EQ(search(image).result, header_search::corrupted);
}

TEST(HeaderSearch, ReadsOnFromCandidateToCandidateWithoutSeeking) {
    struct counted_image {
        std::string bytes;
        std::size_t at = 0;
        int seeks = 0;
    } image{installer_image("stub", header_only(), 64 * 1024)};
    cookie_io_functions_t io{};
    io.read = [](void* c, char* to, std::size_t n) -> ssize_t {
        auto* i = static_cast<counted_image*>(c);
        const std::size_t got = std::min(n, i->bytes.size() - i->at);
        std::memcpy(to, i->bytes.data() + i->at, got);
        i->at += got;
        return static_cast<ssize_t>(got);
    };
    io.seek = [](void* c, off64_t* to, int whence) -> int {
        auto* i = static_cast<counted_image*>(c);
        if (whence != SEEK_SET) return -1;
        i->at = static_cast<std::size_t>(*to);
        ++i->seeks;
        return 0;
    };
    std::FILE* f = fopencookie(&image, "rb", io);
    payload::header_block header{};
    EXPECT_EQ(payload::try_find_header_block(f, header), header_search::found);
    std::fclose(f);
    EXPECT_EQ(image.seeks, 1);
}

TEST(HeaderText, StopsAtItsNulOrAfter64Bytes) {
    payload::header_block h{};
    std::string image = header_only();
    std::copy(image.begin(), image.begin() + 1028, h.begin());
    EXPECT_EQ(payload::header_text(h, payload::HEADER_PRODUCT_NAME), "VORNA");
    std::fill(h.begin() + payload::HEADER_VERSION, h.begin() + payload::HEADER_PLATFORM, 'v');
    EXPECT_EQ(payload::header_text(h, payload::HEADER_VERSION), std::string(64, 'v'));
}

}  // namespace
