// An installer file as every reading command holds it: opened and its header found once, and what is read
// from it read once, when first asked for: the stub regions of the program in front of the payload (from
// the bytes the header search read), and the records with their sums (one pass, payload_records.h). The
// walk over the entries' bytes reads those records again from memory, never from the file.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "builder/format/stub_profile.h"
#include "builder/inspect/installer_reader.h"
#include "builder/inspect/payload_records.h"
#include "builder/inspect/payload_walk.h"
#include "builder/inspect/stub_identity.h"
#include "builder/inspect/stub_regions.h"

namespace builder {

class installer_file {
  public:
    // `in` is opened (open_installer_into found its header); `context` starts every message about what is
    // read from it ("verify", or "diff: \"old-setup\""). `shipped`: the stubs this mkinstaller ships, to
    // tell whether the program is one of them.
    installer_file(installer_payload in, std::string context, std::vector<std::string> shipped = {});

    installer_payload& payload() { return in_; }

    // Throws error after `context` when the program cannot be read.
    const stub_regions& regions();

    // Whether the program is a shipped stub (stub_identity.h). The regions of one are read where the stub
    // holds them, as the installer reads its own; of any other program, where its markers are found.
    const stub_identity& identity();

    // The settings the installer runs with: the built-in values when its profile region is unwritten,
    // damaged or missing (a damaged region is for verify to report; the installer then runs no further than
    // its start).
    profile_values settings();

    // Held to the header's totals (read_payload_records).
    const payload_records& records();

    // The entries' bytes read in the installer's order (walk_records), a record that takes a sum past the
    // header's total named before anything is decoded.
    std::optional<walk_stop> walk(const entry_visitor& visit, walk_layout layout = {});

  private:
    installer_payload in_;
    std::string context_;
    std::vector<std::string> shipped_;
    std::optional<stub_identity> identity_;
    std::optional<stub_regions> regions_;
    std::optional<payload_records> records_;
};

}  // namespace builder
