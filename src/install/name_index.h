// The fast same-name removal: the target tree read once into an index of names, kept up to date as the
// extraction loop removes and writes entries, so that removing every entry of a name costs a look-up
// instead of a walk of the whole tree. The plain walk (remove_named_entries, directory_ops.h) stays the
// reference: both leave the same tree behind, which tests/install/same_name_equivalence_test.cc checks on
// randomized trees and payloads. Nothing here prints or stops the installer.
//
// What the index holds is exactly what the walk would meet: every entry beneath the target reached without
// following a link, with whether it is a directory in its own right, a link or something else. It stays
// exact only while the installer itself is the one changing the tree, and only for what it can predict:
// an entry whose name is not plain (empty, a leading, doubled or trailing '/', a '\', a "." or ".."
// component) or whose path passes through a link, a non-directory or an unreadable directory marks the
// index stale, and the next removal reads the tree afresh. A tree in which one directory can be reached
// twice (a bind mount of a directory into its own tree) is never indexed: the walk runs instead.
#pragma once

#include <cstddef>

namespace install {

// Forgets the index: the next removal reads the tree afresh. install_files calls it once at its start.
void reset_name_index();

// Before each entry is written: removes, anywhere beneath `dir`, every entry named `name`, with the same
// result as remove_named_entries(dir, name). False when only regular files went (or nothing): true when a
// directory may have gone, which the directories held open for writing must then not be trusted with.
bool remove_same_named(const char* dir, const char* name);

// Tells the index what the rest of an entry did to the tree beneath `dir` (the same `dir` as the removal):
// a file entry `name` has had its directories made and its file opened for writing; a delete entry `name`
// has been removed when `removed` (remove or rmdir succeeded).
void note_file_written(const char* dir, const char* name);
void note_path_deleted(const char* dir, const char* name, bool removed);

// Whether the index knows that nothing stands at file entry `name` beneath `dir` (as for the removal),
// its directories made: the one test of the path before the file is placed is then spared. False when
// something stands there or the index cannot tell.
bool known_free_path(const char* dir, const char* name);

}  // namespace install
