// The name index's hooks for tests, apart from its public header: a switch to the plain walk, so that a
// test can hold the index to the reference, and the count of tree reads, so that it can see that the index
// served. The installer itself never sets or reads them.
#pragma once

namespace install {

// Which same-name removal the extraction loop uses. The index is the default; the walk is the reference.
enum class same_name_method { index, walk };
extern same_name_method same_name_removal;

// How many times the tree has been read since the last reset: one for a usual installation, more only
// when entries that the index cannot follow made it stale.
unsigned name_index_reads();

}  // namespace install
