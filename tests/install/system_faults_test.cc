// Faults of the system beneath the installation: a target that fills up, a read-only target, and a file
// too large to hold in memory. Each ends with the numbered report and the system's text, exit status 0;
// a file that the full disk cut short is removed, the files before it stay.
// The mounts are made in a private mount namespace of the child, so they vanish with it; where mounting
// is not permitted the tests are skipped.
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "install/install_files.h"
#include "install_harness.h"
#include "payload/file_record.h"
#include "support/install_in_child.h"
#include "support/private_mount.h"
#include "support/target_fixture.h"
#include "support/tree_snapshot.h"

// The memory test needs a refused allocation to come back as a null pointer under AddressSanitizer too.
extern "C" const char* __asan_default_options() {
    return "allocator_may_return_null=1";
}

namespace {

namespace fs = std::filesystem;
using namespace testing_support;

// The installation of `payload` into `target`, on a tmpfs mounted there in the child. Exit status 77
// means mounting is not permitted.
process_result install_on_tmpfs(const test_payload& payload, const std::string& target, unsigned long flags,
                                const char* options) {
    const std::string image = target + ".installer";
    write_file(image, stub_with_payload(payload_bytes(payload)));
    fs::create_directories(target);
    return install_in_child(image, target, [&] { return private_tmpfs(target, flags, options) ? 0 : 77; });
}

std::string failed(const std::string& report) {
    return report + "\n" + texts::TERMINATED;
}

// The report ends what was written: behind the erased progress of the files before it, or behind the
// drawing of big.bin's chunks so far (a failed write is reported before that line is erased).
void expect_report(const std::string& err, const std::string& report) {
    EXPECT_TRUE(err.ends_with("big.bin " + failed(report)) || err.ends_with("\b" + failed(report))) << err;
}

using SystemFaults = testing_support::target_fixture;

TEST_F(SystemFaults, AFullDiskIsErrorSavingDataAndLeavesNoFileCutShort) {
    // A real installer, stored entries: three small files, then one that the disk cannot hold.
    const std::string source = dir / "source";
    const std::vector<std::pair<std::string, std::string>> files = {
        {"a.txt", "first"}, {"b/b.txt", "second"}, {"c.txt", "third"}, {"d.bin", std::string(200000, 'd')}};
    for (const auto& [name, bytes] : files) write_file(source + "/" + name, bytes);
    const std::string image = dir / "setup";
    const auto built = run_process(MKINSTALLER_PATH, {"mkinstaller", "build", "--store", source, image});
    ASSERT_EQ(built.exit_code, 0) << built.err;
    fs::create_directories(target);
    const std::string left = dir / "left";  // the tree as the installer left it, copied off the tmpfs
    const auto r = run_in_child([&] {
        if (!private_tmpfs(target, 0, "size=64k")) return 77;
        // The target exists: Next to the existing-directory warning.
        const auto run = run_process(image, {image}, {.input = answers_to_install(target) + "n\nn\n"});
        std::fputs(run.err.c_str(), stderr);
        fs::copy(target, left, fs::copy_options::recursive);
        return run.term_signal != 0 ? 100 + run.term_signal : run.exit_code;
    });
    if (r.exit_code == 77) GTEST_SKIP() << "mounting a tmpfs is not permitted here";
    EXPECT_EQ(r.exit_code, 0);

    std::string progress = install_test::BANNER;  // the first erase, with nothing drawn, writes nothing
    const double total = 5 + 6 + 5 + 200000;
    double done = 0;
    for (int i = 0; i < 3; ++i) {
        done += static_cast<double>(files[i].second.size());
        const std::string drawn =
            install_test::drawing(100 * i / 4, static_cast<int>(done * 100 / total), files[i].first);
        progress += drawn + install_test::erasure(static_cast<int>(drawn.size()));
    }
    const std::size_t installing = r.err.find(install_test::BANNER);
    ASSERT_NE(installing, std::string::npos) << r.err;
    EXPECT_EQ(r.err.substr(installing),
              progress + failed("Error saving data - No space left on device (err=1)."));
    // Nothing else either: the temporary that d.bin was written under is gone too.
    EXPECT_EQ(
        tree_snapshot(left),
        (std::map<std::string, std::string>{
            {"a.txt", "file first"}, {"b", "dir"}, {"b/b.txt", "file second"}, {"c.txt", "file third"}}));
}

TEST_F(SystemFaults, AReadOnlyTargetCannotTakeDirectoriesOrFiles) {
    const std::string system_text = std::strerror(EROFS);
    for (const auto& [name, report] :
         {std::pair{"sub/file.txt", "Can't create directory - " + system_text + " (err=4)."},
          std::pair{"file.txt", "Can't create file - " + system_text + " (err=5)."}}) {
        test_payload p;
        p.entries = {{.name = name, .data = "x"}};
        const auto r = install_on_tmpfs(p, target, MS_RDONLY, "size=16k");
        if (r.exit_code == 77) GTEST_SKIP() << "mounting a tmpfs is not permitted here";
        EXPECT_EQ(r.exit_code, 0);
        EXPECT_EQ(r.err, install_test::BANNER + failed(report)) << name;
    }
}

// What the child's address space holds now, from /proc/self/status (kB).
rlim_t address_space_in_use() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("VmSize:")) return std::stoull(line.substr(7)) * 1024;
    }
    return 0;
}

