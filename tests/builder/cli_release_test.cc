// What a release build promises beyond packing a tree: --exclude leaves files out and --delete removes old
// ones, both as `list` shows and as a real installation does; the same tree under the same
// SOURCE_DATE_EPOCH gives the same bytes whatever order its directories list their entries in; each file's
// own mode kept (set-id bits, or 0755 for all, on request); same-name files refused, or on request warned
// about, where the installer would lose them.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "builder_test_util.h"
#include "payload/header_block.h"
#include "payload/installer_report.h"
#include "support/installer_run.h"

namespace {

using namespace builder_test;

// The names `list` shows, in payload order, each with its method ("delete old/a.txt").
std::vector<std::string> listed(const std::string& installer) {
    const auto r = run_mkinstaller({"list", installer});
    EXPECT_EQ(r.exit_code, 0) << r.err;
    std::vector<std::string> names;
    const std::size_t table = r.out.find("\nmethod ");
    std::size_t at = r.out.find('\n', table + 1) + 1;
    while (at < r.out.size()) {
        const std::size_t end = r.out.find('\n', at);
        const std::string line = r.out.substr(at, end - at);
        // method, size, stored, date, time, mode, then the name
        std::size_t cut = 0;
        for (int field = 0; field < 6; ++field) cut = line.find_first_not_of(' ', line.find(' ', cut));
        names.push_back(line.substr(0, line.find(' ')) + " " + line.substr(cut));
        at = end + 1;
    }
    return names;
}

std::vector<std::string> files_beneath(const std::string& root) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::recursive_directory_iterator(root)) {
        if (e.is_regular_file()) names.push_back(std::filesystem::relative(e.path(), root).string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST(Release, ExcludeAndDeleteShowInListAndInAnInstallation) {
    temp_dir dir;
    write_tree(dir / "src", {{"bin/vorna", "program"},
                             {"bin/vorna.o", "object"},
                             {"build/cache/x", "cache"},
                             {"docs/guide.txt", "guide"}});
    const auto built =
        run_mkinstaller({"build", "--exclude", "*.o", "--exclude=build", "--delete", "lib/old.so", "--delete",
                         "docs/retired", dir / "src", dir / "setup"});
    ASSERT_EQ(built.exit_code, 0) << built.err;
    EXPECT_EQ(built.err, "");
    EXPECT_EQ(listed(dir / "setup"), (std::vector<std::string>{"delete lib/old.so", "delete docs/retired",
                                                               "stored bin/vorna", "stored docs/guide.txt"}));
    EXPECT_EQ(run_mkinstaller({"verify", dir / "setup"}).exit_code, 0);

    const std::string target = dir / "usr-target";
    write_file(target + "/lib/old.so", "old library");
    write_file(target + "/lib/keep.so", "kept");
    std::filesystem::create_directories(target + "/docs/retired");  // empty: the delete entry removes it
    install(dir / "setup", target);
    EXPECT_EQ(files_beneath(target),
              (std::vector<std::string>{"bin/vorna", "docs/guide.txt", "lib/keep.so"}));
    EXPECT_FALSE(path_exists(target + "/docs/retired"));
    EXPECT_EQ(read_file(target + "/bin/vorna"), "program");
}

TEST(Release, SameTreeAndEpochGiveIdenticalBytesWhateverTheDirectoryOrder) {
    temp_dir dir;
    const std::vector<std::pair<std::string, std::string>> files = {
        {"a/one", "1"},          {"a/two", junk_bytes(20000)}, {"b/c/three", "333"}, {"zeta", "z"},
        {"alpha", "alpha text"}, {"b/four", junk_bytes(9000)}, {"b/c/d/five", ""},
    };
    constexpr std::int64_t EPOCH = 1700000000;
    // The first copy is written in order, the second backwards: readdir gives them in other orders.
    for (std::size_t i = 0; i < files.size(); ++i) {
        write_timed_file(dir / ("first/" + files[i].first), files[i].second, EPOCH - 100);
        const auto& [name, bytes] = files[files.size() - 1 - i];
        write_timed_file(dir / ("second/" + name), bytes, EPOCH - 100);
    }
    // Newer than the epoch, by different amounts in the two copies: both are capped to it.
    set_mtime(dir / "first/zeta", EPOCH + 5);
    set_mtime(dir / "second/zeta", EPOCH + 50000);
    // The default product name is the directory's, which differs between the copies.
    for (const char* copy : {"first", "second"}) {
        build_installer({"--product", "VORNA", dir / copy, dir / (std::string(copy) + ".run")},
                        {"SOURCE_DATE_EPOCH=" + std::to_string(EPOCH)});
    }
    const std::string first = read_file(dir / "first.run");
    EXPECT_EQ(first, read_file(dir / "second.run"));
    const std::string listing = run_mkinstaller({"list", dir / "first.run"}).out;
    EXPECT_NE(listing.find("2023-11-14 22:13:20  0644  zeta\n"), std::string::npos) << listing;
    EXPECT_NE(listing.find("2023-11-14 22:11:40  0644  alpha\n"), std::string::npos) << listing;
}

TEST(Release, FilesKeepTheirOwnPermissionBitsUnlessUniformModeIsAsked) {
    temp_dir dir;
    write_tree(dir / "src", {{"doc", "read me\n"}, {"run", "#!/bin/sh\n"}, {"helper", "#!/bin/sh\n"}});
    ASSERT_EQ(chmod((dir / "src/doc").c_str(), 0644), 0);
    ASSERT_EQ(chmod((dir / "src/run").c_str(), 0755), 0);
    ASSERT_EQ(chmod((dir / "src/helper").c_str(), 04750), 0);
    // Set-id bits travel only on request: an installer run as root would make set-id programs of them.
    const std::pair<std::string, std::vector<unsigned>> cases[] = {
        {"", {0644, 0755, 0750}},
        {"--file-mode", {0644, 0755, 0750}},
        {"--keep-setid", {0644, 0755, 04750}},
        {"--uniform-mode", {0755, 0755, 0755}},
    };
    for (const auto& [option, modes] : cases) {
        SCOPED_TRACE(option);
        std::vector<std::string> args = {dir / "src", dir / "setup"};
        if (!option.empty()) args.insert(args.begin(), option);
        build_installer(args);
        const std::string target = dir / ("target" + option);
        install(dir / "setup", target);
        const char* names[] = {"doc", "run", "helper"};
        for (std::size_t i = 0; i < modes.size(); ++i) {
            struct stat st {};
            ASSERT_EQ(stat((target + "/" + names[i]).c_str(), &st), 0);
            EXPECT_EQ(st.st_mode & 07777, modes[i]) << names[i];
        }
    }
}

TEST(Release, SameNameFilesAreRefusedOrOnRequestWarnedAboutAndOnlyTheLaterSurvives) {
    temp_dir dir;
    write_tree(dir / "src", {{"a/x.h", "first"}, {"b/x.h", "second"}, {"c/y.h", "alone"}});
    const std::string warning =
        "mkinstaller: warning: \"a/x.h\", \"b/x.h\" share the last name component \"x.h\"; the installer "
        "removes each before it writes the next, so only \"b/x.h\" survives an installation\n";
    const auto refused = run_mkinstaller({"build", dir / "src", dir / "setup"});
    EXPECT_EQ(refused.exit_code, 1);
    EXPECT_EQ(refused.err,
              "mkinstaller: 1 group of files share a last name component, and the installer keeps only one "
              "file of each group:\n  " +
                  warning.substr(std::string("mkinstaller: warning: ").size()) +
                  "keep every file with --same-name-removal path (the installer then removes only what "
                  "stands at an entry's own path), or rename the files, leave all but one of each group out "
                  "with --exclude, or build anyway with --allow-same-name\n");
    EXPECT_FALSE(path_exists(dir / "setup"));

    const auto built = run_mkinstaller({"build", "--allow-same-name", dir / "src", dir / "setup"});
    ASSERT_EQ(built.exit_code, 0) << built.err;
    EXPECT_EQ(built.err, warning);
    const auto list = run_mkinstaller({"list", dir / "setup"});
    EXPECT_EQ(list.exit_code, 0);
    EXPECT_EQ(list.err, warning);
    const auto verify = run_mkinstaller({"verify", dir / "setup"});
    EXPECT_EQ(verify.exit_code, 0);
    EXPECT_EQ(verify.err, warning);

    install(dir / "setup", dir / "target");
    EXPECT_EQ(files_beneath(dir / "target"), (std::vector<std::string>{"b/x.h", "c/y.h"}));
}

TEST(Release, InfoShowsTheWelcomeLineAndTheSpaceLine) {
    temp_dir dir;
    write_timed_file(dir / "src/big", std::string(1572864, 'b'));
    build_installer({"--store", "--product", "VORNA", "--version", "2.1", "--platform", "for Linux x86-64",
                     "--build-time", "946684805", dir / "src", dir / "setup"});
    const auto r = run_mkinstaller({"info", dir / "setup"});
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.out,
              "Let's install  VORNA 2.1 for Linux x86-64 software! (build 000101.000005) !\n"
              "    VORNA  2.1\n"
              "requiring approximately 1.500 MiByte of space.\n"
              "built 2000-01-01 00:00:05 UTC (946684805); 1 entries, 1572864 bytes, 1572864 stored\n"
              "architecture: " +
                  std::string(payload::COMPILED_ARCHITECTURE) +
                  "\n"
                  "licence: the agreement built into the stub\n");
    EXPECT_EQ(run_mkinstaller({"info", dir / "nothing"}).exit_code, 1);

    // The figure is the installer's single-precision one: in double precision this size shows 2048.001.
    std::string image = read_file(dir / "setup");
    const auto marker = payload::make_distribution_marker();
    const std::size_t header = image.find(std::string(marker.begin(), marker.end()));
    testing_support::put_u32(image, header + payload::HEADER_REQUIRED_SPACE, 2147484248u);
    testing_support::reseal_header(image, header);
    write_file(dir / "large", image);
    EXPECT_NE(run_mkinstaller({"info", dir / "large"}).out.find("\nrequiring approximately 2048.000 MiByte"),
              std::string::npos);
}

}  // namespace
