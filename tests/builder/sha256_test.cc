// SHA-256 against the published test vectors, whole and fed in uneven pieces (a block boundary that falls
// inside a piece, and padding that needs a second block).
#include <gtest/gtest.h>

#include "builder/util/sha256.h"

namespace {

std::string sha256_of(const std::string& bytes, std::size_t piece) {
    builder::sha256_state state;
    builder::sha256_init(state);
    for (std::size_t at = 0; at < bytes.size(); at += piece)
        builder::sha256_update(state, bytes.data() + at, std::min(piece, bytes.size() - at));
    return builder::sha256_hex(builder::sha256_final(state));
}

TEST(Sha256, KnownVectorsWholeAndInPieces) {
    const std::vector<std::pair<std::string, std::string>> vectors = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopqrsmno"
         "pqrs"
         "tnopqrstu",
         "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
        {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const auto& [message, digest] : vectors) {
        SCOPED_TRACE(message.substr(0, 20));
        EXPECT_EQ(sha256_of(message, message.size() + 1), digest);
        EXPECT_EQ(sha256_of(message, 7), digest);
    }
}

}  // namespace
