// Verify fails what build refuses wherever a hand-made installer holds it, and names set-id modes.
#include <gtest/gtest.h>

#include <algorithm>

#include "builder_fixtures.h"
#include "payload/license_region.h"
#include "payload/profile_region.h"
#include "support/json_reader.h"
#include "support/stub_regions.h"

namespace {

using namespace builder_test;
using namespace testing_support;

// An installer on the real stub holding `bad` at `place`, an index of PLACES below.
std::string holding(const std::string& path, std::size_t place, const std::string& bad) {
    const auto at = [&](std::size_t p, std::string text) { return p == place ? text + bad : text; };
    const test_payload p{
        at(0, "VORNA"), at(1, "1.0"), at(2, "for Linux"), 1, {{.name = at(3, "a"), .data = "1"}}};
    std::string stub = read_file(INSTALLER_PATH);
    auto* const license =
        reinterpret_cast<unsigned char*>(stub.data()) + region_offset(stub, payload::LICENSE_MARKER_KEPT);
    if (place == 4) write_region(license, at(4, "Terms\nx") + "\n");
    if (place == 5) stub = profiled_stub({{payload::PROFILE_TITLE, at(5, "T")}});
    if (place >= 6)
        stub =
            profiled_stub({{payload::PROFILE_UPDATE_OF, char(at(6, "V").size()) + at(6, "V") + "\3" + "1.0"},
                           {payload::PROFILE_BASE_CONTENT, base_content_value(at(7, "b"), "", "")}});
    return write_installer_with_stub(path, stub, p);
}

using VerifyTexts = extract_fixture;

TEST_F(VerifyTexts, FailWhereverBuildWouldRefuseThem) {
    const std::string BAD[] = {"", "\x1b]0;owned\a\x1b[2J", "\a", "\r", "\xc2\x9b", "\x9b", "\xff"};
    // Each place, how verify names it, and by BAD: F fails naming it, D the installer refuses the region.
    const std::pair<const char*, const char*> PLACES[] = {
        {"header product name \"VORNA", ".FFFFF."}, {"version \"1.0", ".FFFFF."},
        {"platform \"for Linux", ".FFFFF."},        {"entry 1 \"a", ".FFFFF."},
        {"text, line 2 column 2", ".FFFFFF"},       {"region's --title", ".DDDDDF"},
        {"release product \"V", ".DDDDD."},         {"base file \"b", ".DDDDD."}};
    for (std::size_t place = 0; place < std::size(PLACES); ++place) {
        for (std::size_t i = 0; i < std::size(BAD); ++i) {
            const auto r = run_mkinstaller({"verify", holding(dir / "i", place, BAD[i])});
            const char v = PLACES[place].second[i];
            const char* const named = v == 'F' ? PLACES[place].first : v == 'D' ? "is damaged" : "";
            EXPECT_EQ(r.exit_code, v == '.' ? 0 : 1) << place << r.err;
            EXPECT_NE(r.err.find(named), std::string::npos) << r.err;
            EXPECT_EQ(r.err.find("; build refuses such a ") != std::string::npos, v == 'F') << r.err;
        }
    }
}

TEST_F(VerifyTexts, SetIdModesAreNamedAndNamesStayApartInJson) {
    const auto e = [](const char* n, std::uint16_t m = 0) { return test_entry{.name = n, .mode = m}; };
    const auto with = [&](const char* file, std::vector<test_entry> entries) {
        return write_installer_with_stub(dir / file, read_file(INSTALLER_PATH), {.entries = entries});
    };
    const auto m =
        with("m", {e("bin/x", 0104755), e("g", 02711), e("p", 0644), e("t", 01777), e("u", 06755)});
    const std::string warned = run_mkinstaller({"verify", m}).err;
    EXPECT_NE(warned.find("warning: entry \"u\" has mode 06755: set-user-ID, set-group-ID\n"),
              std::string::npos);
    EXPECT_EQ(std::ranges::count(warned, '\n'), 4) << warned;  // bin/x, g, t and u; not p
    EXPECT_NE(
        run_mkinstaller({"info", m})
            .out.find(
                "\nset-id or sticky modes: 4 entries, \"bin/x\" 04755, \"g\" 02711, \"t\" 01777, ...\n"),
        std::string::npos);
    EXPECT_EQ(run_mkinstaller({"info", holding(dir / "i", 0, "")}).out.find("set-id"), std::string::npos);
    // A raw 0x9B, a name spelling "\x9b", U+009B and 0xFF each keep a string of their own.
    const std::string n = with("n", {e("a\x9b"), e("a\\x9b"), e("a\xc2\x9b"), e("a\xff")});
    const auto doc = parse_json(run_mkinstaller({"list", "--json", n}).out);
    const char* const READ[] = {"a\\x9b", "a\\\\x9b", "a\xc2\x9b", "a\\xff"};
    for (std::size_t i = 0; i < std::size(READ); ++i) EXPECT_EQ(doc["entries"][i]["name"].str(), READ[i]);
}

}  // namespace
