// The risk: the installer's system calls grow back per file, which no transcript shows. The real
// installer runs under strace twice, with a few and with many entries, and the calls the extra entries
// cost are counted: one write to standard error per finished small file (its drawing and erase together),
// no test of the target per same-name removal of a file nor of a new directory before it is made, and the
// installer's own file read in large pieces with no seek per header candidate. Skipped where strace is
// missing or may not trace.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <regex>
#include <sstream>

#include "support/installer_run.h"

namespace {

namespace fs = std::filesystem;
using namespace testing_support;

std::string strace_program() {
    for (const char* dir : {"/usr/bin", "/bin", "/usr/local/bin"}) {
        const std::string path = std::string(dir) + "/strace";
        if (access(path.c_str(), X_OK) == 0) return path;
    }
    return "";
}

// Entries dK/n, each in a directory of its own and each removing the file of the entry before it.
test_payload chain(int count) {
    test_payload p;
    for (int k = 0; k < count; ++k)
        p.entries.push_back({.name = "d" + std::to_string(k) + "/n", .data = "k"});
    return p;
}

struct call_counts {
    int stderr_writes = 0, image_reads = 0, image_seeks = 0, stats = 0;
    std::uintmax_t image_size = 0;
    bool traced = false;
};

call_counts traced_install(const temp_dir& dir, const std::string& name, int count) {
    call_counts counts;
    const std::string image = write_installer(dir / (name + ".setup"), chain(count));
    counts.image_size = fs::file_size(image);
    const std::string log = dir / (name + ".log");
    const std::string target = dir / name;
    process_options options;
    options.input = answers_to_install(target);
    const process_result r = run_process(strace_program(),
                                         {"strace", "-f", "-qq", "-y", "-o", log, "-e",
                                          "trace=read,readv,write,writev,lseek,stat,newfstatat", image},
                                         options);
    if (r.exit_code != 0 || !fs::exists(target + "/d" + std::to_string(count - 1) + "/n")) return counts;
    counts.traced = true;
    const std::string image_fd_path = fs::canonical(image);  // as strace shows a descriptor's file
    std::istringstream lines(read_file(log));
    // The call, its first argument, and with -y the path of a descriptor there.
    const std::regex call(R"(^(?:\d+ +)?(\w+)\((\d*)(?:<([^>]*)>)?)");
    for (std::string line; std::getline(lines, line);) {
        std::smatch m;
        if (!std::regex_search(line, m, call)) continue;
        const std::string function = m[1];
        // A C library may read and write its streams with the vectored calls.
        counts.stderr_writes += (function == "write" || function == "writev") && m[2] == "2";
        counts.image_reads += (function == "read" || function == "readv") && m[3] == image_fd_path;
        counts.image_seeks += function == "lseek" && m[3] == image_fd_path;
        counts.stats += function == "stat" || function == "newfstatat";
    }
    return counts;
}

TEST(SystemCallBudget, ExtraFilesCostOneProgressWriteAndNoStatEach) {
    if (strace_program().empty()) GTEST_SKIP() << "no strace";
    temp_dir dir;
    const call_counts few = traced_install(dir, "few", 10);
    const call_counts many = traced_install(dir, "many", 50);
    if (!few.traced || !many.traced) GTEST_SKIP() << "strace cannot trace here";
    // 40 more files, every one stored and small, in a new directory and removing a file of its name.
    EXPECT_LE(many.stderr_writes - few.stderr_writes, 40);
    EXPECT_LE(many.stats - few.stats, 2);
    for (const call_counts& c : {few, many}) {
        EXPECT_GT(c.image_reads, 0);
        EXPECT_LE(c.image_reads, 4 + static_cast<int>(c.image_size / 65536));
        EXPECT_LE(c.image_seeks, 4);
    }
}

}  // namespace
