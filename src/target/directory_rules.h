// The rules a target directory is vetted against, in their order, with their messages and questions.
// Drawing the screen and reading the entry live in directory_screen and directory_entry.
#pragma once

#include "target/directory_entry.h"

namespace target {

// What vetting decided.
constexpr int VET_ACCEPT = 0;      // the entry (now absolute when it could be made so) is the target
constexpr int VET_START_OVER = 1;  // the user wants to name another directory
constexpr int VET_CANCEL = 2;      // the user cancelled the installation

// Applies every rule to `entry`, asking the user where a rule warns or rejects. Makes a relative entry
// absolute against the working directory on the way; nothing is created or changed on disk.
int vet_directory(directory_entry& entry);

// The same rules for a directory given on the command line, with nobody to ask: a rejection ends the
// installer with its message as a failure, a warning is written and passed. `plain` writes a warning as
// one line rather than as the screen draws it.
void vet_given_directory(directory_entry& entry, bool plain);

}  // namespace target
