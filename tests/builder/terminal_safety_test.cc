// Terminal safety: no control character from outside reaches the terminal raw, whichever command prints
// it and wherever it comes from (an entry's name, a header text, the licence region, a path or an argument
// on the command line). C1 counts as control as C0 does, both as UTF-8 (C2 9B) and as a lone byte (9B,
// which a terminal reading 8-bit controls takes for ESC [); build refuses it wherever it refuses C0.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "builder_test_util.h"
#include "payload/license_region.h"
#include "support/json_reader.h"
#include "support/stub_regions.h"

namespace {

using namespace builder_test;

// The bytes of the inputs below that a terminal obeys: ESC, BEL, CR, C1 CSI and NEL (as UTF-8 and lone).
constexpr std::string_view RAW_CONTROLS = "\x1b\x07\r\x9b\x85";
const std::string OSC = "\x1b]0;t\x07", UTF8_CSI = "\xc2\x9b", LONE_CSI = "\x9b";

TEST(TerminalSafety, NoCommandPrintsAControlCharacterRaw) {
    temp_dir dir;
    const test_payload payload{.product = "P" + UTF8_CSI + "2J",
                               .platform = "for" + LONE_CSI + "2J",
                               .entries = {{.name = "a" + OSC + ".txt", .data = "a"},
                                           {.name = "b" + UTF8_CSI + "31m.txt", .data = "b"},
                                           {.name = "c" + LONE_CSI + "2J.txt", .data = "c"}}};
    std::string stub = read_file(INSTALLER_PATH);
    testing_support::write_region(
        reinterpret_cast<unsigned char*>(stub.data() +
                                         testing_support::region_offset(stub, payload::LICENSE_MARKER_KEPT)),
        "Terms" + UTF8_CSI + "1m " + OSC + LONE_CSI + "\n");
    const std::string setup = testing_support::write_installer_with_stub(dir / "setup", stub, payload);
    const std::string odd = dir / ("x" + OSC + UTF8_CSI + LONE_CSI);  // a path of the command line
    write_timed_file(dir / "src/a.txt", "a");

    const std::vector<std::vector<std::string>> commands = {
        {"list", setup},
        {"list", "--json", setup},
        {"info", setup},
        {"verify", setup},
        {"license", setup},
        {"extract", setup, dir / "out"},
        {"extract", setup, odd},
        {"diff", setup, testing_support::write_installer(dir / "empty", {})},
        {"diff", "--json", setup, dir / "empty"},
        {"verify", odd},
        {"info", setup, odd},
        {"build", dir / "src", odd},
        {"build", "--license", odd, dir / "src", dir / "o"},
        {"build", "--exclude", odd, dir / "src", dir / "o2"},
        {"--jobs" + OSC},
        {"list", "--" + LONE_CSI},
    };
    for (const auto& command : commands) {
        SCOPED_TRACE(command[0] + " " + command.back());
        const auto r = run_mkinstaller(command);
        const std::string both = r.out + r.err;
        EXPECT_FALSE(both.empty());
        EXPECT_EQ(both.find_first_of(RAW_CONTROLS), std::string::npos) << both;
    }
    const auto json = run_mkinstaller({"list", "--json", setup});
    const auto doc = testing_support::parse_json(json.out);
    EXPECT_EQ(doc["entries"][1]["name"].str(), "b" + UTF8_CSI + "31m.txt");
    EXPECT_NE(json.out.find("\"b\\u009B31m.txt\""), std::string::npos) << json.out;
}

TEST(TerminalSafety, BuildRefusesC1WhereItRefusesC0) {
    temp_dir dir;
    write_timed_file(dir / "src/a.txt", "a");
    write_timed_file(dir / "named/b" + UTF8_CSI + ".txt", "b");
    write_timed_file(dir / "lone/c" + LONE_CSI + ".txt", "c");
    const std::vector<std::vector<std::string>> cases = {
        {"--product", "P" + UTF8_CSI, dir / "src"},
        {"--version", "1" + LONE_CSI, dir / "src"},
        {"--platform", "for\xc2\x85Linux", dir / "src"},
        {"--title", "Setup" + UTF8_CSI, dir / "src"},
        {"--default-dir", "/usr/local/a" + UTF8_CSI, dir / "src"},
        {"--recommend", "/usr/" + LONE_CSI, dir / "src"},
        {dir / "named"},
        {dir / "lone"},
    };
    for (std::vector<std::string> args : cases) {
        SCOPED_TRACE(args[0] + " " + args[1 % args.size()]);
        args.insert(args.begin(), {"build", "--quiet"});
        args.push_back(dir / "setup");
        const auto r = run_mkinstaller(args);
        EXPECT_EQ(r.exit_code, 1);
        EXPECT_NE(r.err.find("control character"), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find_first_of(RAW_CONTROLS), std::string::npos) << r.err;
        EXPECT_FALSE(path_exists(dir / "setup"));
    }
}

}  // namespace
