// The directory screen of wizard state 4: what is to be installed and the space it needs, the default
// offered on the first pass, the typed entry and its vetting. It leaves the accepted path in `target_dir`
// and creates nothing on disk.
#pragma once

namespace target {

// RESULT_NEXT with the accepted path in `target_dir`, or RESULT_CANCEL (a Cancel answer, or the end of
// input while a line is being typed). Never RESULT_BACK: the screen offers no way back.
int select_install_dir();

// A check of the target beyond the screen's rules, run on a path once they accept it: its refusal, shown
// as the screen's own (the person may name another directory), or null. The wizard sets the update's
// check of its release; none is set at first.
void set_target_check(const char* (*check)(const char* path));

// The directory named by --target, else the default, taken without a question: vetted with nobody to ask
// (a rejection, the target check's included, ends the installer; a warning is written), then made the
// target. `plain` writes one line
// per warning and names the target; otherwise the screen's header and texts are drawn. RESULT_NEXT.
int take_directory_unasked(bool plain);

}  // namespace target
