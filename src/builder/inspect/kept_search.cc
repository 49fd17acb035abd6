// The header search through a stream that keeps what it reads.
#include "builder/inspect/kept_search.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <new>

namespace builder {
namespace {

// The search's reads, in blocks of this size: the last may run past the header block into the payload.
constexpr std::size_t KEPT_SEARCH_BLOCK = 16384;

// What the stream reads: the file by position, keeping in `kept` whatever continues it.
struct keeping_reader {
    int fd;
    std::string& kept;
    std::size_t limit;
    off64_t at = 0;
};

ssize_t pread_fully(int fd, char* into, std::size_t size, off64_t at) {
    ssize_t got = 0;
    do {
        got = pread(fd, into, size, at);
    } while (got < 0 && errno == EINTR);
    return got;
}

// Keeps what `got` bytes read at the reader's position add to the kept bytes.
void keep(keeping_reader& reader, const char* bytes, std::size_t got) {
    const auto at = static_cast<std::uint64_t>(reader.at);
    const std::uint64_t end = at + got;
    if (at > reader.kept.size() || end <= reader.kept.size() || end > reader.limit) return;
    reader.kept.append(bytes + (reader.kept.size() - at), end - reader.kept.size());
}

ssize_t read_keeping(void* cookie, char* into, std::size_t size) {
    auto& reader = *static_cast<keeping_reader*>(cookie);
    const ssize_t got = pread_fully(reader.fd, into, size, reader.at);
    if (got <= 0) return got;
    keep(reader, into, static_cast<std::size_t>(got));
    reader.at += got;
    return got;
}

int seek_keeping(void* cookie, off64_t* offset, int whence) {
    auto& reader = *static_cast<keeping_reader*>(cookie);
    if (whence == SEEK_CUR) *offset += reader.at;
    if (whence == SEEK_END || *offset < 0) {
        errno = EINVAL;  // the search seeks only from the start
        return -1;
    }
    // The bytes the search passes over (those in front of its first candidate) are the program's too.
    std::array<char, payload::HEADER_ALIGNMENT> gap{};
    while (static_cast<std::uint64_t>(*offset) > reader.kept.size() && reader.kept.size() < reader.limit) {
        reader.at = static_cast<off64_t>(reader.kept.size());
        const std::size_t want =
            std::min<std::uint64_t>(gap.size(), static_cast<std::uint64_t>(*offset) - reader.kept.size());
        if (read_keeping(&reader, gap.data(), want) <= 0) break;
    }
    reader.at = *offset;
    return 0;
}

}  // namespace

payload::header_search search_keeping_bytes(int fd, payload::header_block& header, std::uint64_t& offset,
                                            std::string& kept, std::size_t limit) {
    kept.clear();
    keeping_reader reader{fd, kept, limit};
    const cookie_io_functions_t functions{
        .read = read_keeping, .write = nullptr, .seek = seek_keeping, .close = nullptr};
    std::FILE* stream = fopencookie(&reader, "r", functions);
    if (stream == nullptr) throw std::bad_alloc();
    // Unbuffered, such a stream would read byte by byte; glibc takes no size without a buffer of our own.
    std::array<char, KEPT_SEARCH_BLOCK> buffer{};
    std::setvbuf(stream, buffer.data(), _IOFBF, buffer.size());
    const payload::header_search found = payload::try_find_header_block(stream, header, &offset);
    std::fclose(stream);
    return found;
}

}  // namespace builder
