// Output held back for standard error (the installation's gathered progress drawings), which must go out
// before anything else is written there: the termination routines flush it before their reports. Apart
// from termination.cc, so that a program with termination routines of its own (the fuzzers) links it too.
#pragma once

namespace process {

// `flush` writes what is held back; null when nothing is.
void set_held_output_flush(void (*flush)());

// Calls the flush set, if any.
void flush_held_output();

}  // namespace process
