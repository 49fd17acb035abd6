// What build refuses in a text or a name fails verify wherever a hand-made installer carries it.
#include <gtest/gtest.h>

#include "builder_fixtures.h"
#include "payload/profile_region.h"
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

}  // namespace
