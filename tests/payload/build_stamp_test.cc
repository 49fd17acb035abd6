// The build stamp's calendar arithmetic against the C library's gmtime_r over the whole signed 32-bit
// range: negative times, the years before 1970, leap days and centuries, and both ends of the range.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <limits>
#include <string>

#include "payload/product_text.h"

namespace {

std::string stamp_by_gmtime(std::int32_t seconds) {
    const std::time_t t = seconds;
    std::tm parts{};
    if (gmtime_r(&t, &parts) == nullptr) return "gmtime_r failed";
    char text[64];
    std::snprintf(text, sizeof text, " (build %.2d%.2d%.2d.%.2d%.2d%.2d) ", parts.tm_year % 100,
                  parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec);
    return text;
}

std::string stamp(std::int32_t seconds) {
    return payload::build_stamp(seconds).data();
}

TEST(BuildStamp, EdgesOfTheRangeAndOfDays) {
    constexpr std::int32_t lowest = std::numeric_limits<std::int32_t>::min();
    constexpr std::int32_t highest = std::numeric_limits<std::int32_t>::max();
    EXPECT_EQ(stamp(lowest), " (build 011213.204552) ");
    EXPECT_EQ(stamp(highest), " (build 380119.031407) ");
    EXPECT_EQ(stamp(-1), " (build 691231.235959) ");
    EXPECT_EQ(stamp(0), " (build 700101.000000) ");
    EXPECT_EQ(stamp(1700000000), " (build 231114.221320) ");
    EXPECT_EQ(stamp(951782400), " (build 000229.000000) ");  // 2000: a century, and a leap year
    EXPECT_EQ(stamp(-58060800), " (build 680229.000000) ");
    for (const std::int32_t t :
         {lowest, lowest + 1, highest, highest - 1, -86401, -86400, -86399, -1, 0, 1, 86399, 86400,
          -2077747200, -58060800, -2146003200, 946684799, 946684800, 2087856000})
        EXPECT_EQ(stamp(t), stamp_by_gmtime(t)) << t;
}

TEST(BuildStamp, EqualsGmtimeAcrossTheRange) {
    // A stride prime to the day and the minute visits every time of day and every date's neighbourhood.
    constexpr std::int64_t stride = 86400LL * 7 + 3607;
    for (std::int64_t t = std::numeric_limits<std::int32_t>::min();
         t <= std::numeric_limits<std::int32_t>::max(); t += stride) {
        const auto seconds = static_cast<std::int32_t>(t);
        ASSERT_EQ(stamp(seconds), stamp_by_gmtime(seconds)) << seconds;
    }
}

}  // namespace
