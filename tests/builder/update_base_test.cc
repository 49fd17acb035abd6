// An update installs over its own release only: run into an empty directory, over another product or
// over another release it stops before it removes or writes anything, naming the release and the file,
// and the target stays byte for byte as it was; its welcome screen says what it updates. An update with
// --full installs anywhere. diff --update checks an update without installing it.
#include <gtest/gtest.h>

#include <filesystem>

#include "builder_test_util.h"
#include "support/installer_run.h"
#include "support/json_reader.h"
#include "support/stub_regions.h"

namespace {

using namespace builder_test;
using testing_support::snapshot_detail;

// VORNA 1.0 -> 1.1: inc/vorna.h and doc/readme.txt stay, lib/libvorna.a changes, old.txt goes, new.txt
// comes. The base files are therefore inc/vorna.h and doc/readme.txt (left in place, newest first), then
// lib/libvorna.a (rewritten).
class UpdateBase : public ::testing::Test {
  protected:
    temp_dir dir;

    // Builds the tree `tree` as VORNA `version` (unless `options` name another product) into OUTPUT.
    std::string build(const std::string& tree, const std::string& version,
                      std::vector<std::string> options = {}, const std::string& output = "") {
        std::vector<std::string> args = {"--product", "VORNA", "--version", version};
        args.insert(args.end(), options.begin(), options.end());
        args.insert(args.end(), {dir / tree, dir / (output.empty() ? tree + "-setup" : output)});
        return build_whole_tree(args);
    }

    // VORNA 1.0's tree beneath `tree`, with its files' times.
    void write_v10(const std::string& tree) {
        write_timed_file(dir / (tree + "/inc/vorna.h"), "header 1", TEST_TIME + 30);
        write_timed_file(dir / (tree + "/lib/libvorna.a"), "library 1.0", TEST_TIME + 20);
        write_timed_file(dir / (tree + "/doc/readme.txt"), "read me", TEST_TIME + 10);
        write_timed_file(dir / (tree + "/old.txt"), "old", TEST_TIME);
    }

    void SetUp() override {
        write_v10("v10");
        write_v10("v11");
        std::filesystem::remove(dir / "v11/old.txt");
        write_timed_file(dir / "v11/lib/libvorna.a", "library 1.1!", TEST_TIME + 40);
        write_timed_file(dir / "v11/new.txt", "new", TEST_TIME + 40);
        build("v10", "1.0");
        build("v11", "1.1");
    }

    std::string update(std::vector<std::string> options = {}) {
        options.insert(options.end(), {"--update-from", dir / "v10-setup"});
        return build("v11", "1.1", options, "update");
    }

