// The payload walk in-process, against the tests' own payload writer: every entry is reached at the record
// the writer put it at, whether its bytes are read or skipped; skipped bytes are only checked to be there;
// the walk stops at the first problem with the entry, its name when read, and the installer's number; and
// either layout order names a layout problem before a damaged entry's.
#include <gtest/gtest.h>

#include <optional>

#include "builder/inspect/payload_walk.h"
#include "builder_test_util.h"
#include "payload/file_record.h"

namespace {

using namespace builder_test;
using builder::layout_order;
using builder::walk_stop;

constexpr std::size_t WALK_HEADER_AT = 1024;

builder::sha256_digest digest_of(const std::string& bytes) {
    builder::sha256_state state;
    builder::sha256_init(state);
    builder::sha256_update(state, bytes.data(), bytes.size());
    return builder::sha256_final(state);
}

struct walk_run {
    std::vector<std::uint64_t> offsets;  // of the entries reached, in turn
    std::vector<builder::sha256_digest> digests;
    std::optional<walk_stop> stop;
};

// Walks `image`, each entry's bytes read into a digest when `read`, else skipped.
walk_run walk(const std::string& image, bool read, builder::walk_layout layout = {}) {
    walk_run run;
    builder::installer_payload in;
    EXPECT_EQ(builder::open_installer_image(image, in), "");
    const auto note = [&](builder::walked_entry& entry) {
        EXPECT_EQ(entry.index, run.offsets.size() + 1);
        run.offsets.push_back(entry.record_offset);
        if (!read) return;
        builder::sha256_state digest;
        builder::sha256_init(digest);
        (void)entry.read_bytes({.fd = -1, .name = {}, .digest = &digest});
        run.digests.push_back(builder::sha256_final(digest));
    };
    run.stop = builder::walk_payload(in, note, layout);
    return run;
}

const test_payload FOUR_ENTRIES{.entries = {testing_support::repeated_byte_entry("a/zeros", 0, 300),
                                            {.name = "bin/tool", .data = "tool bytes"},
                                            {.name = "old", .method = payload::METHOD_DELETE},
                                            {.name = "last", .data = "L"}}};

std::string four_entries() {
    return testing_support::installer_image("", testing_support::payload_bytes(FOUR_ENTRIES), WALK_HEADER_AT);
}

TEST(PayloadWalk, ReachesEachEntryAtItsRecordWhetherItsBytesAreReadOrSkipped) {
    const std::string image = four_entries();
    for (const bool read : {true, false}) {
        SCOPED_TRACE(read ? "read" : "skipped");
        const walk_run run = walk(image, read);
        EXPECT_FALSE(run.stop);
        ASSERT_EQ(run.offsets.size(), FOUR_ENTRIES.entries.size());
        for (std::size_t i = 0; i < run.offsets.size(); ++i) {
            EXPECT_EQ(run.offsets[i], testing_support::record_start(image, WALK_HEADER_AT, i));
            if (read) {
                EXPECT_EQ(run.digests[i], digest_of(FOUR_ENTRIES.entries[i].data)) << i;
            }
        }
    }
}

TEST(PayloadWalk, StopsAtTheFirstProblemAndSkippedBytesAreOnlyCheckedToBeThere) {
    const auto record = [](const std::string& s, std::size_t i) {
        return testing_support::record_start(s, WALK_HEADER_AT, i);
    };
    struct stop_case {
        const char* what;
        std::function<void(std::string&)> damage;
        bool read;
        std::optional<walk_stop> expected;  // its offset that of the entry's record
        std::size_t reached;
    };
    const std::vector<stop_case> cases = {
        {"a record failing its CRC", [&](std::string& s) { s[record(s, 1) + payload::RECORD_NAME] ^= 1; },
         false, walk_stop{.index = 2, .problem = builder::corrupted(payload::corruption::record, "")}, 1},
        {"a changed stored byte, read", [&](std::string& s) { s[record(s, 2) - 1] ^= 1; }, true,
         walk_stop{.index = 2,
                   .name = "bin/tool",
                   .problem = builder::corrupted(payload::corruption::stored_crc, "")},
         2},
        {"a changed stored byte, skipped", [&](std::string& s) { s[record(s, 2) - 1] ^= 1; }, false,
         std::nullopt, 4},
        {"the last stored byte missing, skipped", [](std::string& s) { s.pop_back(); }, false,
         walk_stop{.index = 4,
                   .name = "last",
                   .problem = builder::corrupted(payload::corruption::stored_short, "")},
         4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string image = four_entries();
        c.damage(image);
        const walk_run run = walk(image, c.read);
        EXPECT_EQ(run.offsets.size(), c.reached);
        ASSERT_EQ(run.stop.has_value(), c.expected.has_value());
        if (!c.expected) continue;
        EXPECT_EQ(run.stop->index, c.expected->index);
        EXPECT_EQ(run.stop->record_offset, record(image, c.expected->index - 1));
        EXPECT_EQ(run.stop->name, c.expected->name);
        EXPECT_EQ(run.stop->problem.kind, c.expected->problem.kind);
        EXPECT_EQ(run.stop->problem.corrupt, c.expected->problem.corrupt);
    }
}

TEST(PayloadWalk, EitherLayoutOrderNamesALayoutProblemBeforeADamagedEntry) {
    // p/q needs a directory where the file p stands, and its stored bytes are damaged.
    std::string image = testing_support::installer_image(
        "",
        testing_support::payload_bytes(
            {.entries = {{.name = "p", .data = "1"}, {.name = "p/q", .data = "2"}}}),
        WALK_HEADER_AT);
    image.back() ^= 1;
    for (const layout_order order : {layout_order::before_bytes, layout_order::after_bytes}) {
        builder::layout_tree tree;
        const walk_run run = walk(image, true, {&tree, order});
        ASSERT_TRUE(run.stop);
        EXPECT_EQ(run.stop->index, 2u);
        EXPECT_EQ(run.stop->problem.kind, builder::problem_kind::layout);
        // Laid out first, an entry that cannot be placed is never read.
        EXPECT_EQ(run.offsets.size(), order == layout_order::before_bytes ? 1u : 2u);
    }
}

}  // namespace
