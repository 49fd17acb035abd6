// An update installs over its own release only: run into an empty directory, over another product or
// over another release it stops before it removes or writes anything, naming the release and the file,
// and the target stays byte for byte as it was; its welcome screen says what it updates. An update with
// --full installs anywhere. diff --update checks an update without installing it.
#include <gtest/gtest.h>

#include <filesystem>

#include "builder_test_util.h"
#include "payload/vendor_settings_table.h"
#include "support/installer_run.h"
#include "support/json_reader.h"
#include "support/stub_regions.h"

namespace {

using namespace builder_test;
using testing_support::snapshot_detail;

const std::string MISSING =
    "Not an installation of VORNA 1.0 to update: inc/vorna.h is missing.\n"
    "Install the full release instead (err=15).";

// VORNA 1.0 -> 1.1: inc/vorna.h and doc/readme.txt stay, lib/libvorna.a changes, old.txt goes. The base
// files are inc/vorna.h and doc/readme.txt (left in place, newest first), then lib/libvorna.a.
class UpdateBase : public ::testing::Test {
  protected:
    temp_dir dir;

    // Builds the tree `tree` as VORNA `version`, unless `options` name another product.
    std::string build(const std::string& tree, const std::string& version,
                      std::vector<std::string> options = {}, const std::string& output = "") {
        std::vector<std::string> args = {"--product", "VORNA", "--version", version};
        args.insert(args.end(), options.begin(), options.end());
        args.insert(args.end(), {dir / tree, dir / (output.empty() ? tree + "-setup" : output)});
        return build_whole_tree(args);
    }

    void write_v10(const std::string& tree, std::int64_t header_time = TEST_TIME + 30) {
        write_timed_file(dir / (tree + "/inc/vorna.h"), "header 1", header_time);
        write_timed_file(dir / (tree + "/lib/libvorna.a"), "library 1.0", TEST_TIME + 20);
        write_timed_file(dir / (tree + "/doc/readme.txt"), "read me", TEST_TIME + 10);
        write_timed_file(dir / (tree + "/old.txt"), "old", TEST_TIME);
    }

    void SetUp() override {
        write_v10("v10");
        write_v10("v11");
        std::filesystem::remove(dir / "v11/old.txt");
        write_timed_file(dir / "v11/lib/libvorna.a", "library 1.1!", TEST_TIME + 40);
        build("v10", "1.0");
        build("v11", "1.1");
    }

    std::string update(std::vector<std::string> options = {}) {
        options.insert(options.end(), {"--update-from", dir / "v10-setup"});
        return build("v11", "1.1", options, "update");
    }

    testing_support::process_result run(const std::string& installer, const std::string& target) {
        return testing_support::run_itself(installer, testing_support::answers_to_install(target) + "n\nn\n");
    }

