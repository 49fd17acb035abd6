// The directory screen of wizard state 4: it leaves the accepted path in `target_dir`.
#pragma once

namespace target {

// RESULT_NEXT with the accepted path in `target_dir`, or RESULT_CANCEL.
int select_install_dir();

}  // namespace target
