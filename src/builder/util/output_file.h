// The files a build writes (OUTPUT and OUTPUT.sha256), each made whole before it takes its final name, so
// that no partial file is ever left behind: not by an error, and not by any signal that can stop a build
// (temporary_names.h).
//
// Where the file system allows it the file has no name at all while it is written (O_TMPFILE): a killed
// build leaves nothing, because the kernel frees a file without a name when its last descriptor closes.
// Elsewhere it is written under a temporary name beside its final path (".NAME.XXXXXX"), which a signal
// handler removes before the signal ends the process.
//
// The two files are committed as one: under an exclusive flock on their directory, so that builds into
// one OUTPUT place their pairs one after the other and never leave OUTPUT of one with the checksum of
// another; and with the earlier OUTPUT kept under a temporary name (a hard link) until the checksum is in
// place too, so that a failure to place it puts the earlier OUTPUT back.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace builder {

// True: try an unnamed file first (for OUTPUT and for the files extract writes). Tests clear it to
// exercise the named fallback.
extern bool output_unnamed_first;

// Links the unnamed file `fd` (O_TMPFILE) as `name` in the directory `dir` (AT_FDCWD: relative to the
// working directory), through /proc/self/fd. 0, or -1 with errno (EEXIST where the name is taken).
int link_unnamed_as(int fd, int dir, const std::string& name);

class output_file {
  public:
    explicit output_file(const std::string& path);  // throws error when the file cannot be made
    ~output_file();                                 // leaves nothing unless committed
    output_file(const output_file&) = delete;
    output_file& operator=(const output_file&) = delete;

    const std::string& path() const { return path_; }
    bool is_unnamed() const { return temp_path_.empty(); }

    void write(const void* bytes, std::size_t size);
    void seek(std::uint64_t offset);
    // Writes out what is buffered and gives the file `mode`, whatever the umask; no write may follow.
    void finish(unsigned mode);
    // A stream that reads the finished file from its start.
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> read_back() const;

  private:
    friend void commit_outputs(output_file& first, output_file* second);
    std::string path_;
    std::string temp_path_;  // empty while the file has no name
    std::FILE* stream_ = nullptr;
    bool committed_ = false;
};

// Puts the finished files in place of their final paths, `second` beside `first` in its directory: both
// or neither; on a failure (thrown) the earlier files stand as they were. Signals are held back
// meanwhile, so that no temporary name can outlive a killed build.
void commit_outputs(output_file& first, output_file* second = nullptr);

}  // namespace builder
