// The progress line's hook for tests, apart from its public header: how often it has waited for the
// terminal, which no transcript shows. The installer itself never reads it.
#pragma once

namespace install {

// The waits (tcdrain) made on standard error since the process started.
unsigned progress_drains();

}  // namespace install
