// The installation of wizard state 15: every entry of the payload, front to back, beneath the target
// directory.
#pragma once

namespace install {

// Installs every entry or ends the installer with a numbered message; nothing made before a failure is
// undone.
void install_files();

}  // namespace install
