// The welcome screen: the product line from the header's text fields and the UTC build stamp.
#include <gtest/gtest.h>

#include "support/installer_run.h"
#include "support/installer_texts.h"

namespace {

using namespace testing_support;
namespace t = testing_support::texts;

std::string welcome_of(const test_payload& payload) {
    temp_dir dir;
    const std::string err = dialogue(write_installer(dir / "setup.bin", payload), "c\n");
    EXPECT_TRUE(err.ends_with(t::NEXT_CANCEL + t::TERMINATED)) << err;
    return err.substr(0, err.size() - (t::NEXT_CANCEL + t::TERMINATED).size());
}

TEST(Welcome, ShowsTheProductLineAndTheBuildStampInUtc) {
    EXPECT_EQ(welcome_of(test_payload{}),
              "\n\nKAVO(R) Software Installation\n\nThanks for purchasing KAVO(R) imaging products.\n\n"
              "Let's install  VORNA 1.0 for Linux software! (build 231114.221320) !\n");
}

TEST(Welcome, EveryStampFieldHasTwoDigits) {
    struct stamp_case {
        std::int32_t build_time;
        const char* stamp;
    };
    const stamp_case cases[] = {
        {946782245, "000102.030405"},   // 2000-01-02 03:04:05: the year shows as 00
        {0, "700101.000000"},           // the epoch itself
        {-1, "691231.235959"},          // a signed count: one second before the epoch
        {INT32_MIN, "011213.204552"},   // 1901-12-13 20:45:52
        {INT32_MAX, "380119.031407"},   // 2038-01-19 03:14:07
        {1234567890, "090213.233130"},  // 2009-02-13 23:31:30
    };
    for (const auto& c : cases) {
        test_payload payload;
        payload.build_time = c.build_time;
        EXPECT_EQ(welcome_of(payload), t::welcome("VORNA 1.0 for Linux", c.stamp)) << c.build_time;
    }
}

TEST(Welcome, TextFieldsAreShownAsTheyAreUpTo64Bytes) {
    test_payload payload;
    payload.product = "Vorna Pro";
    payload.version = "";
    payload.platform = "x%s%n";  // not a format
    EXPECT_EQ(welcome_of(payload), t::welcome("Vorna Pro  x%s%n", "231114.221320"));

    // Fields filled to the brim have no NUL: each stops at its 64th byte.
    payload.product = std::string(64, 'P');
    payload.version = std::string(64, 'V');
    payload.platform = std::string(64, 'L');
    EXPECT_EQ(welcome_of(payload),
              t::welcome(std::string(64, 'P') + " " + std::string(64, 'V') + " " + std::string(64, 'L'),
                         "231114.221320"));
}

}  // namespace
