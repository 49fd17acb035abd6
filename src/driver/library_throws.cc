// The stub's own definitions of the routines through which libstdc++'s containers and strings report
// failure, linked into the installer program alone (mkinstaller and the tests keep the library's). The
// library's versions build each exception's message as a std::string and translate it, which links
// the string and exception classes and their locale code into the stub, some 55 KB.
//
// Behaviour is kept: the stub catches only std::bad_alloc (the name index falls back to the walk), so the
// allocation failures still throw their own types, and every other error, which nothing in the stub
// catches and which would reach std::terminate after its search for a handler, goes there at once.
// Every routine of the library's object file is defined here, so that none of it is ever pulled in.
#include <bits/functexcept.h>

#include <exception>
#include <new>
#include <typeinfo>

namespace std {

void __throw_bad_alloc() {
    throw bad_alloc();
}

void __throw_bad_array_new_length() {
    throw bad_array_new_length();
}

void __throw_bad_cast() {
    throw bad_cast();
}

void __throw_bad_typeid() {
    throw bad_typeid();
}

void __throw_bad_exception() {
    throw bad_exception();
}

void __throw_logic_error(const char*) {
    terminate();
}

void __throw_domain_error(const char*) {
    terminate();
}

void __throw_invalid_argument(const char*) {
    terminate();
}

void __throw_length_error(const char*) {
    terminate();
}

void __throw_out_of_range(const char*) {
    terminate();
}

void __throw_out_of_range_fmt(const char*, ...) {
    terminate();
}

void __throw_runtime_error(const char*) {
    terminate();
}

void __throw_range_error(const char*) {
    terminate();
}

void __throw_overflow_error(const char*) {
    terminate();
}

void __throw_underflow_error(const char*) {
    terminate();
}

}  // namespace std
