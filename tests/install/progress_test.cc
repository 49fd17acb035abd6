// The progress line's exact bytes: drawing, skipping an unchanged drawing, redrawing over the old line,
// erasing it, and shortening long names.
#include "install/progress.h"

#include <gtest/gtest.h>

#include "install_harness.h"

namespace {

using install::show_progress;
using install_test::erasure;
using testing_support::run_in_child;

std::string written_by(int (*calls)()) {
    return run_in_child(calls).err;
}

TEST(Progress, DrawsPercentagesFileFirstThenTheName) {
    EXPECT_EQ(written_by([] { return show_progress("inc/header.h", 12, 3); }), "  3%  12%  inc/header.h ");
    EXPECT_EQ(written_by([] { return show_progress("a", 100, 1000); }), "1000% 100%  a ");
}

TEST(Progress, AnUnchangedDrawingIsSkippedAndAChangedOneRedrawnOverTheOld) {
    EXPECT_EQ(written_by([] {
                  show_progress("a.h", 5, 0);
                  show_progress("a.h", 5, 0);
                  show_progress("b.h", 5, 0);  // same numbers, another name
                  show_progress("b.h", 6, 0);
                  return 0;
              }),
              "  0%   5%  a.h " + std::string(15, '\b') + "  0%   5%  b.h " + std::string(15, '\b') +
                  "  0%   6%  b.h ");
}

TEST(Progress, AnEraseBlanksEveryCharacterAndForgetsTheDrawing) {
    EXPECT_EQ(written_by([] {
                  show_progress(nullptr, 0, 0);  // nothing drawn: nothing to erase
                  show_progress("a.h", 5, 0);
                  show_progress(nullptr, 0, 0);
                  show_progress(nullptr, 0, 0);
                  show_progress("a.h", 5, 0);  // the same drawing again, but after an erase
                  return 0;
              }),
              "  0%   5%  a.h " + erasure(15) + "  0%   5%  a.h ");
}

TEST(Progress, NamesBeyond40CharactersAreShortenedFromIndex40) {
    struct name_case {
        const char* name;
        const char* shown;
    };
    const name_case cases[] = {
        {"docs/reference/chapter_seven/section_three/figures/plot.png", ".../figures/plot.png"},
        {"docs/reference/chapter_seven/section_three_figure_plot.png", "...ee_figure_plot.png"},
        {"0123456789012345678901234567890123456789", "0123456789012345678901234567890123456789"},
        {"0123456789012345678901234567890123456789/x", ".../x"},
        {"0123456789012345678901234567890123456789\\x", "...\\x"},
        {"01234567890123456789012345678901234567/9ab",
         "...ab"},  // a separator before index 40 does not count
        {"0123456789012345678901234567890123456789a\\b/c", "...\\b/c"},
    };
    for (const auto& c : cases) {
        const auto r = run_in_child([&] { return show_progress(c.name, 12, 3); });
        EXPECT_EQ(r.err, std::string("  3%  12%  ") + c.shown + " ") << c.name;
    }
}

}  // namespace
