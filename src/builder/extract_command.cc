// The extract command: every file entry written beneath a directory, as the installer would produce its
// bytes, but without its dialogue and without removing same-named files. Existing files stay untouched
// unless --force is given.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "builder/builder_error.h"
#include "builder/commands.h"
#include "builder/entry_bytes.h"
#include "builder/installer_reader.h"

namespace builder {
namespace {

[[noreturn]] void fail(const std::string& problem, std::uint64_t written) {
    throw error("extract: " + problem + " (" + std::to_string(written) + " files written before it)");
}

// O_NOFOLLOW: a link already standing at the file's place is never written through.
void write_file(const std::string& path, const std::vector<unsigned char>& bytes, bool force) {
    const int flags = O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | (force ? O_TRUNC : O_EXCL);
    const int fd = open(path.c_str(), flags, 0644);
    if (fd < 0) {
        if (errno == EEXIST) throw error("extract: " + in_quotes(path) + " exists (--force overwrites it)");
        fail_errno("extract: cannot create " + in_quotes(path));
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const int saved = errno;
            close(fd);
            errno = saved;
            fail_errno("extract: cannot write " + in_quotes(path));
        }
        done += static_cast<std::size_t>(n);
    }
    if (close(fd) != 0) fail_errno("extract: cannot write " + in_quotes(path));
}

}  // namespace

void run_extract(const std::string& installer, const std::string& dir, bool force, std::ostream& out) {
    installer_payload in = open_installer(installer, "extract");
    require_whole_payload(in, "extract");
    const std::uint32_t count = payload::header_u32(in.header, payload::HEADER_FILE_COUNT);
    std::uint64_t written = 0;
    std::uint64_t bytes = 0;
    payload::record_buffer buffer{};
    std::vector<unsigned char> stored;
    std::vector<unsigned char> file;
    for (std::uint64_t index = 1; index <= count; ++index) {
        payload::file_record record{};
        entry_problem problem = read_record(in, buffer, record);
        if (problem.corrupt != payload::CORRUPT_NONE)
            fail(describe_entry_problem(index, nullptr, problem), written);
        if (record.method == payload::METHOD_DELETE) continue;
        problem = read_stored_bytes(in, record, stored);
        if (problem.corrupt == payload::CORRUPT_NONE) problem = produce_file_bytes(in, record, stored, file);
        if (problem.corrupt != payload::CORRUPT_NONE)
            fail(describe_entry_problem(index, record.name, problem), written);

        const std::string name = record.name;
        if (name.empty() || name.ends_with('/')) {
            fail("entry " + std::to_string(index) + " " + in_quotes(name) + " names no file", written);
        }
        const std::filesystem::path path = std::filesystem::path(dir) / name;
        std::error_code ec;
        std::filesystem::create_directories(path.parent_path(), ec);
        if (ec) throw error("extract: cannot create " + in_quotes(path.parent_path()) + ": " + ec.message());
        write_file(path, file, force);
        // As the installer does: a time of 0 means neither time nor mode is set.
        if (record.mtime != 0) {
            const utimbuf times{record.mtime, record.mtime};
            utime(path.c_str(), &times);
            chmod(path.c_str(), record.mode & 07777);
        }
        ++written;
        bytes += record.file_size;
    }
    out << "extracted " << written << " files, " << bytes << " bytes, into " << dir << '\n';
}

}  // namespace builder
