#include "driver/driver_state.h"

namespace driver {

int autonext = 0;
int install_new_release = 0;
int state = 0;
int back_state = 0;
int next_state = 0;
std::FILE* self_file = nullptr;
payload::header_block header{};
std::array<char, TARGET_DIR_SIZE> target_dir{};

}  // namespace driver
