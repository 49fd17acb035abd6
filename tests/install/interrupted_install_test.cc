// The risk: an installation ended by a signal leaves the file it was writing, open but not written,
// looking installed. The real installer is held inside one file by its own progress line: standard error
// is a one-page pipe that the test stops reading once that file's first drawing has come, and the file
// draws many times the pipe's room before it could close, so the installer can be nowhere else when the
// signal comes. Whatever it is doing then, it must die by that signal, without the file, the files before
// it whole.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "support/installer_run.h"

namespace {

namespace fs = std::filesystem;
using namespace testing_support;

constexpr int PIPE_ROOM = 4096;

TEST(InterruptedInstall, SigtermInsideAFileRemovesItAndEndsTheInstallerBySigterm) {
    temp_dir dir;
    const std::string source = dir / "source";
    // Shown shortened from its '/' at index 40: each drawing is some 220 characters, drawn over with as
    // many backspaces. 60 chunks of text, each moving the byte percentage, redraw it some 60 times.
    const std::string big = std::string(40, 'd') + "/" + std::string(200, 'e') + "/big.txt";
    std::string text;
    for (int i = 0; text.size() < 60 * 8192; ++i) text += "line " + std::to_string(i) + "\n";
    write_file(source + "/a.txt", "first");
    write_file(source + "/b.txt", "second");
    write_file(source + "/" + big, text);
    const std::string image = dir / "setup";
    const auto built = run_process(MKINSTALLER_PATH, {"mkinstaller", "build", source, image});
    ASSERT_EQ(built.exit_code, 0) << built.err;
    const std::string target = dir / "target";
    write_file(dir / "answers", answers_to_install(target) + "n\n");

    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    ASSERT_EQ(fcntl(ends[1], F_SETPIPE_SZ, PIPE_ROOM), PIPE_ROOM);
    const pid_t installer = fork();
    ASSERT_GE(installer, 0);
    if (installer == 0) {
        const int answers = open((dir / "answers").c_str(), O_RDONLY);
        dup2(answers, 0);
        dup2(ends[1], 2);
        close(ends[0]);
        execl(image.c_str(), image.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(ends[1]);
    // Read in pieces no larger than the pipe: what follows the first drawing and was read with it, and
    // what fills the pipe behind it, are each less than the file's drawings still to come.
    std::string err;
    const std::string first_drawing_end = "/big.txt ";
    char piece[PIPE_ROOM];
    for (ssize_t n;
         err.find(first_drawing_end) == std::string::npos && (n = read(ends[0], piece, sizeof piece)) > 0;)
        err.append(piece, static_cast<std::size_t>(n));
    const bool inside = err.find(first_drawing_end) != std::string::npos;
    kill(installer, inside ? SIGTERM : SIGKILL);
    int status = 0;
    waitpid(installer, &status, 0);
    close(ends[0]);
    ASSERT_TRUE(inside) << "the installer ended before the big file: " << err;

    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
    EXPECT_FALSE(fs::exists(target + "/" + big));
    EXPECT_EQ(read_file(target + "/a.txt"), "first");
    EXPECT_EQ(read_file(target + "/b.txt"), "second");
}

}  // namespace
