// Byte buffers from malloc, released with free by their owner: allocation failure shows as a null
// pointer, which callers turn into their own numbered message.
#pragma once

#include <cstdlib>
#include <memory>

namespace payload {

struct free_deleter {
    void operator()(void* p) const { std::free(p); }
};

using heap_bytes = std::unique_ptr<unsigned char, free_deleter>;

inline heap_bytes allocate_bytes(std::size_t size) {
    return heap_bytes(static_cast<unsigned char*>(std::malloc(size)));
}

}  // namespace payload
