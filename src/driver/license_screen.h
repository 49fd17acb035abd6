// The licence agreement screen of wizard state 3: showing the agreement at once or line by line,
// printing it, and the question that accepts or cancels it. The agreement's lines come from
// driver/agreement.h: a vendor's text in the licence region, else the built-in license_text.
#pragma once

namespace driver {

// Where Print sends the agreement: "/dev/lp0" unless changed (tests point it at a temporary file).
extern const char* printer_device;

// RESULT_NEXT once the agreement is accepted, RESULT_CANCEL on a cancel or at the end of input.
int license_screen();

// With --accept-license: writes that the agreement is accepted, its first line and how to read it
// whole (nothing when quiet), the screen's empty lines before it unless `plain`.
void write_license_accepted(bool plain);

}  // namespace driver
