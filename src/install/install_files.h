// The installation of wizard state 15.
#pragma once

namespace install {

// Handles every entry of the payload, or ends the installer with a numbered message.
void install_files();

}  // namespace install
