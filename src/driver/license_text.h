// The licence agreement's lines. The list is generated at build time from a paragraphs file
// (src/driver/license.txt unless the build names another); this header only declares it.
#pragma once

namespace driver {

// Entry 0 is the window title: the built-in one, payload::BUILT_IN_TITLE's literal (so ended by a NUL),
// not a line of the agreement. Then the agreement, one line per entry without line terminator, empty
// entries between paragraphs; then a null pointer.
extern const char* const license_text[];

}  // namespace driver
