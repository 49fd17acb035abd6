#include "process/run_mode.h"

namespace process {

run_mode run;

}  // namespace process
