// Start-up care of the three standard streams, so that what the environment hands the installer cannot
// turn its own output against the files it installs or end it by a signal.
#pragma once

namespace process {

// Opens /dev/null on each of descriptors 0, 1 and 2 that is closed, so that no file the installer opens
// later can take one of those numbers: an installed file opened as descriptor 2 would otherwise receive
// the progress line in the middle of its bytes. Also ignores SIGPIPE (a disposition, not a handler), so
// that standard error on a pipe whose reader has gone makes writes fail quietly instead of killing the
// process with a status other than 0.
void secure_standard_streams();

}  // namespace process
