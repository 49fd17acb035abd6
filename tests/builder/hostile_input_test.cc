// The reading commands on hostile input: whatever the bytes or the kind of file, each answers at once with
// a message and exit status 1, and takes memory in proportion to the installer's real size. Inputs that
// are not regular files (an endless device, a fifo without a writer), the installers' and the files build
// reads alike, are refused before a byte is read, and a file larger than its use is read no further;
// sizes that claim more than the file holds are never allocated; control bytes in names and header texts
// never reach the terminal raw.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <fstream>
#include <sstream>
#include <utility>

#include "builder/commands/commands.h"
#include "builder/pack/license_layout.h"
#include "builder/util/display_text.h"
#include "builder/util/error.h"
#include "builder/util/input_file.h"
#include "builder_test_util.h"
#include "payload/file_record.h"
#include "payload/header_block.h"
#include "support/installer_run.h"

namespace {

using namespace builder_test;

constexpr int HOSTILE_SECONDS = 10;  // far beyond what refusing takes: a run this long is a hang

testing_support::process_result run_briefly(const std::vector<std::string>& args) {
    std::vector<std::string> argv{"mkinstaller"};
    argv.insert(argv.end(), args.begin(), args.end());
    testing_support::process_options options;
    options.timeout_seconds = HOSTILE_SECONDS;
    return testing_support::run_process(MKINSTALLER_PATH, argv, options);
}

TEST(HostileInput, InputsThatAreNotRegularFilesAreRefusedAtOnce) {
    temp_dir dir;
    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
    const std::vector<std::pair<std::string, std::string>> inputs = {
        {"/dev/zero", "character device"}, {dir / "fifo", "fifo"}, {dir.path(), "directory"}};
    for (const auto& [input, kind] : inputs) {
        for (const auto& command : std::vector<std::vector<std::string>>{{"info", input},
                                                                         {"verify", input},
                                                                         {"list", "--json", input},
                                                                         {"extract", input, dir / "out"}}) {
            SCOPED_TRACE(command[0] + " " + input);
            const auto r = run_briefly(command);
            EXPECT_FALSE(r.timed_out);
            EXPECT_EQ(r.exit_code, 1);
            EXPECT_NE(r.err.find("\" is a " + kind + ", not a regular file"), std::string::npos) << r.err;
        }
    }
    EXPECT_FALSE(path_exists(dir / "out"));

    write_timed_file(dir / "src/a.txt", "a");
    const auto r = run_briefly({"build", "--stub", "/dev/zero", dir / "src", dir / "setup"});
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find("stub \"/dev/zero\" is a character device, not a regular file"), std::string::npos)
        << r.err;
    EXPECT_EQ(dir_names(dir.path()), (std::vector<std::string>{"fifo", "src"}));  // no temporary file left
}

TEST(HostileInput, FilesThatBuildReadsAreRefusedUnlessRegular) {
    temp_dir dir;
    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
    write_timed_file(dir / "src/a.txt", "a");
    for (const char* option :
         {"--license", "--profile", "--closing-text", "--existing-dir-text", "--update-from"}) {
        for (const auto& [input, kind] : std::vector<std::pair<std::string, std::string>>{
                 {"/dev/zero", "character device"}, {dir / "fifo", "fifo"}}) {
            SCOPED_TRACE(std::string(option) + " " + input);
            const auto r =
                run_briefly({"build", "--stub", INSTALLER_PATH, option, input, dir / "src", dir / "setup"});
            EXPECT_FALSE(r.timed_out);
            EXPECT_EQ(r.exit_code, 1);
            EXPECT_NE(r.err.find(input + "\" is a " + kind + ", not a regular file"), std::string::npos)
                << r.err;
        }
    }
    EXPECT_FALSE(path_exists(dir / "setup"));
}

std::size_t address_space_in_use() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("VmSize:")) return std::stoull(line.substr(7)) * 1024;
    }
    return 0;
}

// Runs `command` in a child whose address space may grow by 16 MiB at most; its standard error holds the
// message of the error it ended with.
testing_support::process_result run_bounded(const std::function<void()>& command) {
    return testing_support::run_in_child([&] {
        const rlim_t limit = address_space_in_use() + (16u << 20);
        const rlimit bound{limit, limit};
        if (setrlimit(RLIMIT_AS, &bound) != 0) return 77;
        try {
            command();
        } catch (const builder::error& e) {
            std::fprintf(stderr, "%s\n", e.what());
            return 1;
        } catch (const std::bad_alloc&) {
            std::fprintf(stderr, "out of memory\n");
            return 2;
        }
        return 0;
    });
}

