// End to end on a real tree: mkinstaller packs it (compressed, at the default level), the real installer
// installs it through the whole dialogue, and the result is checked file by file against the source:
// bytes, mode, time, directories 0755 under the umask, and the files that the same-name removal takes
// away by design (of several files with one last name, only the last in the payload stays) gone.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <random>

#include "support/installer_run.h"

namespace {

namespace fs = std::filesystem;
using namespace testing_support;

std::string random_bytes(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    return bytes;
}

std::string text_bytes(std::size_t size) {
    std::string text;
    for (int i = 0; text.size() < size; ++i)
        text += "static const int value_" + std::to_string(i % 313) + " = 0;\n";
    return text.substr(0, size);
}

TEST(RealTree, InstallsACopyOfHeadersAndChunkEdgeFilesExactly) {
    if (!fs::is_directory("/usr/include/linux")) GTEST_SKIP() << "no /usr/include/linux on this machine";
    temp_dir dir;
    const std::string source = dir / "source";
    fs::create_directories(source);
    fs::copy("/usr/include/linux", source + "/linux", fs::copy_options::recursive);
    // Sizes around the decoder's 8192-byte chunks, compressible and not.
    for (std::size_t size : {8191u, 8192u, 8193u, 16384u, 16385u, 100000u}) {
        write_file(source + "/edges/text_" + std::to_string(size) + ".h", text_bytes(size));
        write_file(source + "/edges/random_" + std::to_string(size) + ".bin", random_bytes(size, size));
    }
    write_file(source + "/a/dup.h", "first");
    write_file(source + "/b/dup.h", "second: the later entry wins");

    const std::string image = dir / "setup";
    const auto built = run_process(MKINSTALLER_PATH, {"mkinstaller", "build", "--allow-same-name",
                                                      "--build-time", "1700000000", source, image});
    ASSERT_EQ(built.exit_code, 0) << built.err;

    // Payload order is the byte order of the relative names; the last file of each last name survives.
    std::vector<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(source)) {
        if (entry.is_regular_file()) names.push_back(fs::relative(entry.path(), source).generic_string());
    }
    std::sort(names.begin(), names.end());
    std::map<std::string, std::string> survivor;  // last component -> name
    for (const auto& name : names) survivor[fs::path(name).filename().string()] = name;

    const std::string target = dir / "target";
    const mode_t old_mask = umask(022);
    const auto r = run_installer(image, {}, answers_to_install(target) + "n\n");
    umask(old_mask);
    expect_clean_exit(r);
    ASSERT_TRUE(r.err.ends_with("\n\nInstallation complete.\n\n"))
        << r.err.substr(r.err.size() > 300 ? r.err.size() - 300 : 0);

    std::size_t installed = 0;
    for (const auto& name : names) {
        const std::string there = target + "/" + name;
        if (survivor[fs::path(name).filename().string()] != name) {
            EXPECT_FALSE(fs::exists(there)) << name << " should have been removed by a later entry";
            continue;
        }
        ++installed;
        ASSERT_EQ(read_file(there), read_file(source + "/" + name)) << name;
        struct stat from {
        }, to{};
        stat((source + "/" + name).c_str(), &from);
        stat(there.c_str(), &to);
        EXPECT_EQ(to.st_mtime, from.st_mtime) << name;
        EXPECT_EQ(to.st_mode & 07777, from.st_mode & 0777) << name;
    }
    EXPECT_EQ(read_file(target + "/b/dup.h"), "second: the later entry wins");
    EXPECT_FALSE(fs::exists(target + "/a/dup.h"));
    EXPECT_GT(installed, 700u);
    for (const auto& entry : fs::recursive_directory_iterator(target)) {
        if (!entry.is_directory()) continue;
        struct stat info {};
        stat(entry.path().c_str(), &info);
        EXPECT_EQ(info.st_mode & 07777, 0755u) << entry.path();
    }
}

}  // namespace
