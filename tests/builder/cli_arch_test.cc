// build --arch run as a program from a copy of mkinstaller with both stubs beside it: the other
// architecture's stub is picked by its name, verify takes it as shipped, info and list name its
// architecture; a stub for another machine and an unknown --arch are refused before anything is written.
#include <gtest/gtest.h>

#include <filesystem>

#include "builder/format/stub_architecture.h"
#include "builder_test_util.h"
#include "support/elf_head.h"

namespace {

using namespace builder_test;

const builder::architecture& other_architecture() {
    for (const auto& arch : builder::ARCHITECTURES)
        if (arch.name != builder::OWN_ARCHITECTURE) return arch;
    throw std::logic_error("one architecture only");
}

TEST(CliArch, OtherStubPickedByNameVerifiedAndNamedMismatchRefused) {
    const temp_dir dir;
    const builder::architecture& other = other_architecture();
    const std::string arch(other.name);
    const std::string bin = dir / "bin";
    std::filesystem::create_directories(bin);
    std::filesystem::copy_file(MKINSTALLER_PATH, bin + "/mkinstaller");
    std::filesystem::copy_file(INSTALLER_PATH, bin + "/installer");
    write_file(bin + "/installer-" + arch,
               testing_support::with_elf_head(read_file(INSTALLER_PATH), other.machine));
    std::filesystem::permissions(bin + "/installer-" + arch, std::filesystem::perms::owner_all);
    write_file(dir / "src/readme.txt", "read me\n");
    const auto run = [&](const std::vector<std::string>& args) {
        std::vector<std::string> argv{"mkinstaller"};
        argv.insert(argv.end(), args.begin(), args.end());
        return testing_support::run_process(bin + "/mkinstaller", argv, {});
    };

    const std::string setup = dir / "setup";
    auto r = run({"build", "--quiet", "--arch", arch, dir / "src", setup});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(read_file(setup).compare(0, 64, testing_support::elf_head(other.machine)), 0);
    r = run({"verify", setup});
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_NE(run({"info", setup}).out.find("\narchitecture: " + arch + "\n"), std::string::npos);
    EXPECT_NE(run({"list", "--json", setup}).out.find("\n  \"architecture\": \"" + arch + "\",\n"),
              std::string::npos);

    const std::string refused = dir / "refused";
    r = run({"build", "--arch", arch, "--stub", bin + "/installer", dir / "src", refused});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find("the stub \"" + bin + "/installer\" is for " +
                         std::string(builder::OWN_ARCHITECTURE) + ", not " + arch),
              std::string::npos)
        << r.err;
    r = run({"build", "--arch", "arm", dir / "src", refused});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find("--arch takes x86-64 or aarch64, not \"arm\""), std::string::npos) << r.err;
    EXPECT_FALSE(path_exists(refused));
}

}  // namespace