TEST(HostileInput, SizesAreBelievedOnlyAsFarAsTheFileGoes) {
    temp_dir dir;
    // A stored entry claiming 4 GiB that the file does not hold.
    const test_entry last{.name = "huge.bin"};  // no stored bytes: its record ends the image
    std::string image = testing_support::stub_with_payload(
        testing_support::payload_bytes({.entries = {{.name = "a.txt", .data = "a"}, last}}));
    const std::size_t huge = image.size() - testing_support::record_length(last);
    put_u32(image, huge + payload::RECORD_FILE_SIZE, 0xFFFFFFF0u);
    put_u32(image, huge + payload::RECORD_STORED_SIZE, 0xFFFFFFF0u);
    reseal_record(image, huge);
    testing_support::write_file(dir / "cut", image);

    // A compressed entry of a few bytes whose file size claims 24 MiB, as the header's total does: decoded
    // in chunks, never held whole.
    const test_entry big = testing_support::repeated_byte_entry("big.bin", 'b', 1000);
    image = testing_support::stub_with_payload(testing_support::payload_bytes({.entries = {big}}));
    const std::size_t record = image.size() - big.stored.size() - (38 + 7 + 8);
    put_u32(image, record + payload::RECORD_FILE_SIZE, 24u << 20);
    reseal_record(image, record);
    put_u32(image, record - payload::HEADER_SIZE + payload::HEADER_TOTAL_SIZE, 24u << 20);
    reseal_header(image, record - payload::HEADER_SIZE);
    testing_support::write_file(dir / "big", image);

    std::ostringstream out, warnings;
    for (const char* command : {"verify", "extract"}) {
        SCOPED_TRACE(command);
        const auto run = [&](const std::string& installer) {
            return run_bounded([&] {
                if (std::string(command) == "verify")
                    builder::run_verify(installer, true, out, warnings);
                else
                    builder::run_extract(installer, dir / "out", false, false, out);
            });
        };
        auto r = run(dir / "cut");
        EXPECT_EQ(r.exit_code, 1) << r.err;
        EXPECT_NE(
            r.err.find("entry 2 \"huge.bin\": stored bytes cut short by the end of the file (the installer "
                       "stops with \"Corrupted file(s) (err=3).\")"),
            std::string::npos)
            << r.err;
        r = run(dir / "big");
        EXPECT_EQ(r.exit_code, 1) << r.err;
        EXPECT_NE(r.err.find("Corrupted file(s) (err=5)."), std::string::npos) << r.err;
    }
    EXPECT_EQ(dir_names(dir / "out"), std::vector<std::string>{"a.txt"});
}

TEST(HostileInput, AFileLargerThanItsUseIsRefusedWithoutBeingRead) {
    temp_dir dir;
    write_file(dir / "line", std::string(std::size_t{20} << 20, 'x'));  // one line of 20 MiB
    auto r = run_bounded([&] { (void)builder::load_license_file(dir / "line"); });
    EXPECT_EQ(r.exit_code, 1) << r.err;
    EXPECT_NE(r.err.find("licence \"" + dir / "line" + "\" is larger than 262144 bytes"), std::string::npos)
        << r.err;
    // A file whose size is not its length is read only as far as its limit, and refused.
    r = run_bounded([&] { (void)builder::read_input_file("/proc/self/maps", "", "", 16); });
    EXPECT_EQ(r.exit_code, 1) << r.err;
    EXPECT_EQ(r.err, "\"/proc/self/maps\" is larger than 16 bytes\n");
}

TEST(HostileInput, ControlBytesInNamesAndTextsAreShownEscaped) {
    EXPECT_EQ(builder::display_text("a\\b\x01\x7f\a\b\t\n\v\f\r\x1b \xc3\xa9"),
              "a\\\\b\\x01\\x7f\\a\\b\\t\\n\\v\\f\\r\\x1b \xc3\xa9");

    temp_dir dir;
    const std::string fake = "\r\x1b[2KInstallation complete.";
    test_payload payload{.version = "1.0" + fake, .entries = {{.name = "evil\x1b]0;t\x07.txt", .data = "x"}}};
    std::string image = testing_support::stub_with_payload(testing_support::payload_bytes(payload));
    image.back() ^= 1;  // the stored bytes fail their CRC, so that verify names the entry
    testing_support::write_file(dir / "setup", image);
    const std::string shown_fake = "\\r\\x1b[2KInstallation complete.";
    for (const auto& command : std::vector<std::vector<std::string>>{
             {"list", dir / "setup"}, {"info", dir / "setup"}, {"verify", dir / "setup"}}) {
        SCOPED_TRACE(command[0]);
        const auto r = run_mkinstaller(command);
        const std::string both = r.out + r.err;
        EXPECT_EQ(both.find_first_of("\x1b\r\x07"), std::string::npos) << both;
        if (command[0] != "verify") {
            EXPECT_NE(r.out.find("1.0" + shown_fake), std::string::npos) << r.out;
        }
        if (command[0] != "info") {
            EXPECT_NE(both.find("evil\\x1b]0;t\\a.txt"), std::string::npos) << both;
        }
    }
}

}  // namespace
