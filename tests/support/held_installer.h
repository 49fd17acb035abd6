// A real installer signalled while it is inside one given file. Its own progress line holds it there:
// standard error is a one-page pipe that is no longer read once that file's first drawing has come, and a
// file drawn many times the room of the pipe and of the installer's gathered drawings (16 KiB) cannot be
// closed before the signal comes. The file's name must make each drawing long (a name shown some hundreds
// of characters wide), and the file must take a good share of the payload's bytes (each change of the
// byte percentage is a drawing).
#pragma once

#include <string>

namespace testing_support {

struct signalled_run {
    bool held = false;  // the drawing came: the installer was inside the file when signalled
    int status = 0;     // as waitpid gives it
    std::string err;    // standard error up to and a little past the drawing
};

// Runs the installer file `image` itself with `input` on standard input, reads its standard error until
// `drawing_end` (the end of the file's drawing, such as "/big.txt "), then sends `sig`, or SIGKILL when
// the installer ended first, and waits for it. The installer dumps no core.
signalled_run signal_inside(const std::string& image, const std::string& input,
                            const std::string& drawing_end, int sig);

}  // namespace testing_support
