#include "driver/driver_state.h"

#include <cstring>

namespace driver {

driver_state session;

void reset_session(const char* target) {
    session = driver_state{};
    const std::size_t length = std::strlen(target);
    if (length < TARGET_DIR_SIZE) std::memcpy(session.target_dir.data(), target, length + 1);
}

}  // namespace driver
