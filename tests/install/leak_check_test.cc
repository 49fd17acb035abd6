// A whole installation under valgrind's leak check: every buffer of every entry, the codec contexts, the
// joined paths and the progress line's copy of the name are released, and no byte is read uninitialised.
// valgrind cannot follow the allocations of a static program, so this runs a dynamically linked build of
// the installer; the test is skipped where valgrind is missing and under the sanitizers.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "support/installer_run.h"
#include "support/installer_texts.h"

namespace {

using namespace testing_support;

TEST(LeakCheck, AFullInstallationUnderValgrindLeaksNothing) {
    if (std::string(VALGRIND_PATH).empty()) GTEST_SKIP() << "valgrind is not installed";
    temp_dir dir;
    test_payload p;
    p.entries = {repeated_byte_entry("data/big.bin", 'v', 20000),
                 {.name = "doc/readme.txt", .data = "read me\n"},
                 {.name = "old.txt", .method = 2},
                 {.name = "doc/readme.txt", .data = "again\n"}};
    const std::string stub = read_file(DYNAMIC_INSTALLER_PATH);
    const std::string image = dir / "setup";
    write_file(image, installer_image(stub, payload_bytes(p), (stub.size() + 1023) / 1024 * 1024));
    chmod(image.c_str(), 0755);
    const std::string target = dir / "target";
    const std::string log = dir / "valgrind.log";

    process_options options;
    options.input = answers_to_install(target) + "n\n";
    options.timeout_seconds = 120;
    const auto r =
        run_process(VALGRIND_PATH,
                    {VALGRIND_PATH, "--leak-check=full", "--errors-for-leak-kinds=definite,possible",
                     "--error-exitcode=99", "--log-file=" + log, image},
                    options);
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(r.exit_code, 0) << read_file(log);
    EXPECT_TRUE(r.err.ends_with(texts::COMPLETE)) << r.err;
    EXPECT_EQ(read_file(target + "/data/big.bin"), std::string(20000, 'v'));
    EXPECT_EQ(read_file(target + "/doc/readme.txt"), "again\n");
}

}  // namespace
