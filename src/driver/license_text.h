// The licence agreement: entry 0 is the window title, then the agreement's lines, then a null end.
#pragma once

namespace driver {

extern const char* const license_text[];

}  // namespace driver
