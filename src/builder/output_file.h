// The output installer, written to a temporary file beside its final path and renamed into place only when
// complete: no partial OUTPUT is ever left behind.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace builder {

class output_file {
  public:
    explicit output_file(const std::string& path);  // throws error when the temporary file cannot be made
    ~output_file();                                 // removes the temporary file unless committed
    output_file(const output_file&) = delete;
    output_file& operator=(const output_file&) = delete;

    std::FILE* stream() const { return stream_; }
    const std::string& temp_path() const { return temp_path_; }

    void write(const void* bytes, std::size_t size);
    void seek(std::uint64_t offset);
    // Gives the file mode 0755 and renames it to the final path.
    void commit();

  private:
    std::string path_;
    std::string temp_path_;
    std::FILE* stream_ = nullptr;
    bool committed_ = false;
};

}  // namespace builder
