// Each reading command reads the program in front of an installer's payload once, for the header search
// and both stub regions alike, and the payload in no more passes than it needs: none for info and
// license, the records for list, the records and then the entries' bytes for verify, extract and diff.
// Counted by the bytes this process reads (/proc/self/io): a second read of the program (most of an
// installer) or a third pass over a payload of small entries takes the count past the bound.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "builder/commands/commands.h"
#include "builder/inspect/installer_reader.h"
#include "builder_test_util.h"

namespace {

using namespace builder_test;

// A pass reads whole blocks of the file; the header search's last block runs into the payload, and the
// header block is read once more after it: a second block covers both wherever the header falls in its
// block. Reading /proc/self/io counts too.
constexpr std::uint64_t READ_ONCE_SEARCH_BLOCK = 16384;
constexpr std::uint64_t READ_ONCE_COUNTER = 256;

// The bytes this process has read, or nothing where the kernel does not count them.
std::optional<std::uint64_t> bytes_read() {
    std::ifstream io("/proc/self/io");
    for (std::string key; io >> key;) {
        std::uint64_t value = 0;
        io >> value;
        if (key == "rchar:") return value;
    }
    return std::nullopt;
}

// The most a command may read of `installer` in `passes` passes over its payload.
std::uint64_t read_bound(const std::string& installer, int passes) {
    struct stat st {};
    EXPECT_EQ(stat(installer.c_str(), &st), 0);
    const std::uint64_t program = builder::open_installer(installer, "test").header_offset;
    const std::uint64_t payload = static_cast<std::uint64_t>(st.st_size) - program;
    const auto block = static_cast<std::uint64_t>(st.st_blksize);
    return program + 2 * READ_ONCE_SEARCH_BLOCK + passes * (payload + 2 * block);
}

TEST(ReadOnce, EachCommandReadsTheProgramOnceAndThePayloadInItsOwnPasses) {
    if (!bytes_read()) GTEST_SKIP() << "no /proc/self/io";
    temp_dir dir;
    // Entries smaller than a block, so that any pass over the records reads most of the payload.
    std::vector<std::pair<std::string, std::string>> files;
    for (int i = 0; i < 200; ++i)
        files.emplace_back((i % 2 == 0 ? "a/" : "b/") + std::to_string(i), junk_bytes(2000));
    write_tree(dir / "v1", files);
    files.front().second += "changed";
    files.emplace_back("new", "n");
    write_tree(dir / "v2", files);
    write_file(dir / "LICENSE", "Terms.\n");
    const std::string old = build_installer(
        {"--allow-same-name", "--license", dir / "LICENSE", "--title", "Old Setup", dir / "v1", dir / "old"});
    const std::string fresh = build_installer({"--allow-same-name", dir / "v2", dir / "new"});
    const std::string update =
        build_installer({"--allow-same-name", "--update-from", old, dir / "v2", dir / "update"});
    std::ostringstream out;
    std::ostringstream warnings;
    struct read_case {
        const char* command;
        std::function<void()> run;
        std::vector<std::string> installers;
        int passes;
    };
    const std::vector<read_case> cases = {
        {"list", [&] { builder::run_list(old, false, out, warnings); }, {old}, 1},
        {"list --json", [&] { builder::run_list(old, true, out, warnings); }, {old}, 1},
        {"verify", [&] { builder::run_verify(old, true, out, warnings); }, {old}, 2},
        {"info", [&] { builder::run_info(update, out); }, {update}, 0},
        {"license", [&] { builder::run_license(old, out); }, {old}, 0},
        {"extract", [&] { builder::run_extract(old, dir / "x", false, false, out); }, {old}, 2},
        {"diff", [&] { builder::run_diff(old, fresh, std::nullopt, false, out, warnings); }, {old, fresh}, 2},
        {"diff --update",
         [&] { builder::run_diff(update, fresh, old, true, out, warnings); },
         {old, update, fresh},
         2},
    };
    for (const read_case& c : cases) {
        SCOPED_TRACE(c.command);
        // Besides: the shipped stubs, which list, verify and info compare the program with.
        std::uint64_t bound = READ_ONCE_COUNTER;
        for (const std::string& stub : builder::shipped_stubs()) bound += std::filesystem::file_size(stub);
        for (const std::string& installer : c.installers) bound += read_bound(installer, c.passes);
        const std::uint64_t before = *bytes_read();
        out.str("");
        ASSERT_NO_THROW(c.run());
        const std::uint64_t read = *bytes_read() - before;
        EXPECT_NE(out.str(), "");
        EXPECT_LE(read, bound);
    }
}

}  // namespace