// Takes the heap's free memory (the test runner's leftovers) in small blocks, never released, until the
// address space grows: from then on every allocation needs new address space.
void use_up_free_heap() {
    const rlim_t start = address_space_in_use();
    while (address_space_in_use() == start) {
        for (int i = 0; i < 64; ++i) (void)!std::malloc(1024);
    }
}

TEST_F(SystemFaults, AFileTooLargeForMemoryIsMemoryAllocationError) {
    // A stored entry of 2 GiB whose bytes are not there: the buffers are asked for before they are read.
    test_payload p;
    p.entries = {{.name = "first.txt", .data = "first"}, {.name = "huge.bin", .data = ""}};
    std::string image = stub_with_payload(payload_bytes(p));
    const std::size_t huge = image.size() - record_length(p.entries.back());  // it has no stored bytes
    put_u32(image, huge + payload::RECORD_FILE_SIZE, 0x7FFFFFFF);
    put_u32(image, huge + payload::RECORD_STORED_SIZE, 0x7FFFFFFF);
    reseal_record(image, huge);
    const std::string path = dir / "setup.bin";
    write_file(path, image);
    const auto r = install_in_child(path, target, [] {
        // Room for what the process holds and a little more, far from 2 GiB.
        const rlim_t limit = address_space_in_use() + (256u << 20);
        const rlimit bound{limit, limit};
        return setrlimit(RLIMIT_AS, &bound) != 0 ? 77 : 0;
    });
    EXPECT_EQ(r.exit_code, 0);
    expect_report(r.err, "Memory allocation error (err=3).");
    EXPECT_EQ(read_file(target + "/first.txt"), "first");
}

TEST_F(SystemFaults, AnIndexThatCannotGrowLeavesTheRemovalToTheWalk) {
    // A target already holding thousands of long names, whose index needs megabytes, and a payload one of
    // whose names is among them: with the address space bounded just before the installation, the
    // installation still ends as it does unbounded, and the same-named file is removed all the same.
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's operator new ends the process instead of throwing";
#endif
    test_payload p;
    p.entries = {{.name = "new/x.txt", .data = "x"}, {.name = "new/y.txt", .data = "y"}};
    const std::string padding(200, 'n');
    const std::string bounded = dir / "bounded";
    const std::string free = dir / "free";
    for (const std::string& t : {bounded, free}) {
        write_file(t + "/old/x.txt", "old");
        for (int i = 0; i < 3000; ++i) write_file(t + "/old/" + std::to_string(i) + padding, "");
    }
    const std::string image = dir / "setup.bin";
    write_file(image, stub_with_payload(payload_bytes(p)));
    const auto r = run_in_child([&] {
        set_up_install(std::fopen(image.c_str(), "rb"), bounded);
        use_up_free_heap();
        const rlim_t limit = address_space_in_use() + (512u << 10);
        const rlimit bound{limit, limit};
        if (setrlimit(RLIMIT_AS, &bound) != 0) return 77;
        install::install_files();
        return 0;
    });
    const auto unbounded = install_test::run_install(p, free);
    EXPECT_EQ(r.term_signal, 0);
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.err, unbounded.err);
    for (const std::string& t : {bounded, free}) {
        EXPECT_FALSE(fs::exists(t + "/old/x.txt")) << t;
        EXPECT_EQ(read_file(t + "/new/x.txt"), "x") << t;
        EXPECT_EQ(read_file(t + "/new/y.txt"), "y") << t;
    }
}

}  // namespace
