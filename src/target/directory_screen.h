// The directory screen of wizard state 4: what is to be installed and the space it needs, the default
// offered on the first pass, the typed entry and its vetting. It leaves the accepted path in `target_dir`
// and creates nothing on disk.
#pragma once

namespace target {

// RESULT_NEXT with the accepted path in `target_dir`, or RESULT_CANCEL (a Cancel answer, or the end of
// input while a line is being typed). Never RESULT_BACK: the screen offers no way back.
int select_install_dir();

}  // namespace target
