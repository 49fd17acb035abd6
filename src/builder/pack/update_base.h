// The base an update checks before it writes anything: the release it installs over (OLD's product and
// version) and the files OLD's tree holds that the new tree still holds at the same path, each with its
// bytes before and after the update. Every such file is a candidate, in the order checked: first those
// the update leaves in place, then those it rewrites, each kind newest first by OLD's time (the files a
// newer or older release is likeliest to have changed), then by path. The build keeps as many as the
// profile region holds (fit_base_files).
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
