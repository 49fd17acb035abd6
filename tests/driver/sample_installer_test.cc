// End to end: the sample product packed by mkinstaller into a real installer, run as a person would.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "support/installer_run.h"
#include "support/installer_texts.h"

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

    temp_dir dir;
    std::string image = dir / "vorna-setup";
};

TEST_F(SampleInstaller, RunsAsItsOwnProgramWithTheExactWelcomeScreen) {
    struct stat info {};
    ASSERT_EQ(stat(image.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0755u);

    process_options options;
    options.input = "yes\nNext\naccept\n" + (dir / "target") + "\nn\n";
    const auto r = run_process(image, {image}, options);
    expect_clean_exit(r);
    EXPECT_EQ(r.err, t::welcome("VORNA 1.0 for Linux x86-64", "231114.221320") + t::NEXT_CANCEL +
                         t::NEXT_CANCEL + t::LICENSE_QUESTION + t::LICENSE_PROMPT + t::ENTER_DIRECTORY +
                         t::INSTALLING + t::FILES_INSTALLED + t::BACK_NEXT_CANCEL + t::COMPLETE);
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
