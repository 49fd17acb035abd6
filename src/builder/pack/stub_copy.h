// The program at the head of every installer: the stub, judged to be the installer's own and copied to
// OUTPUT, with a vendor's licence written into its licence region and the vendor's settings into its
// profile region when the build carries them; without either it is copied byte for byte.
#pragma once

#include <cstdint>

#include "builder/pack/build_settings.h"
#include "builder/util/output_file.h"

namespace builder {

// Writes the stub named by settings.stub to `out` and returns its size. The stub is read whole: its
// regions must be found, and perhaps rewritten, before it is copied. Throws error for a file that is not
// a whole installer stub, whose licence region is damaged and not replaced, whose profile region is
// damaged, or that has no profile region for the settings given.
std::uint64_t copy_stub(const build_settings& settings, output_file& out);

}  // namespace builder