    // Runs `installer` into `target` and checks that it stops with `message`, leaving the target as it was.
    void expect_refused(const std::string& installer, const std::string& target, const std::string& message,
                        int status = 0) {
        const auto before = tree_snapshot(target, snapshot_detail::with_modes_and_times);
        const auto r =
            testing_support::run_itself(installer, testing_support::answers_to_install(target) + "n\nn\n");
        EXPECT_EQ(r.exit_code, status);
        EXPECT_NE(r.err.find("!\nThis update installs over VORNA 1.0 only.\n"), std::string::npos) << r.err;
        EXPECT_TRUE(r.err.ends_with(message + "\n\n\nInstallation terminated.\n")) << r.err;
        EXPECT_EQ(tree_snapshot(target, snapshot_detail::with_modes_and_times), before);
    }
};

TEST_F(UpdateBase, AnUpdateRefusesEveryTargetButItsReleaseAndSaysSoFirst) {
    const std::string setup = update();
    std::filesystem::create_directories(dir / "empty");
    expect_refused(setup, dir / "empty",
                   "Not an installation of VORNA 1.0 to update: inc/vorna.h is missing (err=15).");

    write_timed_file(dir / "acme/bin/acme", "another product");
    build("acme", "1.0", {"--product", "ACME"});
    install(dir / "acme-setup", dir / "other-product");
    expect_refused(setup, dir / "other-product",
                   "Not an installation of VORNA 1.0 to update: inc/vorna.h is missing (err=15).");

    // Another release: its most recent file differs.
    write_v10("v101");
    write_timed_file(dir / "v101/inc/vorna.h", "header 1", TEST_TIME + 35);
    build("v101", "1.0.1");
    install(dir / "v101-setup", dir / "other-release");
    expect_refused(setup, dir / "other-release",
                   "Not an installation of VORNA 1.0 to update: inc/vorna.h differs (err=15).");

    // Over its own release it installs, its welcome screen saying what it updates.
    install(dir / "v10-setup", dir / "release");
    const auto r =
        testing_support::run_itself(setup, testing_support::answers_to_install(dir / "release") + "n\nn\n");
    EXPECT_NE(
        r.err.find(" (build 231114.221320) !\nThis update installs over VORNA 1.0 only.\n\n[Next? Cancel?]"),
        std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("Installation complete."), std::string::npos) << r.err;
    install(dir / "v11-setup", dir / "fresh");
    EXPECT_EQ(tree_snapshot(dir / "release", snapshot_detail::with_modes_and_times),
              tree_snapshot(dir / "fresh", snapshot_detail::with_modes_and_times));
}

TEST_F(UpdateBase, AFailedCheckEndsAsTheExitPolicySaysAndAFullUpdateChecksNothing) {
    std::filesystem::create_directories(dir / "empty");
    expect_refused(update({"--exit-status", "conventional"}), dir / "empty",
                   "Not an installation of VORNA 1.0 to update: inc/vorna.h is missing (err=15).", 1);
    const std::string full = update({"--full"});
    const auto r =
        testing_support::run_itself(full, testing_support::answers_to_install(dir / "empty") + "n\nn\n");
    EXPECT_EQ(r.err.find("This update"), std::string::npos);
    EXPECT_NE(r.err.find("Installation complete."), std::string::npos) << r.err;
    EXPECT_EQ(run_mkinstaller({"info", full}).out.find("updates:"), std::string::npos);
}

TEST_F(UpdateBase, TheReadingCommandsShowTheBaseAndVerifyRefusesMalformedRecords) {
    const std::string setup = update();
    EXPECT_NE(
        run_mkinstaller({"info", setup})
            .out.find(
                "updates: VORNA 1.0 (checks 3 files of it beneath the target before it writes anything)\n"),
        std::string::npos);
    const auto doc = testing_support::parse_json(run_mkinstaller({"list", "--json", setup}).out);
    const auto& base = doc["profile"]["update_of"];
    EXPECT_EQ(base["product"].str() + " " + base["version"].str(), "VORNA 1.0");
    ASSERT_EQ(base["base"].size(), 3u);
    const std::string order[] = {"inc/vorna.h", "doc/readme.txt", "lib/libvorna.a"};
    for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(base["base"][i]["path"].str(), order[i]);
    EXPECT_EQ(base["base"][2]["size"].num(), 11);
    EXPECT_EQ(base["base"][2]["new_size"].num(), 12);
    EXPECT_EQ(base["base"][2]["new_mtime"].num(), TEST_TIME + 40);
    EXPECT_EQ(run_mkinstaller({"verify", setup}).exit_code, 0);
    EXPECT_EQ(testing_support::parse_json(
                  run_mkinstaller({"list", "--json", dir / "v10-setup"}).out)["profile"]["update_of"]
                  .v.index(),
              0u);  // null

    // A base file of no release: the installer would refuse to start.
    const std::string stub =
        testing_support::profiled_stub({{payload::PROFILE_BASE_FILE, std::string(16, '\0') + "a"}});
    testing_support::write_installer_with_stub(dir / "damaged", stub,
                                               {.entries = {{.name = "a", .data = "1"}}});
    const auto verified = run_mkinstaller({"verify", dir / "damaged"});
    EXPECT_EQ(verified.exit_code, 1);
    EXPECT_NE(verified.err.find("checks base files for no release"), std::string::npos) << verified.err;
}

TEST_F(UpdateBase, DiffUpdateComparesWhatTheReleaseAndItsUpdateLeave) {
    const std::string setup = update();
    const auto same = run_mkinstaller({"diff", "--update", dir / "v10-setup", setup, dir / "v11-setup"});
    EXPECT_EQ(same.exit_code, 0) << same.err;
    EXPECT_EQ(same.out, "");
    EXPECT_EQ(same.err, "");

    write_timed_file(dir / "v11/new.txt", "changed by hand", TEST_TIME + 40);
    build("v11", "1.1");
    const auto changed = run_mkinstaller({"diff", "--update", dir / "v10-setup", setup, dir / "v11-setup"});
    EXPECT_EQ(changed.exit_code, 1);
    EXPECT_EQ(changed.out, "changed  new.txt (bytes)\n");
    EXPECT_EQ(run_mkinstaller({"diff", "--update", dir / "v10", setup, dir / "v11-setup"}).exit_code, 2);

    // Plain diff of an update compares the part it carries, and says what to use instead.
    const auto plain = run_mkinstaller({"diff", dir / "v11-setup", setup});
    EXPECT_EQ(plain.exit_code, 1);
    EXPECT_NE(
        plain.err.find("is an update, which leaves only part of its tree in an empty target; diff --update"),
        std::string::npos)
        << plain.err;
}

}  // namespace
