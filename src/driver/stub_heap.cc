// malloc and its family for the stub linked against musl (cmake/stub_libc.cmake), in place of musl's own.
// musl's allocator returns freed memory to the system at once and takes one lock for both threads; the
// installation allocates and frees a few buffers per file, on two threads, thousands of times, which
// with it cost a system call or two and a lock hand-over each, and made the installation some 2.5 times
// slower than the same stub against glibc.
//
// Here a request up to 128 KiB (header included) is rounded up to a power of two and served from a free
// list of that size, refilled from 256 KiB mappings that are never returned: what the installation frees
// is what it asks for again with the next file. A larger request gets a mapping of its own, returned on
// free. Failure is a null pointer with errno ENOMEM, as the callers expect; an address-space or data
// limit bounds the mappings as it bounds any allocation, in steps of the order glibc's heap grows by.
#include <errno.h>
#include <sched.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

// Every block starts with a header of two words, so that the caller's bytes are 16-byte aligned. A block
// of a size class: the class number shifted left, and nothing. A block mapped alone: its mapping's
// length with the low bit set, and the mapping's start.
struct block_header {
    std::size_t tag;
    void* mapping;
};
static_assert(sizeof(block_header) == 16);

constexpr std::size_t HEADER_SIZE = sizeof(block_header);
constexpr unsigned SMALLEST_CLASS_SHIFT = 5;  // 32-byte blocks: 16 bytes of header, 16 for the caller
constexpr unsigned CLASS_COUNT = 13;          // 32 bytes .. 128 KiB
constexpr std::size_t LARGEST_CLASS_SIZE = std::size_t{1} << (SMALLEST_CLASS_SHIFT + CLASS_COUNT - 1);
constexpr std::size_t ARENA_SIZE = 2 * LARGEST_CLASS_SIZE;
constexpr std::size_t MAPPED_ALONE = 1;

struct free_block {
    free_block* next;
};

struct heap_state {
    std::atomic_flag busy = ATOMIC_FLAG_INIT;
    free_block* free_lists[CLASS_COUNT] = {};
    unsigned char* arena_next = nullptr;
    unsigned char* arena_end = nullptr;
};

heap_state heap;

// Held for a few dozen instructions at most; the other thread yields rather than spins for long.
struct heap_lock {
    heap_lock() {
        for (unsigned tries = 0; heap.busy.test_and_set(std::memory_order_acquire); ++tries) {
            if (tries >= 64) sched_yield();
        }
    }
    ~heap_lock() { heap.busy.clear(std::memory_order_release); }
    heap_lock(const heap_lock&) = delete;
    heap_lock& operator=(const heap_lock&) = delete;
};

std::size_t class_size(unsigned size_class) {
    return std::size_t{1} << (SMALLEST_CLASS_SHIFT + size_class);
}

unsigned class_for(std::size_t block_size) {
    unsigned size_class = 0;
    while (class_size(size_class) < block_size) ++size_class;
    return size_class;
}

void* map_memory(std::size_t length) {
    void* memory = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return memory == MAP_FAILED ? nullptr : memory;
}

// What is left of an arena goes to the free lists, largest blocks first, so that nothing of it is lost.
void release_arena_rest() {
    for (unsigned size_class = CLASS_COUNT; size_class-- > 0;) {
        while (static_cast<std::size_t>(heap.arena_end - heap.arena_next) >= class_size(size_class)) {
            auto* block = reinterpret_cast<free_block*>(heap.arena_next);
            block->next = heap.free_lists[size_class];
            heap.free_lists[size_class] = block;
            heap.arena_next += class_size(size_class);
        }
    }
}

// Called with the lock held.
void* take_block(unsigned size_class) {
    if (free_block* block = heap.free_lists[size_class]) {
        heap.free_lists[size_class] = block->next;
        return block;
    }
    const std::size_t size = class_size(size_class);
    if (static_cast<std::size_t>(heap.arena_end - heap.arena_next) < size) {
        auto* arena = static_cast<unsigned char*>(map_memory(ARENA_SIZE));
        if (arena == nullptr) return nullptr;
        release_arena_rest();
        heap.arena_next = arena;
        heap.arena_end = arena + ARENA_SIZE;
    }
    void* block = heap.arena_next;
    heap.arena_next += size;
    return block;
}

