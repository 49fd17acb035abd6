// End to end: the sample product packed by mkinstaller into a real installer, run as a person would.
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <vector>

#include <gtest/gtest.h>

#include "payload/header_block.h"
#include "support/dialogue_fixture.h"

namespace {

using namespace testing_support;
namespace t = testing_support::texts;

class SampleInstaller : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto built = run_process(
            MKINSTALLER_PATH, {"mkinstaller", "build", "--product", "VORNA", "--version", "1.0", "--platform",
                               "for Linux x86-64", "--build-time", "1700000000", SAMPLE_PRODUCT_DIR, image});
        ASSERT_EQ(built.exit_code, 0) << built.err;
    }

    // The figure the directory screen shows for the sample's required space, read from its header block.
    std::string required_mib() const {
        const std::string bytes = read_file(image);
        const auto marker = payload::make_distribution_marker();
        const std::size_t header = bytes.rfind(std::string(marker.begin(), marker.end()));
        const float mib =
            static_cast<float>(get_u32(bytes, header + payload::HEADER_REQUIRED_SPACE)) * 0x1p-20f;
        char text[32];
        std::snprintf(text, sizeof text, "%.3f", static_cast<double>(mib));
        return text;
    }

    // The sample's files in payload order (names sorted byte by byte) with their sizes.
    static std::vector<std::pair<std::string, std::size_t>> sample_files() {
        namespace fs = std::filesystem;
        std::vector<std::pair<std::string, std::size_t>> files;
        for (const auto& entry : fs::recursive_directory_iterator(SAMPLE_PRODUCT_DIR)) {
            if (!entry.is_regular_file()) continue;
            files.emplace_back(fs::relative(entry.path(), SAMPLE_PRODUCT_DIR).generic_string(),
                               entry.file_size());
        }
        std::sort(files.begin(), files.end());
        return files;
    }

    // One drawing and its erasure per file: the file percentage before it, the byte percentage with it.
    static std::string sample_progress() {
        const auto files = sample_files();
        std::size_t total = 0;
        for (const auto& f : files) total += f.second;
        std::string text;
        std::size_t done = 0;
        for (std::size_t i = 0; i < files.size(); ++i) {
            done += files[i].second;
            const std::string line =
                t::progress_drawing(static_cast<int>(100 * i / files.size()),
                                    static_cast<int>(done * 100.0 / total), files[i].first);
            text += line + t::progress_erasure(line.size());
        }
        return text;
    }

    temp_dir dir;
    std::string image = dir / "vorna-setup";
};

TEST_F(SampleInstaller, RunsAsItsOwnProgramWithTheExactWelcomeScreen) {
    struct stat info {};
    ASSERT_EQ(stat(image.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0755u);

    const std::string target = dir / "target";
    process_options options;
    // Answers in other words than answers_to_install, then No to each location warning.
    const std::string typed = "yes\nNext\naccept\nno\n" + target + "\n";
    options.input = typed + location_answers(target) + "n\n";
    const auto r = run_process(image, {image}, options);
    expect_clean_exit(r);
    EXPECT_EQ(r.err, t::welcome("VORNA 1.0 for Linux x86-64", "231114.221320") + t::NEXT_CANCEL +
                         t::NEXT_CANCEL + LICENSE_DISPLAY + LICENSE_ASK +
                         t::directory_header("VORNA", "1.0", required_mib()) +
                         t::default_directory(t::DEFAULT_TARGET) + t::USE_DEFAULT + t::ENTER_DIRECTORY +
                         t::location_warnings(target) + t::INSTALLING + sample_progress() +
                         t::FILES_INSTALLED + t::BACK_NEXT_CANCEL + t::COMPLETE);
    // The installed tree is the sample itself: same files, bytes, times and permission bits.
    for (const auto& [name, size] : sample_files()) {
        EXPECT_EQ(read_file(target + "/" + name), read_file(std::string(SAMPLE_PRODUCT_DIR) + "/" + name))
            << name;
        struct stat source {
        }, installed{};
        stat((std::string(SAMPLE_PRODUCT_DIR) + "/" + name).c_str(), &source);
        stat((target + "/" + name).c_str(), &installed);
        EXPECT_EQ(installed.st_mtime, source.st_mtime) << name;
        EXPECT_EQ(installed.st_mode & 07777, source.st_mode & 0777) << name;
    }
}

TEST_F(SampleInstaller, ListAndVerifyAcceptItAndVerifyRejectsADamagedCopy) {
    const auto listed = run_process(MKINSTALLER_PATH, {"mkinstaller", "list", image});
    EXPECT_EQ(listed.exit_code, 0) << listed.err;
    for (const char* name : {"VORNADST.TXT", "VORNARLS.TXT", "VORNA.HTM", "include/vorna.h", "src/vorna.c"}) {
        EXPECT_NE(listed.out.find(name), std::string::npos) << name;
    }
    const auto verified = run_process(MKINSTALLER_PATH, {"mkinstaller", "verify", image});
    EXPECT_EQ(verified.exit_code, 0) << verified.err;

    std::string bytes = read_file(image);
    bytes[bytes.size() - 10] ^= 0x01;  // inside the last file's bytes
    write_file(dir / "damaged", bytes);
    const auto rejected = run_process(MKINSTALLER_PATH, {"mkinstaller", "verify", dir / "damaged"});
    EXPECT_EQ(rejected.exit_code, 1);
    EXPECT_NE(rejected.err.find("Corrupted file(s) (err=4)."), std::string::npos) << rejected.err;
}

}  // namespace
