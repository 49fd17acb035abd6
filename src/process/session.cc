#include "process/session.h"

#include <cstring>

#include "process/run_mode.h"

namespace process {

driver_state session;

void reset_session(std::string_view target) {
    session = driver_state{};
    run = run_mode{};
    set_target_dir(target);
}

void set_target_dir(std::string_view target) {
    const std::size_t length = target.size() < TARGET_DIR_SIZE ? target.size() : 0;
    if (length != 0) std::memcpy(session.target_dir.data(), target.data(), length);
    session.target_dir[length] = '\0';
}

}  // namespace process
