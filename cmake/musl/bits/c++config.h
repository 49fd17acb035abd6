// The C++ library's headers come configured for glibc; the stub compiles them against musl. This file
// stands first on the include path: it takes the configuration as it is and withdraws what only glibc
// provides, so that no header refers to it.
#include_next <bits/c++config.h>

// glibc 2.30's clock-selecting waits and locks.
#undef _GLIBCXX_USE_PTHREAD_COND_CLOCKWAIT
#undef _GLIBCXX_USE_PTHREAD_MUTEX_CLOCKLOCK
#undef _GLIBCXX_USE_PTHREAD_RWLOCK_CLOCKLOCK

// No instantiation of the library's own is linked (std::string's, std::allocator's): the stub
// instantiates what it uses itself.
#undef _GLIBCXX_EXTERN_TEMPLATE
#define _GLIBCXX_EXTERN_TEMPLATE 0
