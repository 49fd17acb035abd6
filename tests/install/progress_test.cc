// The progress line's exact bytes: drawing, skipping an unchanged drawing, redrawing over the old line,
// erasing it, shortening long names, and which of them share a write.
#include "install/progress.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

#include "install/progress_seam.h"
#include "install_harness.h"
#include "support/pseudo_terminal.h"

namespace {

using install::show_finished_progress;
using install::show_progress;
using install_test::drawing;
using install_test::erasure;
using testing_support::run_in_child;

std::string written_by(int (*calls)()) {
    return run_in_child(calls).err;
}

// Every write to standard error, one apiece: the calls run in a child whose standard error is a
// sequenced-packet socket, which keeps the boundaries of writes.
std::vector<std::string> writes_of(void (*calls)()) {
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_SEQPACKET, 0, ends) != 0) ADD_FAILURE() << "socketpair";
    const pid_t child = fork();
    if (child == 0) {
        dup2(ends[1], 2);
        calls();
        _exit(0);
    }
    close(ends[1]);
    int status = 0;
    waitpid(child, &status, 0);
    std::vector<std::string> writes;
    static char message[1 << 17];
    for (ssize_t n; (n = recv(ends[0], message, sizeof message, 0)) > 0;) writes.emplace_back(message, n);
    close(ends[0]);
    return writes;
}

TEST(Progress, DrawsPercentagesFileFirstThenTheName) {
    EXPECT_EQ(written_by([] {
                  show_progress("inc/header.h", 12, 3);
                  return 0;
              }),
              "  3%  12%  inc/header.h ");
    EXPECT_EQ(written_by([] {
                  show_progress("a", 100, 1000);
                  return 0;
              }),
              "1000% 100%  a ");
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

TEST(Progress, AFinishedDrawingSharesOneWriteWithItsEraseWhileOthersLeaveAtOnce) {
    const std::vector<std::string> writes = writes_of([] {
        show_progress(nullptr, 0, 0);
        show_progress("a.h", 5, 0);  // between chunks: the terminal must see it before decoding goes on
        show_finished_progress("a.h", 9, 0);
        show_finished_progress("b.h", 10, 50);
    });
    EXPECT_EQ(writes, (std::vector<std::string>{drawing(0, 5, "a.h"),
                                                std::string(15, '\b') + drawing(0, 9, "a.h") + erasure(15),
                                                drawing(50, 10, "b.h") + erasure(15)}));
    // Backspaces, a redrawing and its erase beyond the buffer go out in pieces, with the same bytes.
    const std::vector<std::string> pieces = writes_of([] {
        const std::string name(4000, 'n');
        show_progress(name.c_str(), 0, 2);
        show_finished_progress(name.c_str(), 1, 2);
    });
    std::string joined;
    for (const std::string& piece : pieces) joined += piece;
    const std::string text = "..." + std::string(3960, 'n') + " ";
    const std::string redrawn = std::string(3975, '\b') + "  2%   1%  " + text + erasure(3975);
    EXPECT_GT(pieces.size(), 2u);
    EXPECT_TRUE(joined == "  2%   0%  " + text + redrawn);  // too long to print usefully
}

std::int64_t fake_ms = 0;

TEST(Progress, GatheredDrawingsLeaveOnceTheyWaitedATenthOfASecond) {
    const std::vector<std::string> writes = writes_of([] {
        install::set_progress_clock([] { return fake_ms; });
        fake_ms = 1000;
        install::gather_progress(true);
        show_progress("a.h", 5, 0);
        fake_ms = 1099;
        show_progress(nullptr, 0, 0);
        fake_ms = 1100;
        show_finished_progress("b.h", 9, 50);  // the drawing waits for its erase, then both leave
        fake_ms = 1150;
        show_progress("c.h", 10, 50);
        fake_ms = 1199;
        show_progress("c.h", 11, 50);
        fake_ms = 1200;
        show_progress("c.h", 12, 50);
        fake_ms = 5000;
        show_progress("c.h", 12, 50);  // unchanged: nothing added, nothing leaves
        install::gather_progress(false);
    });
    const std::string back = std::string(15, '\b');
    EXPECT_EQ(writes,
              (std::vector<std::string>{
                  drawing(0, 5, "a.h") + erasure(15) + drawing(50, 9, "b.h") + erasure(15),
                  drawing(50, 10, "c.h") + back + drawing(50, 11, "c.h") + back + drawing(50, 12, "c.h"),
              }));
}

TEST(Progress, OnItsForegroundTerminalEveryCallWaitsForTheTerminal) {
    // The process is the foreground job of the terminal on its standard error: a drawing, an unchanged
    // one and the erases each wait. (A job in the background waits for none: tests/driver/terminal_test.cc.)
    testing_support::pseudo_terminal terminal;
    const auto r = run_in_child([&] {
        const int slave = terminal.make_controlling();
        if (slave < 0 || dup2(slave, 2) < 0) return 100;
        const unsigned before = install::progress_drains();
        show_progress(nullptr, 0, 0);
        show_progress("a.h", 5, 0);
        show_progress("a.h", 5, 0);
        show_finished_progress("a.h", 9, 0);
        return static_cast<int>(install::progress_drains() - before);
    });
    EXPECT_EQ(r.exit_code, 5);
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
        const auto r = run_in_child([&] {
            show_progress(c.name, 12, 3);
            return 0;
        });
        EXPECT_EQ(r.err, std::string("  3%  12%  ") + c.shown + " ") << c.name;
    }
}

}  // namespace
