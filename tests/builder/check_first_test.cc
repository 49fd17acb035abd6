// --check-first: a damaged installer that checks first stops with the message the installation stops
// with and leaves the target as it was; one without settings, or with off, installs what comes before the
// damage. Every region mkinstaller writes, an update's too, checks first unless the vendor says off.
#include <gtest/gtest.h>

#include <filesystem>

#include "builder/inspect/installer_reader.h"
#include "builder_test_util.h"
#include "payload/file_record.h"
#include "support/installer_run.h"
#include "support/json_reader.h"
#include "support/stub_regions.h"

namespace {

using namespace builder_test;

std::string check_first_of(const std::string& installer) {
    const auto doc = testing_support::parse_json(run_mkinstaller({"list", "--json", installer}).out);
    return doc["profile"]["check_first"].str();
}

TEST(CheckFirst, ADamagedInstallerThatChecksFirstLeavesTheTargetAsItWas) {
    temp_dir dir;
    write_tree(dir / "src", {{"a.txt", "first"}, {"b.bin", junk_bytes(40000)}});
    const std::string setup = dir / "setup", damaged = dir / "damaged", target = dir / "target";
    const std::pair<std::vector<std::string>, std::string> builds[] = {
        {{}, "off"}, {{"--title", "Acme"}, "on"}, {{"--title", "Acme", "--check-first", "off"}, "off"}};
    for (const auto& [options, check_first] : builds) {
        std::vector<std::string> args = options;
        args.insert(args.end(), {dir / "src", setup});
        const std::string image = read_file(build_whole_tree(args));
        ASSERT_EQ(check_first_of(setup), check_first);
        const std::size_t b =
            testing_support::record_start(image, builder::open_installer(setup, "").header_offset, 1);
        const std::size_t middle =
            b + get_u32(image, b) + get_u32(image, b + payload::RECORD_STORED_SIZE) / 2;
        // b.bin's stored bytes cut in the middle, or a byte there flipped.
        for (const char* err : {"3", "4"}) {
            SCOPED_TRACE(::testing::PrintToString(options) + " err=" + err);
            std::string bytes = image.substr(0, *err == '3' ? middle : image.size());
            if (*err == '4') bytes[middle] ^= 1;
            write_file(damaged, bytes);
            std::filesystem::permissions(damaged, std::filesystem::perms::owner_all);
            std::filesystem::remove_all(target);
            write_file(target + "/old/a.txt", "same name");  // what the removal before a.txt takes
            const auto before = tree_snapshot(target);
            const auto r =
                testing_support::run_itself(damaged, testing_support::answers_to_install(target) + "n\nn\n");
            EXPECT_TRUE(r.err.ends_with("Corrupted file(s) (err=" + std::string(err) +
                                        ").\n\n\nInstallation terminated.\n"))
                << r.err;
            EXPECT_EQ(tree_snapshot(target) == before, check_first == "on");
            EXPECT_EQ(tree_snapshot(target).contains("a.txt"), check_first == "off");
        }
    }
    EXPECT_EQ(check_first_of(build_whole_tree({"--update-from", setup, dir / "src", dir / "update"})), "on");
}

}  // namespace
