// Temporary output file handling.
#include "builder/output_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "builder/builder_error.h"

namespace builder {

output_file::output_file(const std::string& path) : path_(path) {
    const std::filesystem::path final_path(path);
    // Beside the output, so that the rename stays within one file system.
    temp_path_ = (final_path.parent_path() / ("." + final_path.filename().string() + ".XXXXXX")).string();
    const int fd = mkstemp(temp_path_.data());
    if (fd < 0) fail_errno("cannot create a temporary file beside " + in_quotes(path));
    stream_ = fdopen(fd, "wb");
    if (stream_ == nullptr) {
        close(fd);
        unlink(temp_path_.c_str());
        fail_errno("cannot write " + in_quotes(temp_path_));
    }
}

output_file::~output_file() {
    if (stream_ != nullptr) std::fclose(stream_);
    if (!committed_) unlink(temp_path_.c_str());
}

void output_file::write(const void* bytes, std::size_t size) {
    if (size != 0 && std::fwrite(bytes, 1, size, stream_) != size)
        fail_errno("cannot write " + in_quotes(temp_path_));
}

void output_file::seek(std::uint64_t offset) {
    if (fseeko(stream_, static_cast<off_t>(offset), SEEK_SET) != 0)
        fail_errno("cannot seek in " + in_quotes(temp_path_));
}

void output_file::commit() {
    if (std::fflush(stream_) != 0) fail_errno("cannot write " + in_quotes(temp_path_));
    if (fchmod(fileno(stream_), 0755) != 0) fail_errno("cannot set the mode of " + in_quotes(temp_path_));
    const int closed = std::fclose(stream_);
    stream_ = nullptr;
    if (closed != 0) fail_errno("cannot write " + in_quotes(temp_path_));
    if (std::rename(temp_path_.c_str(), path_.c_str()) != 0) fail_errno("cannot create " + in_quotes(path_));
    committed_ = true;
}

}  // namespace builder
