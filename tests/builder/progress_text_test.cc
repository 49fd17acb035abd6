// The texts a person reads at a terminal: sizes, ratios, the bar and the summary. Wrong units or a bar
// that overflows its brackets would mislead; an empty tree must not divide by zero.
#include <gtest/gtest.h>

#include "builder/pack/progress_bar.h"

namespace {

using namespace builder;

TEST(ProgressText, SizesUseBinaryUnitsWithOneDecimal) {
    EXPECT_EQ(size_text(0), "0 B");
    EXPECT_EQ(size_text(1023), "1023 B");
    EXPECT_EQ(size_text(1024), "1.0 KiB");
    EXPECT_EQ(size_text(1536), "1.5 KiB");
    EXPECT_EQ(size_text(5u << 20), "5.0 MiB");
    EXPECT_EQ(size_text(0xFFFFFFFFull), "4.0 GiB");
}

TEST(ProgressText, RatioIsStoredOverInputOrADashForNoInput) {
    EXPECT_EQ(ratio_text(412, 1000), "41.2%");
    EXPECT_EQ(ratio_text(0, 0), "-");
    EXPECT_EQ(ratio_text(1000, 1000), "100.0%");
}

TEST(ProgressText, BarFillsWithTheBytesOrWithTheEntriesOfAnEmptyTree) {
    EXPECT_EQ(progress_text({.entries_done = 1,
                             .entries_total = 4,
                             .bytes_in = 512,
                             .bytes_total = 2048,
                             .bytes_stored = 256}),
              "[#####...............]  1/4 entries  512 B/2.0 KiB  ratio 50.0%");
    EXPECT_EQ(progress_text({.entries_done = 2, .entries_total = 2}),
              "[####################]  2/2 entries  0 B/0 B  ratio -");
    EXPECT_EQ(progress_text({}), "[####################]  0/0 entries  0 B/0 B  ratio -");
    // Files of /proc read longer than the scan counted: the bar stays full.
    EXPECT_EQ(progress_text({.entries_done = 1, .entries_total = 1, .bytes_in = 300, .bytes_total = 100}),
              "[####################]  1/1 entries  300 B/100 B  ratio 0.0%");
}

TEST(ProgressText, SummaryNamesEntriesSizesRatioAndTime) {
    // The size shown and the ratio beside it are of the same bytes: 1.5 MiB of 3 MiB is 50%, whatever
    // the header and records add to the payload.
    const build_summary summary{.file_count = 40,
                                .total_size = 3 << 20,
                                .total_stored_size = 3 << 19,
                                .payload_size = (3 << 19) + (700 << 10)};
    EXPECT_EQ(summary_text(summary, 0.84),
              "packed 40 entries: 3.0 MiB in, 1.5 MiB stored (ratio 50.0%) in 0.8 s");
}

}  // namespace
