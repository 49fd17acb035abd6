// Standard streams the environment hands over closed, full or broken: the installer must still install
// exactly the payload's bytes and end with exit status 0, never by a signal.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/installer_run.h"
#include "support/installer_texts.h"
#include "support/target_fixture.h"

namespace {

using namespace testing_support;
namespace t = testing_support::texts;

class StandardStreams : public target_fixture {
  protected:
    // Over 8192 bytes and compressed, so that progress is drawn while the file is open.
    std::string big = std::string(20000, 'q');
    std::string image = [this] {
        test_payload p;
        p.entries = {repeated_byte_entry("big.bin", 'q', 20000),
                     {.name = "doc/readme.txt", .data = "read me\n"}};
        return write_installer(dir / "setup.bin", p);
    }();

    // A full installation's answers, with `setup` changing the streams.
    template <typename Setup>
    process_result run(Setup setup) {
        process_options options;
        setup(options);
        options.input = answers_to_install(target) + "n\n";
        return run_process(INSTALLER_PATH, {image}, options);
    }
    void expect_installed(const process_result& r) {
        expect_clean_exit(r);
        const std::string installed = read_file(target + "/big.bin");
        EXPECT_TRUE(installed == big) << "big.bin holds " << installed.size() << " bytes";
        EXPECT_EQ(read_file(target + "/doc/readme.txt"), "read me\n");
    }
};

TEST_F(StandardStreams, ClosedStandardErrorAndOutputNeverLendTheirNumbersToInstalledFiles) {
    // With 1 and 2 closed, the installer's own file would take 1 and the first installed file 2, and the
    // progress drawn while it is open would land among its bytes.
    expect_installed(run([](process_options& o) {
        o.close_stdout = true;
        o.close_stderr = true;
    }));
}

TEST_F(StandardStreams, ClosedStandardErrorAloneInstallsEverything) {
    expect_installed(run([](process_options& o) { o.close_stderr = true; }));
}

TEST_F(StandardStreams, AFullStandardErrorInstallsEverything) {
    expect_installed(run([](process_options& o) { o.stderr_path = "/dev/full"; }));
}

TEST_F(StandardStreams, AStandardErrorPipeWithoutReaderIsNoSignal) {
    expect_installed(run([](process_options& o) { o.stderr_broken_pipe = true; }));
}

TEST_F(StandardStreams, ClosedStandardInputStillCancelsWithNothingInstalled) {
    const auto r = run_process(INSTALLER_PATH, {image}, {.close_stdin = true});
    expect_clean_exit(r);
    EXPECT_TRUE(r.err.ends_with(t::NEXT_CANCEL + t::TERMINATED)) << r.err;
    EXPECT_FALSE(std::filesystem::exists(target));
}

}  // namespace
