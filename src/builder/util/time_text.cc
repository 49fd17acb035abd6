// UTC time formatting, as the installer's reports format it.
#include "builder/util/time_text.h"

#include "payload/product_text.h"

namespace builder {

std::string utc_text(std::int64_t seconds) {
    return payload::utc_text(seconds).data();
}

}  // namespace builder
