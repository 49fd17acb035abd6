// Link entries through every reading command and the real stub, over hand-made installers whose profile
// keeps links; without a profile, method 4 is compressed data for all of them.
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
    const auto with = [&](const std::string& name, std::vector<test_entry> entries) {
        for (test_entry& e : entries) e.mode = e.method == payload::METHOD_LINK ? 0120777 : e.mode;
        return testing_support::write_installer_with_stub(dir / name, stub, {.entries = entries});
    };
    const test_entry f{.name = "sub/f", .data = "x"};
    const auto link = [](const char* name, const char* text) {
        return test_entry{.name = name, .data = text, .method = payload::METHOD_LINK};
    };
    const std::string a = with("a", {f, link("lnk", "sub/f"), link("sub/up", "../sub/f")});
    const std::string refused[] = {with("up", {link("a/l", "../../x")}), with("abs", {link("l", "/etc")}),
                                   with("dots", {link("l", "a/../../x")})};
    test_entry compressed = testing_support::repeated_byte_entry("m", 'z', 5);
    compressed.method = payload::METHOD_LINK;
    const std::string bare = installer_of({.entries = {compressed}});
    const std::string err7 = " (the installer stops with \"Corrupted file(s) (err=7).\")";
    const std::tuple<std::vector<std::string>, int, std::string> cases[] = {
        {{"list", a}, 0, "link       5       5  2023-11-14 22:13:20  lnk -> sub/f\n"},
        {{"list", "--json", a}, 0, "\"mode\": \"0120777\", \"link\": \"../sub/f\"}"},
        {{"list", "--json", a}, 0, "\"mode\": \"0100755\"}"},
        {{"list", bare}, 0, "compressed"},
        {{"verify", a}, 0, "ok: "},
        {{"info", a}, 0, "symbolic links: keep"},
        {{"extract", a, out}, 0, "extracted 1 files, 2 links, 1 bytes"},
        {{"diff", a, with("b", {f, link("lnk", "sub/./f"), {.name = "sub/up"}})},
         1,
         "changed  lnk (bytes)\nchanged  sub/up (kind, bytes, mode)\n"},
        {{"verify", refused[0]},
         1,
         "\"a/l\": a link whose text \"../../x\" leaves the target directory" + err7},
        {{"verify", refused[1]}, 1, "\"l\": a link whose text \"/etc\" is absolute" + err7},
        {{"verify", refused[2]}, 1, "\"a/../../x\" has \"..\" after a name" + err7},
        {{"extract", refused[0], dir / "r"}, 1, "leaves the target directory" + err7},
        // A link met on the way of a later entry is never written through.
        {{"extract", with("through", {link("d", "sub"), {.name = "d/x"}}), dir / "t"}, 1, "\"d/x\""},
    };
    for (const auto& [args, exit_code, expected] : cases) {
        const auto r = run_mkinstaller(args);
        EXPECT_EQ(r.exit_code, exit_code) << args[0] << r.err;
        EXPECT_NE((r.out + r.err).find(expected), std::string::npos) << r.out << r.err;
    }
    EXPECT_EQ(std::filesystem::read_symlink(out + "/sub/up"), "../sub/f");
    EXPECT_EQ(lstat_of(out + "/lnk").st_mtime, TEST_TIME);
    EXPECT_FALSE(path_exists(dir / "r/a") || path_exists(dir / "t/sub/x"));
    const std::string list = run_mkinstaller({"list", a}).out;
    const std::string own = testing_support::run_itself(a, "", {"--list"}).out;
    EXPECT_EQ(own.substr(own.find("\nmethod")), list.substr(list.find("\nmethod")));
    const std::string target = dir / "target";
    for (const std::string& setup : refused) {
        std::filesystem::create_directories(target);
        const auto r =
            testing_support::run_itself(setup, testing_support::answers_to_install(target) + "n\nn\n");
        EXPECT_NE(r.err.find("Corrupted file(s) (err=7)."), std::string::npos) << r.err;
        EXPECT_TRUE(dir_names(target).empty());
    }
    install(bare, target);
    EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(target + "/m")));
    EXPECT_EQ(read_file(target + "/m"), "zzzzz");
}

}  // namespace
