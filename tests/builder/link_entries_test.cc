// Link entries through the reading commands and the real stub, with a profile keeping links and without.
#include <gtest/gtest.h>

#include "builder_fixtures.h"
#include "payload/file_record.h"
#include "support/stub_regions.h"

namespace {

using namespace builder_test;
using testing_support::test_entry;

using LinkEntries = extract_fixture;

TEST_F(LinkEntries, ReadersAndTheInstallerAgreeOnThem) {
    const std::string stub = testing_support::profiled_stub(
        {{payload::PROFILE_LINKS, "\1"}, {payload::PROFILE_INSTALLER_OPTIONS, "\1"}});
    const auto with = [&](const std::string& name, const std::vector<test_entry>& entries) {
        return testing_support::write_installer_with_stub(dir / name, stub, {.entries = entries});
    };
    const auto link = [](const char* name, const char* text) {
        return test_entry{.name = name, .data = text, .method = payload::METHOD_LINK, .mode = 0120777};
    };
    const test_entry f{.name = "sub/f", .data = "x"};
    const std::string a = with("a", {f, link("lnk", "sub/f"), link("sub/up", "../sub/f")});
    const std::string b = with("b", {f, link("lnk", "sub/./f"), {.name = "sub/up"}});
    const std::string up = with("up", {link("a/l", "../../x")}), abs = with("abs", {link("l", "/etc")});
    const std::string dots = with("dots", {link("l", "a/../../x")});
    test_entry compressed = testing_support::repeated_byte_entry("m", 'z', 5);
    compressed.method = payload::METHOD_LINK;
    const std::string target = dir / "target";
    const std::string err7 = " (the installer stops with \"Corrupted file(s) (err=7).\")";
    const std::string answers = testing_support::answers_to_install(target) + "n\nn\n";
    // "install" runs the real stub into `target`; the refused links leave nothing there.
    const std::tuple<std::vector<std::string>, int, std::string> cases[] = {
        {{"list", a}, 0, "link       5       5  2023-11-14 22:13:20  0777  lnk -> sub/f\n"},
        {{"list", "--json", a}, 0, "\"mode\": \"0120777\", \"link\": \"../sub/f\"}"},
        {{"list", "--json", a}, 0, "\"mode\": \"0100755\"}"},
        {{"verify", a}, 0, "ok: "},
        {{"extract", a, out}, 0, "extracted 1 files, 2 links, 1 bytes"},
        {{"extract", "--force", a, out}, 0, "extracted 1 files, 2 links, 1 bytes"},
        {{"diff", a, b}, 1, "changed  lnk (bytes)\nchanged  sub/up (kind, bytes, mode)\n"},
        {{"verify", up}, 1, "\"../../x\" leaves the target directory" + err7},
        {{"install", up}, 1, "Corrupted file(s) (err=7)."},
        {{"verify", abs}, 1, "\"l\": a link whose text \"/etc\" is absolute" + err7},
        {{"install", abs}, 1, "Corrupted file(s) (err=7)."},
        {{"verify", dots}, 1, "\"a/../../x\" has \"..\" after a name" + err7},
        {{"install", dots}, 1, "Corrupted file(s) (err=7)."},
        // A link met on the way of a later entry is never written through.
        {{"extract", with("through", {link("d", "sub"), {.name = "d/x"}}), dir / "t"}, 1, "\"d/x\""},
        {{"list", installer_of({.entries = {compressed}})}, 0, "compressed"},
        {{"install", dir / "setup"}, 0, "Installation complete."},
    };
    for (const auto& [args, exit_code, expected] : cases) {
        const auto r =
            args[0] == "install" ? testing_support::run_itself(args[1], answers) : run_mkinstaller(args);
        EXPECT_EQ(r.exit_code, exit_code) << args[0] << r.err;
        EXPECT_NE((r.out + r.err).find(expected), std::string::npos) << r.out << r.err;
    }
    EXPECT_EQ(std::filesystem::read_symlink(out + "/sub/up"), "../sub/f");
    EXPECT_EQ(lstat_of(out + "/lnk").st_mtime, TEST_TIME);
    EXPECT_FALSE(path_exists(dir / "t/sub/x"));
    EXPECT_EQ(dir_names(target), std::vector<std::string>{"m"});
    EXPECT_EQ(read_file(target + "/m"), "zzzzz");
    const std::string list = run_mkinstaller({"list", a}).out;
    const std::string own = testing_support::run_itself(a, "", {"--list"}).out;
    EXPECT_EQ(own.substr(own.find("\nmethod")), list.substr(list.find("\nmethod")));
}

}  // namespace
