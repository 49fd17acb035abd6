// Reading a source file to its end, and telling the file systems whose sizes are not lengths.
#include "builder/pack/source_file.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "builder/format/field_limits.h"
#include "builder/util/display_text.h"
#include "builder/util/error.h"
#include "builder/util/fd_holder.h"

namespace builder {
namespace {

// File systems whose files report a size that is not their length: /proc gives 0 for most files, /sys
// 4096, and their contents are made when they are read.
bool size_is_unreliable(int fd) {
    static constexpr decltype(statfs::f_type) UNRELIABLE_SIZE_FILE_SYSTEMS[] = {
        PROC_SUPER_MAGIC, SYSFS_MAGIC,        DEBUGFS_MAGIC,       TRACEFS_MAGIC,
        SECURITYFS_MAGIC, CGROUP_SUPER_MAGIC, CGROUP2_SUPER_MAGIC, BPF_FS_MAGIC,
    };
    struct statfs fs {};
    if (fstatfs(fd, &fs) != 0) return false;
    return std::find(std::begin(UNRELIABLE_SIZE_FILE_SYSTEMS), std::end(UNRELIABLE_SIZE_FILE_SYSTEMS),
                     fs.f_type) != std::end(UNRELIABLE_SIZE_FILE_SYSTEMS);
}

// Reads into `bytes` (of `capacity`, grown as needed) until the end of the file or until `limit` is
// passed; returns the count read. A short read that brings the count to `expected` is taken for the
// end: a regular file reads short only there, which spares the read that would return 0.
std::uint64_t read_until(int fd, std::unique_ptr<unsigned char[]>& bytes, std::uint64_t& capacity,
                         std::uint64_t done, std::uint64_t limit, std::uint64_t expected,
                         const std::string& named) {
    for (;;) {
        if (done == capacity) {
            if (done > limit) return done;
            capacity = std::min(capacity * 2, PAYLOAD_FIELD_MAX + 1);
            auto larger = std::make_unique_for_overwrite<unsigned char[]>(capacity);
            std::memcpy(larger.get(), bytes.get(), done);
            bytes = std::move(larger);
        }
        const std::uint64_t wanted = capacity - done;
        const ssize_t got = read(fd, bytes.get() + done, wanted);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) fail_errno("cannot read " + named);
        if (got == 0) return done;
        done += static_cast<std::uint64_t>(got);
        if (done == expected && static_cast<std::uint64_t>(got) < wanted) return done;
    }
}

}  // namespace

file_bytes read_source_file(int root_fd, const planned_entry& entry, bool strict,
                            std::vector<std::string>& warnings) {
    const std::string named = shown(entry.name);
    fd_holder file;
    // O_NONBLOCK: should a fifo have taken the file's place since the scan, opening it must not hang.
    file.fd = openat(root_fd, entry.name.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (file.fd < 0) fail_errno("cannot open " + named);
    struct stat st {};
    if (fstat(file.fd, &st) != 0) fail_errno("cannot examine " + named);
    const std::string changed = named + " changed while the installer was being built";
    if (!S_ISREG(st.st_mode)) throw error(changed + ": it is no longer a regular file");
    if (static_cast<std::uint64_t>(st.st_size) != entry.size && !size_is_unreliable(file.fd)) {
        throw error(changed + ": " + std::to_string(entry.size) + " bytes when the tree was scanned, " +
                    std::to_string(st.st_size) + " now");
    }
    std::uint64_t capacity = std::uint64_t{entry.size} + 1;
    auto bytes = std::make_unique_for_overwrite<unsigned char[]>(capacity);
    std::uint64_t done = read_until(file.fd, bytes, capacity, 0, entry.size, entry.size, named);
    if (done == entry.size) return file_bytes{std::move(bytes), entry.size};
    if (!size_is_unreliable(file.fd)) {
        if (done > entry.size) {
            throw error(changed + ": it has grown beyond the " + std::to_string(entry.size) +
                        " bytes it held when the tree was scanned");
        }
        throw error(changed + ": it ended after " + std::to_string(done) + " of the " +
                    std::to_string(entry.size) + " bytes it held when the tree was scanned");
    }
    done = read_until(file.fd, bytes, capacity, done, PAYLOAD_FIELD_MAX, PAYLOAD_FIELD_MAX + 1, named);
    if (done > PAYLOAD_FIELD_MAX)
        throw error(named + " reads on past 4 GiB - 1 bytes, more than a payload holds for one file");
    std::string warning = named + ": its file system gives its size as " + std::to_string(entry.size) +
                          " bytes, which is not its length; packed the " + std::to_string(done) +
                          " bytes read";
    if (strict) throw error(warning + " (--strict)");
    warnings.push_back(std::move(warning));
    return file_bytes{std::move(bytes), static_cast<std::uint32_t>(done)};
}

}  // namespace builder
