// Until the agreement's wording is generated from its paragraphs file, the list holds the title alone.
#include "driver/license_text.h"

namespace driver {

const char* const license_text[] = {
    "KAVO(R) Software Installation",
    nullptr,
};

}  // namespace driver
