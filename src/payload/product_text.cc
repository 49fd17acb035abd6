// The build stamp and the space figure of the product lines, formatted for both programs.
#include "payload/product_text.h"

#include <cstdio>
#include <ctime>

namespace payload {

product_text build_stamp(std::int32_t build_time) {
    const std::time_t t = build_time;
    std::tm parts{};
    gmtime_r(&t, &parts);
    product_text text{};
    std::snprintf(text.data(), text.size(), " (build %.2d%.2d%.2d.%.2d%.2d%.2d) ", parts.tm_year % 100,
                  parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec);
    return text;
}

product_text space_line(std::uint32_t required_space) {
    const float mebibytes = static_cast<float>(required_space) * PRODUCT_MIB_PER_BYTE;
    product_text text{};
    std::snprintf(text.data(), text.size(), "requiring approximately %.3f MiByte of space.",
                  static_cast<double>(mebibytes));
    return text;
}

}  // namespace payload
