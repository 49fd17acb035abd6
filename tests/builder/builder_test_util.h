// Helpers shared by the mkinstaller tests: small source trees, fake stubs, running the real binary, and
// byte-level access to an installer image for checks and deliberate damage.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "payload/license_region.h"
#include "payload/profile_region.h"
#include "support/payload_image.h"
#include "support/process.h"
#include "support/temp_dir.h"
#include "support/tree_snapshot.h"

namespace builder_test {

constexpr std::int32_t TEST_TIME = 1700000000;  // 2023-11-14 22:13:20 UTC

// `size` bytes that cannot be mistaken for zeros or for a marker.
std::string junk_bytes(std::size_t size);

// junk_bytes(size) carrying an unwritten licence region of the stub's own bounds at offset 64 (so `size`
// >= FAKE_PROFILE_OFFSET): what build accepts as an installer stub.
std::string fake_stub(std::size_t size);

// fake_stub(size) that also carries an unwritten profile region of the stub's own bounds at
// FAKE_PROFILE_OFFSET (so `size` >= FAKE_STUB_SIZE): what build writes the vendor's settings into.
constexpr std::size_t FAKE_PROFILE_OFFSET = 64 + payload::LICENSE_REGION_SIZE + 32;
std::string fake_profile_stub(std::size_t size);

// A size for either, and where build puts the header block behind it.
constexpr std::size_t FAKE_STUB_SIZE = FAKE_PROFILE_OFFSET + payload::PROFILE_REGION_SIZE + 3000;
constexpr std::size_t FAKE_HEADER_OFFSET = (FAKE_STUB_SIZE + 1023) / 1024 * 1024;

// fake_profile_stub(size) whose region holds the removal rule `removal`: the stub of an installer with
// that rule, for mkinstaller to read.
std::string fake_stub_with_removal(std::size_t size, payload::same_name_removal removal);

// Writes a file with its modification time set to `mtime`.
void write_timed_file(const std::string& path, const std::string& bytes, std::int64_t mtime = TEST_TIME);
void set_mtime(const std::string& path, std::int64_t mtime);
// write_timed_file for each (name, bytes) of `files` beneath `root`.
void write_tree(const std::string& root, const std::vector<std::pair<std::string, std::string>>& files);

// Runs mkinstaller with `args` (program name excluded); SOURCE_DATE_EPOCH is unset unless `env_set` sets it.
testing_support::process_result run_mkinstaller(const std::vector<std::string>& args,
                                                std::vector<std::string> env_set = {},
                                                const std::string& cwd = "");

// Runs `mkinstaller build` with `args` (options, source tree, output), checks that it succeeded, and
// returns the output's path (the last argument).
std::string build_installer(const std::vector<std::string>& args,
                            const std::vector<std::string>& env_set = {});

// build_installer with the options of a reproducible build that carries every file with its time and mode
// and warns about nothing: for the tests that compare the trees installers leave.
std::string build_whole_tree(const std::vector<std::string>& args);

bool path_exists(const std::string& path);

// Installs `installer` into `target` through the dialogue with the real installer; `target` may already
// exist.
void install(const std::string& installer, const std::string& target);

// The names in `dir`, sorted.
std::vector<std::string> dir_names(const std::string& dir);

using testing_support::crc_of;
using testing_support::get_u16;
using testing_support::get_u32;
using testing_support::put_u16;
using testing_support::put_u32;
using testing_support::reseal_header;
using testing_support::reseal_record;
// The names nearly every mkinstaller test uses, here once rather than in each suite.
using testing_support::read_file;
using testing_support::temp_dir;
using testing_support::test_entry;
using testing_support::test_payload;
using testing_support::tree_snapshot;
using testing_support::write_file;

// Creates `root`/ddd.../fff, a relative name of exactly `length` bytes, through directory descriptors
// (the absolute path may exceed PATH_MAX); remove_deep_tree removes what it made.
void make_deep_file(const std::string& root, std::size_t length);
void remove_deep_tree(const std::string& root);

}  // namespace builder_test
