// The risk: gathering the progress line's drawings into few writes, off a terminal, changes their bytes
// or lets a report overtake them. One installation that finishes small files, draws between the chunks of
// a large compressed file and ends in a failure runs with standard error on a terminal, where every
// drawing leaves by itself, and on a sequenced-packet socket, which keeps the boundaries of writes: the
// bytes must agree, and the socket must have had the drawings in a write or two.
#include <sys/socket.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <span>

#include <gtest/gtest.h>

#include "encoder/encoder.h"
#include "install/install_files.h"
#include "install/progress_seam.h"
#include "install_harness.h"
#include "support/install_in_child.h"
#include "support/pseudo_terminal.h"

namespace {

using namespace testing_support;

test_payload drawing_payload() {
    test_payload p;
    for (int i = 0; i < 20; ++i) p.entries.push_back({.name = "small/" + std::to_string(i), .data = "s"});
    std::string text;
    for (int i = 0; text.size() < 40 * 8192; ++i) text += "line " + std::to_string(i) + "\n";
    const auto stream =
        encoder::compress(std::span(reinterpret_cast<const unsigned char*>(text.data()), text.size()));
    p.entries.push_back({.name = "big.txt",
                         .data = text,
                         .method = 1,
                         .stored = {stream.begin(), stream.end()},
                         .use_stored = true});
    // Stored bytes that pass their own CRC but not the file's: the report comes after every drawing.
    p.entries.push_back({.name = "bad.txt", .data = "good", .stored = "bad!", .use_stored = true});
    return p;
}

void install_on(int error_fd, const std::string& image, const std::string& target) {
    dup2(error_fd, 2);
    // Time stands still, so that a slow machine does not split the gathered writes (progress_test.cc).
    install::set_progress_clock([] { return std::int64_t{0}; });
    set_up_install(std::fopen(image.c_str(), "rb"), target);
    install::install_files();
    _exit(0);
}

TEST(GatheredProgress, OffATerminalTheSameBytesLeaveInAWriteOrTwo) {
    temp_dir dir;
    const std::string image = dir / "setup";
    write_file(image, installer_image("", payload_bytes(drawing_payload()), 1024));

    pseudo_terminal terminal;
    const pid_t on_terminal = terminal.start_session([&](int slave) {
        termios modes{};
        tcgetattr(slave, &modes);
        modes.c_oflag &= ~static_cast<tcflag_t>(OPOST);  // the bytes as written, no "\r\n"
        tcsetattr(slave, TCSANOW, &modes);
        install_on(slave, image, dir / "on_terminal");
    });
    std::string shown;
    terminal.read_until("", shown);
    waitpid(on_terminal, nullptr, 0);

    int ends[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_SEQPACKET, 0, ends), 0);
    const pid_t on_socket = fork();
    if (on_socket == 0) install_on(ends[1], image, dir / "on_socket");
    close(ends[1]);
    std::string sent;
    int drawing_writes = 0;
    static char message[1 << 20];
    for (ssize_t n; (n = recv(ends[0], message, sizeof message, 0)) > 0;) {
        const std::string piece(message, static_cast<std::size_t>(n));
        drawing_writes += piece.find("%  ") != std::string::npos;
        sent += piece;
    }
    close(ends[0]);
    waitpid(on_socket, nullptr, 0);

    EXPECT_TRUE(sent == shown) << "on the socket:\n" << sent << "\non the terminal:\n" << shown;
    EXPECT_TRUE(shown.ends_with("Corrupted file(s) (err=5).\n" + texts::TERMINATED)) << shown;
    std::size_t drawings = 0;
    for (std::size_t at = 0; (at = shown.find("%  ", at)) != std::string::npos; ++at) ++drawings;
    EXPECT_GT(drawings, 50u);
    EXPECT_GE(drawing_writes, 1);
    EXPECT_LE(drawing_writes, 2);
}

}  // namespace
