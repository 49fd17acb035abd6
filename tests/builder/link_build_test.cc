// Symbolic links through the real mkinstaller and the real installer: kept, refused, copied, updated.
#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>

#include "builder_fixtures.h"
#include "support/tree_snapshot.h"

namespace {

namespace fs = std::filesystem;
using namespace testing_support;
using namespace builder_test;

const std::string LIBRARY(50000, 'x');  // built with --store: each copy costs what it weighs

class LinkBuild : public ::testing::Test {
  protected:
    temp_dir dir;
    std::string source = dir / "a/pkg";
    void SetUp() override {
        write_tree(source, {{"lib/libfoo.so.5.1.0", LIBRARY}, {"include/v5/foo.h", "int foo;"}});
        make_links({{"lib/libfoo.so.5", "libfoo.so.5.1.0"},
                    {"lib/libfoo.so", "libfoo.so.5"},
                    {"bin/tool.so", "../lib/libfoo.so"},
                    {"include/current", "v5"}});
    }
    // Each (name, text) made a link beneath the source, of time 1000 of its own.
    void make_links(const std::vector<std::pair<std::string, std::string>>& links) const {
        const timespec times[2] = {{.tv_sec = 1000, .tv_nsec = 0}, {.tv_sec = 1000, .tv_nsec = 0}};
        for (const auto& [name, text] : links) {
            fs::create_directories(fs::path(source + "/" + name).parent_path());
            ASSERT_EQ(symlink(text.c_str(), (source + "/" + name).c_str()), 0);
            ASSERT_EQ(utimensat(AT_FDCWD, (source + "/" + name).c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
        }
    }
    std::map<std::string, std::string> wanted() const {
        return tree_snapshot(source, snapshot_detail::with_modes_and_times);
    }
};

TEST_F(LinkBuild, KeptLinksInstallAsTheSourceTreeAndMakeASmallerInstaller) {
    const std::string kept = mkinstaller_build({"--store", "--title", "X", source, dir / "kept"});
    const std::string copied =
        mkinstaller_build({"--store", "--title", "X", "--links", "copy", source, dir / "copies"});
    EXPECT_EQ(installed_tree({kept}, dir / "t"), wanted());
    for (const char* link : {"lib/libfoo.so.5", "lib/libfoo.so", "bin/tool.so", "include/current"}) {
        struct stat st {};
        EXPECT_TRUE(lstat((dir / "t/" + link).c_str(), &st) == 0 && st.st_mtime == 1000) << link;
    }
    EXPECT_LT(fs::file_size(kept) + 2 * LIBRARY.size(), fs::file_size(copied));
    EXPECT_NE(run_mkinstaller({"build", "--title", "X", "--exclude", "include/v5*", source, dir / "o"})
                  .err.find("\"include/current\" will dangle once installed"),
              std::string::npos);
}

// Each refused in keep mode naming the link; into /proc in copy mode too; never an output file.
TEST_F(LinkBuild, LinksTheInstallerCannotMakeAreRefused) {
    for (const std::string text : {"/etc/hostname", "../../x", "gone", "v5/../v5", "/proc/self/environ"}) {
        make_links({{"include/bad", text}});
        for (const char* links : {"keep", text.starts_with("/proc") ? "copy" : "keep"}) {
            const auto r = run_mkinstaller({"build", "--title", "X", "--links", links, source, dir / "out"});
            EXPECT_EQ(r.exit_code, 1) << text;
            EXPECT_NE(r.err.find("\"include/bad\" (pointing to \"" + text + "\")"), std::string::npos)
                << r.err;
            EXPECT_FALSE(fs::exists(dir / "out")) << text;
        }
        fs::remove(source + "/include/bad");
    }
    // A source tree that itself lies in /dev (tmpfs at /dev/shm) is no system state: its links are kept.
    if (!fs::is_directory("/dev/shm")) return;
    const fs::path shm = fs::path("/dev/shm") / fs::path(dir.path()).filename();
    fs::copy(source, shm, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    const auto r = run_mkinstaller({"build", "--quiet", "--title", "X", shm, dir / "shm-setup"});
    fs::remove_all(shm);
    EXPECT_EQ(r.exit_code, 0) << r.err;
}

// Without settings the stub's copy rule packs each link as its file, byte for byte, and names one outside.
TEST_F(LinkBuild, CopiedLinksBuildTheBytesOfTheirFiles) {
    fs::remove(source + "/include/current");
    for (const char* name : {"lib/libfoo.so.5.1.0", "lib/libfoo.so.5", "lib/libfoo.so", "bin/tool.so"})
        write_timed_file(dir / "b/pkg/" + name, LIBRARY);
    write_timed_file(dir / "b/pkg/include/v5/foo.h", "int foo;");
    EXPECT_EQ(read_file(mkinstaller_build({"--build-time", "5", source, dir / "linked"})),
              read_file(mkinstaller_build({"--build-time", "5", dir / "b/pkg", dir / "copied"})));
    make_links({{"share/x", dir / "b/pkg/include/v5/foo.h"}});
    EXPECT_NE(
        run_mkinstaller({"build", source, dir / "o"})
            .err.find("packing what \"share/x\" points to, \"" + (dir / "b/pkg/include/v5/foo.h\", outside")),
        std::string::npos);
}

TEST_F(LinkBuild, AnUpdateChangesAddsAndRemovesLinks) {
    const std::string old = mkinstaller_build({"--title", "X", source, dir / "old"});
    for (const char* gone : {"/bin/tool.so", "/lib/libfoo.so"}) fs::remove(source + gone);
    make_links({{"lib/libfoo.so", "libfoo.so.5.1.0"}, {"bin/tool", "../lib/libfoo.so.5"}});
    const std::string update = mkinstaller_build({"--title", "X", "--update-from", old, source, dir / "up"});
    EXPECT_EQ(installed_tree({old, update}, dir / "t"), wanted());
}

}  // namespace
