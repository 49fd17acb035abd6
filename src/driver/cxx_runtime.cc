// The few routines of the C++ run-time library the stub refers to, defined here for the stub linked
// against musl, which links no C++ run-time library (cmake/stub_libc.cmake). The stub is compiled without
// exceptions: what would throw ends the program the way an uncaught exception ends the stub linked
// against glibc, with "terminate called" and an abort (driver/terse_terminate.cc).
#include <sched.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

[[noreturn]] void terminate_program() {
    static constexpr char TERMINATE_TEXT[] = "terminate called\n";
    [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, TERMINATE_TEXT, sizeof TERMINATE_TEXT - 1);
    std::abort();
}

void* allocate(std::size_t size) {
    void* memory = std::malloc(size == 0 ? 1 : size);
    if (memory == nullptr) terminate_program();
    return memory;
}

}  // namespace

void* operator new(std::size_t size) {
    return allocate(size);
}
void* operator new[](std::size_t size) {
    return allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return std::malloc(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return std::malloc(size == 0 ? 1 : size);
}
void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete[](void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}
void operator delete[](void* memory, std::size_t) noexcept {
    std::free(memory);
}

// What the C++ library's headers call where they would throw.
namespace std {

[[noreturn]] void __throw_bad_alloc() {
    terminate_program();
}
[[noreturn]] void __throw_bad_array_new_length() {
    terminate_program();
}
[[noreturn]] void __throw_bad_function_call() {
    terminate_program();
}
[[noreturn]] void __throw_length_error(const char*) {
    terminate_program();
}
[[noreturn]] void __throw_logic_error(const char*) {
    terminate_program();
}
[[noreturn]] void __throw_out_of_range_fmt(const char*, ...) {
    terminate_program();
}

}  // namespace std

// The guards of function-local statics: the read-ahead worker and the main thread may meet the same one.
// The first byte says "done", as the code the compiler writes around each call reads it; the second that
// a thread is initialising, while any other waits. Nothing here can fail.
extern "C" {

int __cxa_guard_acquire(std::uint64_t* guard) {
    auto* const done = reinterpret_cast<unsigned char*>(guard);
    unsigned char* const busy = done + 1;
    for (;;) {
        if (__atomic_load_n(done, __ATOMIC_ACQUIRE) != 0) return 0;
        unsigned char idle = 0;
        if (__atomic_compare_exchange_n(busy, &idle, 1, false, __ATOMIC_ACQUIRE, __ATOMIC_RELAXED)) {
            if (__atomic_load_n(done, __ATOMIC_ACQUIRE) == 0) return 1;
            __atomic_store_n(busy, 0, __ATOMIC_RELEASE);
            return 0;
        }
        sched_yield();
    }
}

void __cxa_guard_release(std::uint64_t* guard) {
    auto* const done = reinterpret_cast<unsigned char*>(guard);
    __atomic_store_n(done, 1, __ATOMIC_RELEASE);
    __atomic_store_n(done + 1, 0, __ATOMIC_RELEASE);
}

void __cxa_guard_abort(std::uint64_t* guard) {
    __atomic_store_n(reinterpret_cast<unsigned char*>(guard) + 1, 0, __ATOMIC_RELEASE);
}

}  // extern "C"
