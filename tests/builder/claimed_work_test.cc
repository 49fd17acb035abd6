// Work out of proportion to the input: a few bytes of stream may claim 4 GiB of file, and many entries may
// share one last name. The reading commands hold the records to the header's totals before they decode,
// and lay out same-named entries in linear work. Work is counted or bounded by an rlimit, never timed.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstdio>
#include <functional>
#include <sstream>

#include "builder/commands/commands.h"
#include "builder/inspect/entry_bytes.h"
#include "builder/model/layout_replay.h"
#include "builder/util/error.h"
#include "builder_test_util.h"
#include "payload/file_record.h"
#include "payload/header_block.h"
#include "support/installer_run.h"

namespace {

using namespace builder_test;

constexpr std::uint32_t BOMB_SIZE = 0xFFFFFFFF;
constexpr std::size_t BOMB_COUNT = 1 << 14;  // 60 bytes each: an installer of about 1 MB

// The installer image of `count` entries made by `entry_of`, behind the built stub, and where its first
// record starts.
std::pair<std::string, std::size_t> image_of(std::size_t count,
                                             const std::function<test_entry(std::size_t)>& entry_of) {
    test_payload payload;
    for (std::size_t i = 0; i < count; ++i) payload.entries.push_back(entry_of(i));
    const std::string bytes = testing_support::payload_bytes(payload);
    std::string image = testing_support::stub_with_payload(bytes);
    return {image, image.size() - bytes.size() + payload::HEADER_SIZE};
}

// Bombs: each a 7-byte stream whose zero bits go on making zeros, its record claiming 4 GiB - 1 of them
// (whose CRC is 0, the CRC of any run of zero bytes). Every CRC holds, and the header's totals are the
// records' own but for the total size, which says 4 GiB - 1: room for the first bomb, not the second.
std::string bomb_installer() {
    auto [image, at] = image_of(BOMB_COUNT, [](std::size_t i) {
        char name[16];
        std::snprintf(name, sizeof name, "b%06zu", i);
        return test_entry{.name = name,
                          .method = payload::METHOD_COMPRESSED,
                          .stored = testing_support::single_byte_stream(0, 65535),
                          .use_stored = true};
    });
    const std::size_t header = at - payload::HEADER_SIZE;
    for (std::size_t i = 0; i < BOMB_COUNT; ++i) {
        put_u32(image, at + payload::RECORD_FILE_SIZE, BOMB_SIZE);
        reseal_record(image, at);
        at += get_u32(image, at + payload::RECORD_LENGTH) + get_u32(image, at + payload::RECORD_STORED_SIZE);
    }
    put_u32(image, header + payload::HEADER_TOTAL_SIZE, BOMB_SIZE);
    put_u32(image, header + payload::HEADER_REQUIRED_SPACE, BOMB_SIZE);
    reseal_header(image, header);
    return image;
}

const std::string SECOND_BOMB =
    "entry 2 \"b000001\": file size 4294967295 takes the entries' file sizes to 8589934590, past the "
    "header's total size 4294967295 (offset 260)";

// The message of the error `command` ends with, and the file bytes it produced meanwhile.
std::pair<std::string, std::uint64_t> failure_and_work(const std::function<void()>& command) {
    const std::uint64_t before = builder::entry_bytes_produced();
    std::string message;
    try {
        command();
    } catch (const builder::error& e) {
        message = e.what();
    }
    return {message, builder::entry_bytes_produced() - before};
}

TEST(ClaimedWork, BombsAreRefusedByTheHeaderTotalsBeforeAnythingIsDecoded) {
    temp_dir dir;
    write_file(dir / "bombs", bomb_installer());
    const std::string good =
        testing_support::write_installer(dir / "good", {.entries = {{.name = "a", .data = "a"}}});
    write_timed_file(dir / "src/a", "a");
    builder::build_arguments update;
    update.stub = INSTALLER_PATH;
    update.update_from = dir / "bombs";
    update.quiet = true;
    update.source_dir = dir / "src";
    update.output = dir / "update";
    std::ostringstream out, warnings;
    const std::vector<std::pair<std::string, std::function<void()>>> commands = {
        {"verify: ", [&] { builder::run_verify(dir / "bombs", true, out, warnings); }},
        {"diff: \"" + dir / "bombs" + "\": ",
         [&] { builder::run_diff(dir / "bombs", good, {}, false, out, warnings); }},
        {"--update-from: \"" + dir / "bombs" + "\": ", [&] { builder::run_build(update, out, warnings); }},
        {"list: ", [&] { builder::run_list(dir / "bombs", false, out, warnings); }},
    };
    for (const auto& [prefix, command] : commands) {
        SCOPED_TRACE(prefix);
        const auto [message, produced] = failure_and_work(command);
        EXPECT_EQ(message.find(prefix + SECOND_BOMB), 0u) << message;
        EXPECT_EQ(produced, 0u);
    }
    EXPECT_FALSE(path_exists(dir / "update"));

    // extract writes nothing of the first bomb either: a child that may write 1 MiB ends by itself.
    const auto r = testing_support::run_in_child([&] {
        const rlimit bound{1 << 20, 1 << 20};
        if (setrlimit(RLIMIT_FSIZE, &bound) != 0) return 77;
        const auto [message, produced] =
            failure_and_work([&] { builder::run_extract(dir / "bombs", dir / "out", false, false, out); });
        std::fprintf(stderr, "%s\n", message.c_str());
        return produced == 0 ? 1 : 3;
    });
    EXPECT_EQ(r.exit_code, 1) << r.err;
    EXPECT_EQ(r.err.find("extract: " + SECOND_BOMB), 0u) << r.err;
}

TEST(ClaimedWork, EveryHeaderTotalBoundsItsSum) {
    temp_dir dir;
    const auto [image, first] =
        image_of(2, [](std::size_t i) { return test_entry{.name = i == 0 ? "a" : "b", .data = "x"}; });
    const std::size_t header = first - payload::HEADER_SIZE;
    std::ostringstream out, warnings;
    for (const auto& [offset, total] : std::vector<std::pair<std::size_t, std::string>>{
             {payload::HEADER_TOTAL_SIZE, "total size"},
             {payload::HEADER_TOTAL_STORED_SIZE, "total stored size"},
             {payload::HEADER_TOTAL_RECORD_SIZE, "total record size"}}) {
        std::string short_by_one = image;  // the second entry takes the sum one past it
        put_u32(short_by_one, header + offset, get_u32(image, header + offset) - 1);
        reseal_header(short_by_one, header);
        write_file(dir / "setup", short_by_one);
        const std::string message =
            failure_and_work([&] { builder::run_verify(dir / "setup", true, out, warnings); }).first;
        EXPECT_EQ(message.find("verify: entry 2 \"b\": "), 0u) << message;
        EXPECT_NE(message.find("past the header's " + total + " "), std::string::npos) << message;
    }
}

// The nodes same-name removal looks at while verify lays out `count` entries d000000/x, d000001/x, ...
std::uint64_t same_name_layout_work(std::size_t count) {
    temp_dir dir;
    write_file(dir / "setup", image_of(count, [](std::size_t i) {
                                  char name[16];
                                  std::snprintf(name, sizeof name, "d%06zu/x", i);
                                  return test_entry{.name = name, .data = "x"};
                              }).first);
    std::ostringstream out, warnings;
    const std::uint64_t before = builder::layout_removal_visits();
    builder::run_verify(dir / "setup", true, out, warnings);
    EXPECT_EQ(out.str().find("ok: "), 0u);
    return builder::layout_removal_visits() - before;
}

TEST(ClaimedWork, SameNamedEntriesAreLaidOutInWorkLinearInTheirNumber) {
    // Each entry removes the one before: that much is looked at, and no more as the payload doubles.
    const std::uint64_t single = same_name_layout_work(2000);
    const std::uint64_t twice = same_name_layout_work(4000);
    EXPECT_GE(single, 1999u);
    EXPECT_LE(twice, 2 * single + 1);
}

}  // namespace
