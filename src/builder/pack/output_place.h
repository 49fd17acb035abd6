// Where OUTPUT may go: not into the tree it is built from.
#pragma once

#include <string>

namespace builder {

// Throws an error when OUTPUT's directory is the source directory or lies beneath it. OUTPUT, its
// .sha256 and their temporary names all stand in that directory, so the next build would pack this
// one's installer (growing with every rebuild), and a build system that watches the tree would never
// see the installer up to date. Refused rather than left out of the scan: a rule is plainer than a list
// of exceptions, and an earlier installer left there under another name would still be packed. Links
// are resolved on both sides; a source directory that cannot be resolved is left for the scan to report.
void refuse_output_in_source(const std::string& source_dir, const std::string& output);

}  // namespace builder
