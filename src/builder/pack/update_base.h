// The base an update checks before it writes anything: the release it installs over (OLD's product and
// version) and a few files OLD's tree holds that the new tree still holds at the same path, each with
// what stands there before and after the update. The files are chosen to tell an empty target, another
// product and another release from OLD's own tree: half from the files the update leaves in place, half
// from those it rewrites, each kind newest first by OLD's time (the files a newer or older release is
// likeliest to have changed), then by path; a kind that falls short leaves its places to the other.
#pragma once

#include "builder/format/stub_profile.h"
#include "builder/inspect/installer_tree.h"
#include "builder/pack/payload_plan.h"

namespace builder {

// `update` is the update's own plan, `new_tree` what it leaves over OLD's tree. Throws error when OLD's
// product or version cannot be named (empty, or holding a control character).
update_base_settings choose_base_files(const installer_tree& old, const layout_tree& new_tree,
                                       const payload_plan& update);

}  // namespace builder
