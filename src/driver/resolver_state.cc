// The per-thread resolver state pointer that the static C library's pthread_create sets for each new
// thread, defined here for the installer program alone. The library keeps it in one object file with
// the resolver's initialisation, so the read-ahead worker's pthread_create would otherwise link the
// resolver, its configuration reader and the network interface code, some 65 KB, into a program that
// never resolves a name. Only pthread_create refers to it here; the resolver's per-thread cleanup is a
// weak reference that stays unresolved. Should a C library keep anything else in that object file, the
// link fails with a duplicate definition rather than linking a wrong program.
struct __res_state;

extern "C" {
__thread __res_state* __libc_resp = nullptr;
}
