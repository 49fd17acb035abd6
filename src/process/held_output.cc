#include "process/held_output.h"

namespace process {
namespace {

void (*held_output_flush)() = nullptr;

}  // namespace

void set_held_output_flush(void (*flush)()) {
    held_output_flush = flush;
}

void flush_held_output() {
    if (held_output_flush != nullptr) held_output_flush();
}

}  // namespace process
