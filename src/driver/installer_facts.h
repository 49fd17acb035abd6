// What an installer with the conventional command line tells of itself without installing anything:
// --info, --list and --check. Each reads the payload from the stream left at the first record.
#pragma once

#include <cstdio>

namespace driver {

// What `mkinstaller info` says of this installer, line for line, on `out`.
void write_installer_info(std::FILE* out);

// The entries the installer would install, as `mkinstaller list` shows them, on `out`. A damaged payload
// ends the installer with the message the installation would have stopped with.
void write_installer_list(std::FILE* out);

// Reads every record and decodes every entry, checking all of it as the installation would, writing
// nothing anywhere; a damaged payload ends the installer with the installation's message.
void check_whole_installer();

}  // namespace driver