    // Runs `installer` into `target`: the directory screen refuses it with `message` and asks for another
    // directory, and the end of the answers cancels, leaving the target as it was.
    void expect_refused(const std::string& installer, const std::string& target, const std::string& message,
                        int status = 0) {
        const auto before = tree_snapshot(target, snapshot_detail::with_modes_and_times);
        const auto r = run(installer, target);
        EXPECT_EQ(r.exit_code, status);
        EXPECT_NE(r.err.find("\n\n" + message + "\n\nSelect a different directory! [Ok? Cancel?]: "),
                  std::string::npos)
            << r.err;
        EXPECT_TRUE(r.err.ends_with("[Ok? Cancel?]: \n\nInstallation terminated.\n")) << r.err;
        EXPECT_EQ(tree_snapshot(target, snapshot_detail::with_modes_and_times), before);
    }
};

TEST_F(UpdateBase, AnUpdateRefusesEveryTargetButItsReleaseAndSaysSoFirst) {
    const std::string setup = update();
    std::filesystem::create_directories(dir / "empty");
    expect_refused(setup, dir / "empty", MISSING);
    write_timed_file(dir / "acme/bin/acme", "another product");
    install(build("acme", "1.0", {"--product", "ACME"}), dir / "other-product");
    expect_refused(setup, dir / "other-product", MISSING);
    write_v10("v101");  // another release: its header holds other bytes
    write_timed_file(dir / "v101/inc/vorna.h", "header 2", TEST_TIME + 30);
    const std::string other_release = build("v101", "1.0.1");
    install(other_release, dir / "other-release");
    const std::string other_bytes =
        "Not an installation of VORNA 1.0 to update: inc/vorna.h holds other bytes.\n"
        "Install the full release instead (err=15).";
    expect_refused(setup, dir / "other-release", other_bytes);
    // diff --update replays the check over the tree the other release leaves, and stops as the update.
    const auto replayed = run_mkinstaller({"diff", "--update", other_release, setup, dir / "v11-setup"});
    EXPECT_EQ(replayed.exit_code, 2);
    EXPECT_NE(replayed.err.find("the update stops with \"" + other_bytes + "\""), std::string::npos)
        << replayed.err;
    EXPECT_EQ(run_mkinstaller({"diff", "--update", dir / "v10-setup", setup, dir / "v11-setup"}).exit_code,
              0);
    // The same bytes with other times, as another installer of the release leaves them, pass.
    write_v10("v10-again", TEST_TIME + 35);
    install(build("v10-again", "1.0"), dir / "same-bytes");
    EXPECT_NE(run(setup, dir / "same-bytes").err.find("Installation complete."), std::string::npos);

    install(dir / "v10-setup", dir / "release");
    std::filesystem::remove(dir / "release/lib/libvorna.a");  // as a run stopped inside it leaves it
    const auto r = run(setup, dir / "release");
    EXPECT_NE(
        r.err.find(" (build 231114.221320) !\nThis update installs over VORNA 1.0 only.\n\n[Next? Cancel?]"),
        std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("Installation complete."), std::string::npos) << r.err;
    // An update's own words: its paragraph in the warning that the directory exists, its size in KiB.
    EXPECT_NE(r.err.find(std::string(payload::BUILT_IN_UPDATE_EXISTING_DIR_TEXT[0])), std::string::npos);
    EXPECT_EQ(r.err.find("Installing into a different directory"), std::string::npos);
    EXPECT_NE(r.err.find("\nrequiring approximately 0.1 KiByte of space.\n"), std::string::npos) << r.err;
}

TEST_F(UpdateBase, AFailedCheckEndsAsTheExitPolicySaysAndAFullUpdateChecksNothing) {
    std::filesystem::create_directories(dir / "empty");
    expect_refused(update({"--exit-status", "conventional"}), dir / "empty", MISSING, 2);
    // Given on the command line, the target is refused as a failure.
    const std::string gnu = update({"--installer-options", "gnu"});
    const auto given = testing_support::run_process(
        gnu, {gnu, "--unattended", "--accept-license", "--target", dir / "empty"}, {.close_stdin = true});
    EXPECT_EQ(given.exit_code, 1);
    EXPECT_TRUE(given.err.ends_with(MISSING + "\n\n\nInstallation terminated.\n")) << given.err;
    const auto r = run(update({"--full"}), dir / "empty");
    EXPECT_EQ(r.err.find("This update"), std::string::npos);
    EXPECT_NE(r.err.find("Installation complete."), std::string::npos) << r.err;
}

TEST_F(UpdateBase, TheReadingCommandsShowTheBaseAndVerifyRefusesMalformedRecords) {
    const std::string setup = update();
    EXPECT_NE(
        run_mkinstaller({"info", setup})
            .out.find("updates: VORNA 1.0 (checks 3 files of it by content beneath the target before it "
                      "writes anything: 2 it leaves in place, then 1 it rewrites)\n"),
        std::string::npos);
    const auto doc = testing_support::parse_json(run_mkinstaller({"list", "--json", setup}).out);
    const auto& base = doc["profile"]["update_of"];
    EXPECT_EQ(base["product"].str() + " " + base["version"].str() + " " + base["check"].str() + " " +
                  std::to_string(base["kept"].num()),
              "VORNA 1.0 content 2");
    std::string files;
    for (std::size_t i = 0; i < base["base"].size(); ++i) {
        const auto& f = base["base"][i];
        files += f["path"].str() + " " + std::to_string(f["size"].num()) + " " +
                 std::to_string(f["new_size"].num()) +
                 (f["sha256"].str() == f["new_sha256"].str() ? " kept\n" : " rewritten\n");
    }
    EXPECT_EQ(files, "inc/vorna.h 8 8 kept\ndoc/readme.txt 7 7 kept\nlib/libvorna.a 11 12 rewritten\n");
    EXPECT_EQ(run_mkinstaller({"verify", setup}).exit_code, 0);

    const std::string stub =
        testing_support::profiled_stub({{payload::PROFILE_BASE_FILE, std::string(16, '\0') + "a"}});
    testing_support::write_installer_with_stub(dir / "damaged", stub,
                                               {.entries = {{.name = "a", .data = "1"}}});
    const auto verified = run_mkinstaller({"verify", dir / "damaged"});
    EXPECT_EQ(verified.exit_code, 1);
    EXPECT_NE(verified.err.find("checks base files for no release"), std::string::npos) << verified.err;

    // An update built before checked sizes and times; the reading commands still show its files.
    std::string timed(payload::PROFILE_BASE_FILE_HEAD, '\0');
    timed[0] = timed[8] = 7;  // both sizes
    const std::string older = testing_support::write_installer_with_stub(
        dir / "older",
        testing_support::profiled_stub({{payload::PROFILE_UPDATE_OF, std::string("\x05VORNA\x03") + "1.0"},
                                        {payload::PROFILE_BASE_FILE, timed + "doc/readme.txt"}}),
        {.entries = {{.name = "a", .data = "1"}}});
    EXPECT_NE(run_mkinstaller({"info", older}).out.find("(checks 1 file of it by size and time beneath"),
              std::string::npos);
    const auto json = testing_support::parse_json(run_mkinstaller({"list", "--json", older}).out);
    EXPECT_EQ(json["profile"]["update_of"]["check"].str(), "size and time");
}

TEST_F(UpdateBase, AnUpdateChecksAsManyFilesAsItsProfileRegionHolds) {
    // `files` files both trees hold, their paths `length` bytes long: how many the update checks.
    const auto checked = [&](std::size_t files, std::size_t length) {
        const std::string tree = dir / std::to_string(length);
        for (std::size_t i = 0; i < files; ++i) {
            const std::string name = std::string(length - 4, 'n') + std::to_string(1000 + i);
            write_timed_file(tree + "/old/" + name, name);
            write_timed_file(tree + "/new/" + name, name);
        }
        write_timed_file(tree + "/new/added", "new");
        build_whole_tree({"--product", "MANY", "--version", "1", tree + "/old", tree + "/old-setup"});
        const auto r =
            run_mkinstaller({"build", "--update-from", tree + "/old-setup", tree + "/new", tree + "/up"});
        const auto doc = testing_support::parse_json(run_mkinstaller({"list", "--json", tree + "/up"}).out);
        const std::size_t count = doc["profile"]["update_of"]["base"].size();
        EXPECT_NE(r.out.find("; checks for MANY 1 " + std::to_string(count) + " files by content, of " +
                             std::to_string(files) + " both trees hold"),
                  std::string::npos)
            << r.out;
        return count;
    };
    EXPECT_EQ(checked(30, 8), 30u);  // short paths: all of them, far more than the 8 of before
    const std::size_t long_paths = checked(100, 200);
    EXPECT_GT(long_paths, 30u);
    EXPECT_LT(long_paths, 100u);
}

TEST_F(UpdateBase, DiffUpdateComparesWhatTheReleaseAndItsUpdateLeave) {
    const std::string setup = update();
    const auto same = run_mkinstaller({"diff", "--update", dir / "v10-setup", setup, dir / "v11-setup"});
    EXPECT_EQ(same.exit_code, 0) << same.err;
    EXPECT_EQ(same.out + same.err, "");
    write_timed_file(dir / "v11/doc/readme.txt", "changed by hand", TEST_TIME + 10);
    build("v11", "1.1");
    const auto changed = run_mkinstaller({"diff", "--update", dir / "v10-setup", setup, dir / "v11-setup"});
    EXPECT_EQ(changed.exit_code, 1);
    EXPECT_EQ(changed.out, "changed  doc/readme.txt (bytes)\n");
    EXPECT_EQ(run_mkinstaller({"diff", "--update", dir / "v10", setup, dir / "v11-setup"}).exit_code, 2);
    const auto plain = run_mkinstaller({"diff", dir / "v11-setup", setup});
    EXPECT_NE(
        plain.err.find("is an update, which leaves only part of its tree in an empty target; diff --update"),
        std::string::npos)
        << plain.err;
}

}  // namespace
