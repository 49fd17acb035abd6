// The system's text for an error number, as a glibc system words it, whatever C library the stub is
// linked with: other libraries word their error texts differently, and the stub's messages must not.
#pragma once

namespace payload {

// glibc's strerror text for `errnum` in the C locale: "Unknown error N" beyond its table. Not
// reentrant: an unknown number's text lives in a static buffer until the next such call (the stub
// reports errors from its main thread only; mkinstaller words what the installer would say).
const char* error_text(int errnum);

}  // namespace payload
