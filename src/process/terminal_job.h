// Terminal operations that the terminal's driver refuses to a job in the background: it stops such a job
// with SIGTTOU (`./setup 2>/dev/tty &`, or Ctrl-Z then `bg`). The job can move between the foreground
// and the background at any moment, so the question is asked at every operation.
#pragma once

namespace process {

// Runs `operation` on the terminal `fd` unless this process is a job in the background of it (its
// controlling terminal, whose foreground process group is another); a terminal that is not the
// controlling one stops no one and is always operated on. SIGTTOU is held on the calling thread from the
// question to the end of the operation, so a move to the background in between cannot stop the process.
// Returns the operation's result, or -1 when it was not run.
int unless_in_background(int fd, int (*operation)(int fd));

}  // namespace process
