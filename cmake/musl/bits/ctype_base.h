// The character classes of the C++ library's ctype facet, in place of the glibc-configured header, which
// takes its masks from glibc's <ctype.h>. <memory> brings the facet's declarations in through <ostream>;
// the stub never uses a locale, so no value here reaches a program. These are the library's own masks
// for systems without a classification table of their own.
#pragma once

namespace std _GLIBCXX_VISIBILITY(default) {
_GLIBCXX_BEGIN_NAMESPACE_VERSION

struct ctype_base {
    typedef const int* __to_type;
    typedef unsigned short mask;
    static const mask upper = 1 << 0;
    static const mask lower = 1 << 1;
    static const mask alpha = 1 << 2;
    static const mask digit = 1 << 3;
    static const mask xdigit = 1 << 4;
    static const mask space = 1 << 5;
    static const mask print = 1 << 6;
    static const mask graph = (1 << 2) | (1 << 3) | (1 << 9);
    static const mask cntrl = 1 << 8;
    static const mask punct = 1 << 9;
    static const mask alnum = (1 << 2) | (1 << 3);
    static const mask blank = 1 << 10;
};

_GLIBCXX_END_NAMESPACE_VERSION
}  // namespace std
