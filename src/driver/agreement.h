// The agreement's lines as the licence screen shows and prints them: the vendor's text from the stub's
// licence region when mkinstaller wrote one there, else the built-in lines of license_text. A damaged
// region never falls back to the built-in lines: the installer stops instead. The window title
// (license_text entry 0) is never part of them.
#pragma once

#include <string_view>

#include "payload/license_region.h"

namespace driver {

// The stub's licence region, in initialised data: mkinstaller finds it by its marker in the stub's file
// and rewrites its text in the copy it writes. It is never written at run time.
extern payload::license_region_bytes license_region;

// Checks the licence region, once: a damaged one ends the installer with payload::MESSAGE_LICENSE_CORRUPTED.
// Start-up calls it before the welcome screen; the first agreement line calls it too, for harnesses that
// start at the licence screen.
void check_license_region();

// Where a walk over the agreement stands: in the built-in table, or in the region's text.
struct agreement_cursor {
    const char* const* table_line = nullptr;
    const char* next = nullptr;
    const char* end = nullptr;
};

// A cursor at the first agreement line.
agreement_cursor first_agreement_line();

// Stores the next line, without its line feed, in `line` and moves on; false after the last line.
bool next_agreement_line(agreement_cursor& cursor, std::string_view& line);

}  // namespace driver
