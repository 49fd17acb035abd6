// The header lines of the directory screen: product and version, and the required space in MiByte as
// earlier releases computed it, in single precision.
#include <gtest/gtest.h>

#include "screen_run.h"
#include "support/installer_texts.h"

namespace {

using namespace testing_support;
namespace t = testing_support::texts;

std::string header_for(const screen_setup& setup) {
    return run_screen("", setup).err;  // the input ends at the entry line
}

TEST(SpaceFigure, IsPrintedWithThreeDecimalsFromASinglePrecisionProduct) {
    struct figure_case {
        std::uint32_t required_space;
        const char* shown;
    };
    const figure_case cases[] = {
        {0, "0.000"},
        {1, "0.000"},
        {524288, "0.500"},
        {1048576, "1.000"},
        {1572864, "1.500"},
        {4294967295u, "4096.000"},
        // In double precision this would print 2048.001; a float cannot hold the last 600 bytes.
        {2147484248u, "2048.000"},
    };
    for (const auto& c : cases) {
        screen_setup setup;
        setup.required_space = c.required_space;
        EXPECT_EQ(header_for(setup), t::directory_header("VORNA", "1.0", c.shown) + t::ENTER_DIRECTORY)
            << c.required_space;
    }
}

TEST(SpaceFigure, ProductAndVersionAreShownAsTheyAreUpTo64Bytes) {
    screen_setup setup;
    setup.product = "Vorna%s";
    setup.version = "";
    EXPECT_EQ(header_for(setup), t::directory_header("Vorna%s", "") + t::ENTER_DIRECTORY);
    // Fields filled to the brim have no NUL: each stops at its 64th byte.
    setup.product = std::string(64, 'P');
    setup.version = std::string(64, 'V');
    EXPECT_EQ(header_for(setup),
              t::directory_header(std::string(64, 'P'), std::string(64, 'V')) + t::ENTER_DIRECTORY);
}

}  // namespace
