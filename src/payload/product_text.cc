// The build stamp and the space figure of the product lines, formatted for both programs.
#include "payload/product_text.h"

#include <algorithm>
#include <cstdio>

namespace payload {
namespace {

constexpr std::int64_t SECONDS_PER_DAY = 86400;

struct utc_parts {
    std::int64_t year;
    int month;  // 1 to 12
    int day;    // 1 to 31
    int hour;
    int minute;
    int second;
};

// Breaks a count of seconds since 1970-01-01 00:00:00 UTC down by integer arithmetic alone, so that the
// installer reads no time-zone file or variable. The date follows the proleptic Gregorian calendar in
// 400-year eras of 146097 days, each counted from a 1 March so that the leap day ends its year.
utc_parts break_down_utc(std::int64_t seconds) {
    std::int64_t days = seconds / SECONDS_PER_DAY;
    std::int64_t time_of_day = seconds % SECONDS_PER_DAY;
    if (time_of_day < 0) {
        time_of_day += SECONDS_PER_DAY;
        --days;
    }
    const std::int64_t from_march_0000 = days + 719468;  // days from 0000-03-01 to 1970-01-01
    const std::int64_t era = (from_march_0000 >= 0 ? from_march_0000 : from_march_0000 - 146096) / 146097;
    const std::int64_t day_of_era = from_march_0000 - era * 146097;  // [0, 146096]
    const std::int64_t year_of_era =
        (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;  // [0, 399]
    const std::int64_t day_of_year = day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
    const std::int64_t month_from_march = (5 * day_of_year + 2) / 153;  // [0, 11], March first
    utc_parts parts{};
    parts.day = static_cast<int>(day_of_year - (153 * month_from_march + 2) / 5 + 1);
    parts.month = static_cast<int>(month_from_march < 10 ? month_from_march + 3 : month_from_march - 9);
    parts.year = year_of_era + era * 400 + (parts.month <= 2 ? 1 : 0);
    parts.hour = static_cast<int>(time_of_day / 3600);
    parts.minute = static_cast<int>(time_of_day / 60 % 60);
    parts.second = static_cast<int>(time_of_day % 60);
    return parts;
}

}  // namespace

product_text build_stamp(std::int32_t build_time) {
    const utc_parts parts = break_down_utc(build_time);
    // Years since 1900 modulo 100, as C's remainder gives it: a signed 32-bit time lies in 1901 to 2038,
    // so the count is never negative.
    const int year_digits = static_cast<int>((parts.year - 1900) % 100);
    product_text text{};
    std::snprintf(text.data(), text.size(), " (build %.2d%.2d%.2d.%.2d%.2d%.2d) ", year_digits, parts.month,
                  parts.day, parts.hour, parts.minute, parts.second);
    return text;
}

product_text utc_text(std::int64_t seconds) {
    const utc_parts parts = break_down_utc(seconds);
    product_text text{};
    std::snprintf(text.data(), text.size(), "%04lld-%02d-%02d %02d:%02d:%02d",
                  static_cast<long long>(parts.year), parts.month, parts.day, parts.hour, parts.minute,
                  parts.second);
    return text;
}

product_text space_line(std::uint32_t required_space, bool update) {
    constexpr std::uint32_t BYTES_PER_MIB = 1U << 20;
    if (update && required_space < BYTES_PER_MIB) {
        const double kibibytes = required_space == 0 ? 0.0 : std::max(required_space / 1024.0, 0.1);
        product_text text{};
        std::snprintf(text.data(), text.size(), "requiring approximately %.1f KiByte of space.", kibibytes);
        return text;
    }
    const float mebibytes = static_cast<float>(required_space) * PRODUCT_MIB_PER_BYTE;
    product_text text{};
    std::snprintf(text.data(), text.size(), "requiring approximately %.3f MiByte of space.",
                  static_cast<double>(mebibytes));
    return text;
}

}  // namespace payload
