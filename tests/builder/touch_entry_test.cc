// Touch entries: an update carries a file whose bytes the release already left as a record without bytes,
// which only sets its time and mode. A rebuilt release whose files changed little must give a small
// update, which every reading command tells apart; an installer that is no update may carry none.
#include <gtest/gtest.h>

#include "builder/inspect/installer_tree.h"
#include "builder_test_util.h"
#include "payload/file_record.h"
#include "support/installer_run.h"
#include "support/json_reader.h"

namespace {

using namespace builder_test;

// Twenty files of incompressible bytes; the new release moves every time and rewrites the bytes of two.
struct rebuilt_release {
    temp_dir dir;
    std::string old_setup, update, full;

    explicit rebuilt_release(const std::vector<std::string>& options = {}) {
        for (int i = 0; i < 20; ++i) {
            const std::string name = "d" + std::to_string(i % 3) + "/f" + std::to_string(i);
            const std::string bytes = junk_bytes(20000 + static_cast<std::size_t>(i));
            write_timed_file(dir / ("old/" + name), bytes);
            write_timed_file(dir / ("new/" + name), i < 2 ? junk_bytes(20000) + name : bytes,
                             TEST_TIME + 3600);
        }
        old_setup = build_installer({"--quiet", dir / "old", dir / "old-setup"});
        full = build_installer({"--quiet", dir / "new", dir / "full"});
        std::vector<std::string> args = options;
        args.insert(args.end(), {"--update-from", old_setup, dir / "new", dir / "update"});
        update = dir / "update";
        last = run_mkinstaller(testing_support::joined({"build"}, args));
    }
    testing_support::process_result last;
};

std::uint64_t payload_size(const std::string& installer) {
    const builder::installer_tree tree = builder::read_installer_tree(installer, "test");
    return tree.installer_size - tree.header_offset;
}

TEST(TouchEntry, AnUpdateOfTimesCarriesNoBytesAndEveryReaderShowsIt) {
    const rebuilt_release r;
    ASSERT_EQ(r.last.exit_code, 0) << r.last.err;
    EXPECT_NE(r.last.out.find("(0 deletes, 18 touches, 2 files)"), std::string::npos) << r.last.out;
    EXPECT_EQ(r.last.err.find("--full"), std::string::npos) << r.last.err;
    const std::uint64_t update = payload_size(r.update);
    const std::uint64_t full = payload_size(r.full);
    EXPECT_LT(update * 100, full * 15) << update << " of " << full;

    const auto listed = run_mkinstaller({"list", r.update});
    ASSERT_EQ(listed.exit_code, 0) << listed.err;
    EXPECT_NE(listed.out.find("\ntouch           0       0  2023-11-14 23:13:20  d0/f12\n"),
              std::string::npos)
        << listed.out;
    const auto json = run_mkinstaller({"list", "--json", r.update});
    const testing_support::json_value doc = testing_support::parse_json(json.out);
    int touches = 0;
    for (std::size_t i = 0; i < doc["entries"].size(); ++i) {
        if (doc["entries"][i]["method_number"].num() != payload::METHOD_TOUCH) continue;
        ++touches;
        EXPECT_EQ(doc["entries"][i]["method"].str(), "touch");
        EXPECT_EQ(doc["entries"][i]["stored_size"].num(), 0);
    }
    EXPECT_EQ(touches, 18);

    EXPECT_EQ(run_mkinstaller({"verify", r.update}).exit_code, 0);
    // Over the old release the update leaves the full installation's tree, time for time.
    const auto diff = run_mkinstaller({"diff", "--update", r.old_setup, r.update, r.full});
    EXPECT_EQ(diff.exit_code, 0) << diff.out << diff.err;
    const auto extracted = run_mkinstaller({"extract", r.update, r.dir / "out"});
    EXPECT_EQ(extracted.exit_code, 0) << extracted.err;
    EXPECT_NE(extracted.out.find("extracted 2 files, 40010 bytes, into "), std::string::npos)
        << extracted.out;
    EXPECT_NE(extracted.out.find("; skipped 18 touch entries, which carry no bytes"), std::string::npos);
}

TEST(TouchEntry, AnUpdateThatSavesLittleSuggestsFull) {
    temp_dir dir;
    for (const char* name : {"a", "b"}) {
        write_timed_file(dir / ("old/" + std::string(name)), junk_bytes(5000));
        write_timed_file(dir / ("new/" + std::string(name)), junk_bytes(5000) + "x");
    }
    build_installer({"--quiet", dir / "old", dir / "old-setup"});
    const auto r =
        run_mkinstaller({"build", "--update-from", dir / "old-setup", dir / "new", dir / "update"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_NE(r.err.find("of a full installer's; --full builds one that also installs alone"),
              std::string::npos)
        << r.err;
}

TEST(TouchEntry, OnlyAnUpdateMayCarryOne) {
    temp_dir dir;
    testing_support::write_installer(
        dir / "setup",
        {.entries = {{.name = "a", .data = "1"}, {.name = "a", .method = payload::METHOD_TOUCH}}});
    const auto r = run_mkinstaller({"verify", dir / "setup"});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find("entry 2 \"a\": a touch entry, which only an update carries, and the profile region "
                         "names no release this installer updates (the installer stops with \"Corrupted "
                         "file(s) (err=6).\")"),
              std::string::npos)
        << r.err;
}

}  // namespace
