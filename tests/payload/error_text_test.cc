// The stub's error texts against strerror of the glibc system running the test.
#include <climits>
#include <cstring>

#include <gtest/gtest.h>

#include "payload/error_text.h"

namespace {

TEST(ErrorText, EachNumberReadsAsGlibcWordsIt) {
    // 0..133 is the table (holes included); the rest are the "Unknown error N" fallback.
    for (int errnum = -1; errnum <= 140; ++errnum)
        EXPECT_STREQ(payload::error_text(errnum), std::strerror(errnum)) << errnum;
    for (int errnum : {4095, 1000000, -4095, INT_MAX, INT_MIN})
        EXPECT_STREQ(payload::error_text(errnum), std::strerror(errnum)) << errnum;
}

}  // namespace
