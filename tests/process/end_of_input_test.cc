// Standard input that ends anywhere in a whole installation's answers, between lines or within one, at
// every prompt and in the licence's slow display: the installer never waits for more, cancels unless the
// answer it was reading was already given, and installs nothing unless it got as far as the installation.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/installer_run.h"
#include "support/installer_texts.h"

namespace {

using namespace testing_support;
namespace t = testing_support::texts;

TEST(EndOfInput, AnywhereInTheAnswersCancelsOrFinishesNeverWaits) {
    temp_dir dir;
    test_payload p;
    p.entries = {{.name = "readme.txt", .data = "r"}};
    const std::string image = write_installer(dir / "setup.bin", p);
    const std::string target = dir / "target";
    std::filesystem::create_directories(target);  // so that the existing-directory warning asks too
    // Welcome, a slow display (one Enter per line), licence, default, typed directory, the location
    // warning, the existing-directory warning, "Files installed!".
    const std::string slow = "s\n" + std::string(t::LICENSE_LINES, '\n');
    const std::string answers = "n\n" + slow + "a\n" + "n\n" + target + "\n" + "n\n" + "n\n" + "n\n";
    const std::size_t install_reached = answers.size() - 3;  // the whole answer at the warning ("n")
    for (std::size_t length = 0; length <= answers.size(); ++length) {
        std::filesystem::remove(target + "/readme.txt");
        const auto r = run_installer(image, {}, answers.substr(0, length));
        SCOPED_TRACE("input ends after " + std::to_string(length) + " bytes");
        expect_clean_exit(r);
        const bool finished = length >= answers.size() - 1;  // "n" without its line feed still answers
        EXPECT_TRUE(r.err.ends_with(finished ? t::COMPLETE : t::TERMINATED))
            << r.err.substr(r.err.size() - 60);
        EXPECT_EQ(std::filesystem::exists(target + "/readme.txt"), length >= install_reached);
    }
}

}  // namespace