void* allocate_aligned(std::size_t size, std::size_t alignment) {
    if (size > SIZE_MAX / 2 - alignment) {
        errno = ENOMEM;
        return nullptr;
    }
    if (alignment <= HEADER_SIZE && size <= LARGEST_CLASS_SIZE - HEADER_SIZE) {
        const unsigned size_class = class_for(size + HEADER_SIZE);
        void* block;
        {
            heap_lock lock;
            block = take_block(size_class);
        }
        if (block == nullptr) {
            errno = ENOMEM;
            return nullptr;
        }
        auto* header = static_cast<block_header*>(block);
        *header = {std::size_t{size_class} << 1, nullptr};
        return header + 1;
    }
    // A mapping of its own, with room for the header before the first aligned address in it.
    const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    const std::size_t slack = alignment > HEADER_SIZE ? alignment : HEADER_SIZE;
    const std::size_t length = (HEADER_SIZE + slack + size + page - 1) / page * page;
    auto* mapping = static_cast<unsigned char*>(map_memory(length));
    if (mapping == nullptr) {
        errno = ENOMEM;
        return nullptr;
    }
    const std::uintptr_t first = reinterpret_cast<std::uintptr_t>(mapping) + HEADER_SIZE;
    auto* caller = reinterpret_cast<unsigned char*>((first + slack - 1) / slack * slack);
    reinterpret_cast<block_header*>(caller)[-1] = {length | MAPPED_ALONE, mapping};
    return caller;
}

block_header& header_of(void* memory) {
    return static_cast<block_header*>(memory)[-1];
}

// The bytes the caller may use.
std::size_t capacity_of(void* memory) {
    const block_header& header = header_of(memory);
    if (header.tag & MAPPED_ALONE) {
        const auto* mapping = static_cast<unsigned char*>(header.mapping);
        return (header.tag & ~MAPPED_ALONE) -
               static_cast<std::size_t>(static_cast<unsigned char*>(memory) - mapping);
    }
    return class_size(static_cast<unsigned>(header.tag >> 1)) - HEADER_SIZE;
}

}  // namespace

extern "C" {

void* malloc(std::size_t size) {
    return allocate_aligned(size, HEADER_SIZE);
}

void free(void* memory) {
    if (memory == nullptr) return;
    const block_header header = header_of(memory);
    if (header.tag & MAPPED_ALONE) {
        munmap(header.mapping, header.tag & ~MAPPED_ALONE);
        return;
    }
    auto* block = reinterpret_cast<free_block*>(&header_of(memory));
    const unsigned size_class = static_cast<unsigned>(header.tag >> 1);
    heap_lock lock;
    block->next = heap.free_lists[size_class];
    heap.free_lists[size_class] = block;
}

void* calloc(std::size_t count, std::size_t size) {
    if (size != 0 && count > SIZE_MAX / size) {
        errno = ENOMEM;
        return nullptr;
    }
    void* memory = malloc(count * size);
    if (memory != nullptr) std::memset(memory, 0, count * size);
    return memory;
}

void* realloc(void* memory, std::size_t size) {
    if (memory == nullptr) return malloc(size);
    const std::size_t capacity = capacity_of(memory);
    if (size <= capacity) return memory;
    void* moved = malloc(size);
    if (moved == nullptr) return nullptr;
    std::memcpy(moved, memory, capacity);
    free(memory);
    return moved;
}

void* aligned_alloc(std::size_t alignment, std::size_t size) {
    if (alignment == 0 || (alignment & (alignment - 1)) != 0) {
        errno = EINVAL;
        return nullptr;
    }
    return allocate_aligned(size, alignment);
}

int posix_memalign(void** result, std::size_t alignment, std::size_t size) {
    if (alignment < sizeof(void*) || (alignment & (alignment - 1)) != 0) return EINVAL;
    void* memory = allocate_aligned(size, alignment);
    if (memory == nullptr) return ENOMEM;
    *result = memory;
    return 0;
}

void* memalign(std::size_t alignment, std::size_t size) {
    return aligned_alloc(alignment, size);
}

std::size_t malloc_usable_size(void* memory) {
    return memory == nullptr ? 0 : capacity_of(memory);
}

}  // extern "C"
