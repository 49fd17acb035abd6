// Texts from the payload and the stub's regions on the terminal: escaped in an installer with vendor
// settings, as they always were in one without; a profile text holding a control character is damage.
#include <gtest/gtest.h>

#include "payload/license_region.h"
#include "payload/profile_region.h"
#include "support/dialogue_fixture.h"
#include "support/stub_regions.h"

namespace {

using namespace testing_support;
namespace t = testing_support::texts;

// A window title, a screen clear, a carriage return and the 8-bit CSI.
const std::string RAW =
    "\x1b]0;owned\x07\x1b[2J\r\xc2\x9b"
    "2J";
const std::string SHOWN = "\\x1b]0;owned\\a\\x1b[2J\\r\\xc2\\x9b2J";

TEST(EscapedTexts, EveryPlaceEscapesWithSettingsAndAControlInAProfileTextIsDamage) {
    temp_dir dir;
    const std::string target = dir / "target";
    const struct {
        const char* place;
        std::string product, entry, licence, title;
        std::string expected;  // found on standard error
    } cases[] = {
        {"product", "P" + RAW, "a", "", "Setup", "Let's install  P" + SHOWN + " 2.0 for Linux software!"},
        {"entry", "P", "n" + RAW, "", "Setup", t::progress_drawing(0, 100, "n" + SHOWN)},
        {"licence", "P", "a", "Terms " + RAW + "\n", "Setup", "\n\nTerms " + SHOWN + "\n"},
        {"title", "P", "a", "", "T" + RAW, "Corrupted installer settings (err=14).\n" + t::TERMINATED},
        // UTF-8 whose continuation bytes fall in 0x80..0x9f is neither damage nor escaped.
        {"utf8", "P", "a", "", "Caf\xc3\xa9 \xc4\x80", "\n\nCaf\xc3\xa9 \xc4\x80\n\n"},
    };
    for (const auto& c : cases) {
        test_payload payload;
        payload.product = c.product;
        payload.version = "2.0";
        payload.entries = {{.name = c.entry, .data = "x"}};
        std::string stub = profiled_stub({{payload::PROFILE_TITLE, c.title}});
        if (!c.licence.empty())
            write_region(reinterpret_cast<unsigned char*>(stub.data() +
                                                          region_offset(stub, payload::LICENSE_MARKER_KEPT)),
                         c.licence);
        const auto r = run_itself(write_installer_with_stub(dir / c.place, stub, payload),
                                  answers_to_install(target) + "n\n");
        EXPECT_NE(r.err.find(c.expected), std::string::npos) << c.place << ": " << r.err;
        for (const char* raw : {"\x1b", "\x07", "\r", "\xc2\x9b"})
            EXPECT_EQ(r.err.find(raw), std::string::npos) << c.place << ": " << r.err;
    }
    // Without settings the product name goes out as it always did.
    test_payload payload;
    payload.product = "P" + RAW;
    const auto r = run_installer(write_installer(dir / "plain", payload), {}, "c\n");
    EXPECT_NE(r.err.find("Let's install  P" + RAW + " 1.0 for Linux software!"), std::string::npos) << r.err;
}

}  // namespace
