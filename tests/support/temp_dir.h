// Temporary directories and small file helpers for tests; a temp_dir is removed with everything in it.
#pragma once

#include <string>
#include <string_view>

namespace testing_support {

class temp_dir {
  public:
    temp_dir();
    ~temp_dir();
    temp_dir(const temp_dir&) = delete;
    temp_dir& operator=(const temp_dir&) = delete;

    const std::string& path() const { return path_; }
    // `relative` beneath this directory.
    std::string operator/(std::string_view relative) const { return path_ + "/" + std::string(relative); }

  private:
    std::string path_;
};

// Writes `bytes` to `path`, creating the missing parent directories.
void write_file(const std::string& path, std::string_view bytes);
std::string read_file(const std::string& path);

}  // namespace testing_support
