// The check that a value fits its payload field.
#include "builder/format/field_limits.h"

#include <string>

#include "builder/util/error.h"

namespace builder {

std::uint32_t narrow_payload_field(std::uint64_t value, const char* what) {
    if (value > PAYLOAD_FIELD_MAX) {
        throw error(std::string("the ") + what + " come to " + std::to_string(value) +
                    ", more than a 32-bit payload field holds");
    }
    return static_cast<std::uint32_t>(value);
}

}  // namespace builder
