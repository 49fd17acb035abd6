// The licence agreement screen of wizard state 3.
#pragma once

namespace driver {

// RESULT_NEXT once the agreement is accepted, RESULT_CANCEL on a cancel.
int license_screen();

}  // namespace driver
