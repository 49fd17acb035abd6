// CRC-16: the check value, the byte order kept in CRC fields, chaining, and the zero-length call.
#include "payload/crc16.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "payload/le_bytes.h"

namespace {

using payload::crc16_update;

// Plain bitwise CRC-16/ARC, the standard form the table-driven routine must equal once bytes are swapped.
std::uint16_t reference_arc(const std::string& bytes) {
    std::uint16_t crc = 0;
    for (unsigned char b : bytes) {
        crc ^= b;
        for (int i = 0; i < 8; ++i) crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
    }
    return crc;
}

std::uint16_t swapped(std::uint16_t v) {
    return static_cast<std::uint16_t>(v << 8 | v >> 8);
}

TEST(Crc16, CheckValueAndFieldByteOrder) {
    const std::uint16_t crc = crc16_update(0, "123456789", 9);
    EXPECT_EQ(crc, 0x3DBB);
    unsigned char field[2];
    payload::store_u16(field, crc);
    // In a CRC field the bytes read as the standard value 0xBB3D, high byte first.
    EXPECT_EQ(field[0], 0xBB);
    EXPECT_EQ(field[1], 0x3D);
}

TEST(Crc16, EqualsTheSwappedStandardValueOnRandomData) {
    std::mt19937 rng(7);
    for (int round = 0; round < 200; ++round) {
        std::string bytes(rng() % 300, '\0');
        for (auto& c : bytes) c = static_cast<char>(rng());
        EXPECT_EQ(crc16_update(0, bytes.data(), static_cast<std::uint32_t>(bytes.size())),
                  swapped(reference_arc(bytes)));
    }
}

TEST(Crc16, ChainsAcrossPieces) {
    const std::string text = "The header block starts at a multiple of 1024.";
    const auto whole = crc16_update(0, text.data(), static_cast<std::uint32_t>(text.size()));
    for (std::uint32_t cut = 0; cut <= text.size(); ++cut) {
        const auto first = crc16_update(0, text.data(), cut);
        EXPECT_EQ(crc16_update(first, text.data() + cut, static_cast<std::uint32_t>(text.size() - cut)),
                  whole);
    }
}

// Long runs take the wide steps: from any start value, at any alignment and length, they must still
// give the standard value.
TEST(Crc16, LongRunsFromAnyStartAndAlignmentEqualTheStandardValue) {
    std::mt19937 rng(11);
    for (int round = 0; round < 80; ++round) {
        std::string buffer(16 + rng() % 3000, '\0');
        for (auto& c : buffer) c = static_cast<char>(rng());
        const std::string bytes = buffer.substr(rng() % 16);
        const std::uint32_t cut = rng() % 40;
        const auto first = crc16_update(0, bytes.data(), std::min<std::uint32_t>(cut, bytes.size()));
        const auto size = static_cast<std::uint32_t>(bytes.size());
        EXPECT_EQ(crc16_update(first, bytes.data() + std::min(cut, size), size - std::min(cut, size)),
                  swapped(reference_arc(bytes)))
            << "round " << round << ", " << bytes.size() << " bytes";
    }
}

TEST(Crc16, ZeroLength) {
    EXPECT_EQ(crc16_update(0x1234, "x", 0), 0x1234);
    EXPECT_EQ(crc16_update(0, nullptr, 0), 0);
}

}  // namespace
