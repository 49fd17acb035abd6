// The progress line: two percentages and the name of the file in hand, redrawn in place with backspaces
// and wiped out after each file. It remembers its last drawing in process-wide state.
#pragma once

namespace install {

// With a name: draws the line "%3d%% %3d%%  %s " (file percentage first), unless the percentages and the
// name are those of the last drawing; names longer than 40 characters are shortened from index 40. With a
// null name: erases the last drawing and forgets it. Either way, on a terminal, waits until standard error
// has taken the output (tcdrain), unless the installer is a job in its background; elsewhere leaves errno
// as tcdrain would, without asking. Never allocates but for the name's copy and shortening.
void show_progress(const char* name, int byte_percent, int file_percent);

// A finished file's drawing and the erase right behind it: the bytes and, on a terminal, the waits of
// show_progress(name, ...) and then show_progress(nullptr, 0, 0), but elsewhere in a single write.
void show_finished_progress(const char* name, int byte_percent, int file_percent);

// From gather_progress(true) to gather_progress(false), on anything but a terminal, drawings and erases
// gather into few large writes with the same bytes; what has gathered leaves with the first drawing or
// erase 100 ms or more after the last such write, and flush_progress writes it at once. Whoever
// writes anything else to standard error meanwhile flushes first. On a terminal nothing changes: each
// drawing and erase leaves at once, followed by its wait.
void gather_progress(bool on);
void flush_progress();

// With false, show_progress and show_finished_progress write nothing and wait for nothing until
// set_progress_drawn(true): an unattended run on anything but a terminal, or a quiet one.
void set_progress_drawn(bool drawn);

}  // namespace install
