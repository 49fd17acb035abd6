// The commands of mkinstaller. Each throws error on failure; output goes to the given streams.
#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "builder/pack/build_settings.h"

namespace builder {

void run_build(const build_arguments& args, std::ostream& out, std::ostream& warnings);
void run_list(const std::string& installer, bool json, std::ostream& out, std::ostream& warnings);
// Returns whether the trees differ. With `update_of`, `old_installer` is an update laid over the tree
// the installer `update_of` leaves. An update among plain diff's operands draws a note on `warnings`.
bool run_diff(const std::string& old_installer, const std::string& new_installer,
              const std::optional<std::string>& update_of, bool json, std::ostream& out,
              std::ostream& warnings);
// Unless `any_stub`, the program in front of the payload must be a stub this mkinstaller ships.
void run_verify(const std::string& installer, bool any_stub, std::ostream& out, std::ostream& warnings);
void run_info(const std::string& installer, std::ostream& out);
void run_license(const std::string& installer, std::ostream& out);
void run_extract(const std::string& installer, const std::string& dir, bool force, bool keep_setid,
                 std::ostream& out);

}  // namespace builder
