// What the installation does when an allocation of its own bookkeeping (the name index, the directory
// chain) fails. Built with exceptions, the work gives way to a fallback that needs no memory of its own.
// The stub linked against musl is built without them: there a failed allocation ends the program where it
// happens, as an uncaught one would, so bookkeeping that may grow with the target keeps out of the way of
// a memory limit instead (memory_is_limited).
#pragma once

#include <sys/resource.h>

#ifdef __cpp_exceptions
#include <new>
#endif

namespace install {

#ifdef __cpp_exceptions
inline constexpr bool ALLOCATION_FAILURE_RECOVERS = true;
#else
inline constexpr bool ALLOCATION_FAILURE_RECOVERS = false;
#endif

// Runs `work`, or, should an allocation fail within it, `recover` after it.
template <typename Work, typename Recover>
decltype(auto) recovering_from_allocation_failure(Work&& work, Recover&& recover) {
#ifdef __cpp_exceptions
    try {
        return work();
    } catch (const std::bad_alloc&) {
        return recover();
    }
#else
    (void)recover;
    return work();
#endif
}

// Whether an address-space or data limit bounds the process: only then does an allocation fail rather
// than the kernel reclaiming memory.
inline bool memory_is_limited() {
    for (const int resource : {RLIMIT_AS, RLIMIT_DATA}) {
        rlimit limit{};
        if (getrlimit(resource, &limit) != 0 || limit.rlim_cur != RLIM_INFINITY) return true;
    }
    return false;
}

}  // namespace install
