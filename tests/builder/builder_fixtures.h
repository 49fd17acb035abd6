// The fixtures of the mkinstaller tests that run it as a program: building a tree of the test's own with
// a fake stub, and extracting an installer into a fresh directory.
#pragma once

#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "builder_test_util.h"
#include "support/installer_run.h"
#include "support/temp_dir.h"

namespace builder_test {

// A fake stub and an empty output directory; the test fills `source` (its last component, "vorna", is
// the default product name).
class stub_build_fixture : public ::testing::Test {
  protected:
    static constexpr std::size_t STUB_SIZE = FAKE_STUB_SIZE;

    testing_support::temp_dir dir;
    std::string source = dir / "src/vorna";
    std::string stub = dir / "stub";
    std::string output = dir / "out/setup";

    void SetUp() override {
        testing_support::write_file(stub, fake_stub(STUB_SIZE));
        std::filesystem::create_directories(dir / "out");
    }

    // build --stub `stub` `options` `source` `output`.
    std::vector<std::string> build_args(const std::vector<std::string>& options) const {
        std::vector<std::string> args = {"build", "--stub", stub};
        args.insert(args.end(), options.begin(), options.end());
        args.insert(args.end(), {source, output});
        return args;
    }
    testing_support::process_result build(const std::vector<std::string>& options,
                                          std::vector<std::string> env = {}) const {
        return run_mkinstaller(build_args(options), std::move(env));
    }
};

// An output directory `out` that extract creates, and hand-made installers written beside it.
class extract_fixture : public ::testing::Test {
  protected:
    testing_support::temp_dir dir;
    std::string out = dir / "out";

    std::string installer_of(const testing_support::test_payload& payload) {
        return testing_support::write_installer(dir / "setup", payload);
    }

    // What lstat says of `path`, failing the test where it says nothing.
    static struct stat lstat_of(const std::string& path) {
        struct stat st {};
        EXPECT_EQ(lstat(path.c_str(), &st), 0) << path;
        return st;
    }
    static mode_t mode_of(const std::string& path) { return lstat_of(path).st_mode & 07777; }
};

}  // namespace builder_test
