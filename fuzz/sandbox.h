// The payload fuzzer's file-system sandbox: a temporary directory holding the target directory and, beside
// it, sentinel files that no payload may touch. After each input the sandbox is checked and the target
// emptied for the next one.
#pragma once

#include <string>

namespace fuzz_support {

class sandbox {
  public:
    sandbox();  // removed again when the process ends
    const std::string& target() const { return target_; }

    // Stops the fuzzer with a report when anything beside the target was created, changed or removed;
    // then removes the target with everything in it.
    void check_and_clear() const;

  private:
    std::string root_;
    std::string target_;
};

}  // namespace fuzz_support
