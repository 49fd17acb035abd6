// What build refuses in a text or a name fails verify wherever a hand-made installer carries it.
#include <gtest/gtest.h>

#include "builder_fixtures.h"
#include "payload/profile_region.h"
#include "support/json_reader.h"
#include "support/stub_regions.h"

namespace {

using namespace builder_test;
using testing_support::profiled_stub;

// An installer on the real stub holding `bad` at `place`, an index of PLACES below.
std::string holding(const std::string& path, std::size_t place, const std::string& bad) {
    test_payload p{.entries = {{.name = place == 3 ? "a" + bad : "a", .data = "1"}}};
    (place == 0 ? p.product : place == 1 ? p.version : p.platform) += place < 3 ? bad : "";
    std::string stub = read_file(INSTALLER_PATH);
    if (place == 4) stub = testing_support::licensed_stub(stub, "Terms\nx" + bad + "\n");
    if (place == 5) stub = profiled_stub({{payload::PROFILE_TITLE, "T" + bad}});
    const std::string product = place == 6 ? "V" + bad : "V";
    const std::string path_b = place == 7 ? "b" + bad : "b";
    if (place >= 6)
        stub = profiled_stub(
            {{payload::PROFILE_UPDATE_OF, char(product.size()) + product + '\3' + "1.0"},
             {payload::PROFILE_BASE_CONTENT, testing_support::base_content_value(path_b, "1", "2")}});
    return testing_support::write_installer_with_stub(path, stub, p);
}

using VerifyTexts = extract_fixture;

TEST_F(VerifyTexts, FailWhereverBuildWouldRefuseThem) {
    const char* const PLACES[] = {"header product name \"VORNA",
                                  "header version \"1.0",
                                  "header platform \"for Linux",
                                  "entry 1 \"a",
                                  "the licence region's text, line 2 column 2",
                                  "the profile region's --title",
                                  "the profile region's release product \"V",
                                  "the profile region's base file \"b"};
    // By place: F fails naming it, D the installer itself refuses the region, . verifies.
    const std::pair<std::string, std::string> BAD[] = {
        {"", "........"},         {"\x1b]0;owned\a\x1b[2J", "FFFFFDDD"},
        {"\a", "FFFFFDDD"},       {"\r", "FFFFFDDD"},
        {"\xc2\x9b", "FFFFFFFF"}, {"\x9b", "FFFFFFFF"},
        {"\xff", "....FF.."}};
    for (const auto& [bad, verdicts] : BAD) {
        for (std::size_t place = 0; place < std::size(PLACES); ++place) {
            const auto r = run_mkinstaller({"verify", holding(dir / "i", place, bad)});
            const std::string expected = verdicts[place] == '.'   ? ""
                                         : verdicts[place] == 'F' ? PLACES[place]
                                                                  : "is damaged";
            EXPECT_EQ(r.exit_code, expected.empty() ? 0 : 1) << place << r.err;
            EXPECT_NE(r.err.find(expected), std::string::npos) << place << r.err;
        }
    }
    EXPECT_NE(run_mkinstaller({"verify", holding(dir / "i", 0, "\x1b]0;")})
                  .err.find("verify: header product name \"VORNA\\x1b]0;\" holds control character U+001B; "
                            "build refuses such a text\n"),
              std::string::npos);
}

TEST_F(VerifyTexts, SetIdModesAreWarnedOfAndNamesStayApartInJson) {
    const std::string stub = read_file(INSTALLER_PATH);
    const auto entry = [](const char* name, std::uint16_t mode) {
        return test_entry{.name = name, .mode = mode};
    };
    const std::string modes = testing_support::write_installer_with_stub(
        dir / "m", stub,
        {.entries = {entry("bin/x", 0104755), entry("g", 0102711), entry("p", 0100644), entry("t", 0101777),
                     entry("u", 0106755)}});
    const auto verified = run_mkinstaller({"verify", modes});
    EXPECT_EQ(verified.exit_code, 0) << verified.err;
    EXPECT_NE(verified.err.find("warning: entry \"bin/x\" has mode 04755: set-user-ID\n"), std::string::npos);
    EXPECT_NE(verified.err.find("entry \"u\" has mode 06755: set-user-ID, set-group-ID\n"),
              std::string::npos);
    EXPECT_EQ(verified.err.find("\"p\""), std::string::npos) << verified.err;
    EXPECT_NE(
        run_mkinstaller({"info", modes})
            .out.find(
                "\nset-id or sticky modes: 4 entries, \"bin/x\" 04755, \"g\" 02711, \"t\" 01777, ...\n"),
        std::string::npos);
    EXPECT_EQ(run_mkinstaller({"info", holding(dir / "i", 0, "")}).out.find("set-id"), std::string::npos);
    // A raw 0x9B, U+009B, 0xFF and a name spelling "\x9b" each keep a string of their own.
    const std::string names = testing_support::write_installer_with_stub(
        dir / "n", stub,
        {.entries = {entry("a\x9b", 0100644), entry("a\\x9b", 0100644), entry("a\xc2\x9b", 0100644),
                     entry("a\xff", 0100644)}});
    const auto doc = testing_support::parse_json(run_mkinstaller({"list", "--json", names}).out);
    const char* const READ[] = {"a\\x9b", "a\\\\x9b", "a\xc2\x9b", "a\\xff"};
    for (std::size_t i = 0; i < std::size(READ); ++i) EXPECT_EQ(doc["entries"][i]["name"].str(), READ[i]);
}

}  // namespace
