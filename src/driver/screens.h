// The wizard's own screens: welcome, the existing-directory warning, "Files installed!" and the install
// step. Each returns a result code for the wizard to dispatch.
#pragma once

namespace driver {

int welcome_screen();
int dir_exists_screen();  // Next without a word unless the target is an existing directory
int install_screen();     // runs the installation, then Next
int installed_screen();

// The unattended run's steps: a plain line each where a screen would be drawn (nothing when quiet),
// no question anywhere.
int welcome_plain();
int license_plain();
int directory_plain();
int dir_exists_plain();
int installed_plain();

}  // namespace driver
