// The vendor's settings: a profile read with the options over it, its syntax errors named by file and
// line, every setting the installer's screens would show badly or question refused with nothing
// written, an installer carrying them all shown by info and list --json and passed by verify, and a
// region damaged or holding what build refuses failed by verify.
#include <gtest/gtest.h>

#include <filesystem>
#include <utility>

#include "builder/format/stub_profile.h"
#include "builder/pack/vendor_profile.h"
#include "builder/util/error.h"
#include "builder_fixtures.h"
#include "payload/profile_region.h"
#include "support/json_reader.h"

namespace {

using namespace builder_test;
using builder::profile_settings;
using strings = std::vector<std::string>;

// Setting values by number, the rest absent.
builder::setting_values values_of(const std::vector<std::pair<std::uint8_t, strings>>& given) {
    builder::setting_values values;
    for (const auto& [number, value] : given) values[number] = value;
    return values;
}

// The error resolve_profile_settings throws for `args`, or "" when it takes them.
std::string refusal(const builder::build_arguments& args) {
    try {
        builder::resolve_profile_settings(args);
        return "";
    } catch (const builder::error& e) {
        return e.what();
    }
}

TEST(VendorProfile, TheProfileIsReadAndEachOptionOverridesItsSetting) {
    temp_dir dir;
    write_file(dir / "texts/closing.txt", "\xEF\xBB\xBFSee README.\r\n\r\nBye.");
    write_file(dir / "vendor.profile",
               "# Acme's installer\n\n  title =  Acme Setup  \r\nthanks=\nclosing-text = texts/closing.txt\n"
               "recommend = /opt\n\trecommend = /srv/acme/\nrecommend = /opt/\ndefault-dir = /opt/acme\n"
               "same-name-removal = path\nuser-default-dir = /opt/acme-user\ninstaller-options = gnu");
    builder::build_arguments args;
    args.profile = dir / "vendor.profile";
    EXPECT_EQ(builder::resolve_profile_settings(args).values,
              values_of({{payload::PROFILE_TITLE, {"Acme Setup"}},
                         {payload::PROFILE_THANKS, {""}},
                         {payload::PROFILE_CLOSING_TEXT, {"See README.\n\nBye.\n"}},
                         {payload::PROFILE_DEFAULT_DIR, {"/opt/acme"}},
                         {payload::PROFILE_RECOMMEND, {"/opt/", "/srv/acme/"}},
                         {payload::PROFILE_SAME_NAME_REMOVAL, {"\x01"}},
                         {payload::PROFILE_INSTALLER_OPTIONS, {"\x01"}},
                         {payload::PROFILE_USER_DEFAULT_DIR, {"/opt/acme-user"}}}));

    // Each option replaces its setting; --recommend the whole list, not one root more. A home
    // directory's path is not held to the roots.
    args.settings[payload::PROFILE_TITLE] = {"Acme Installer"};
    args.settings[payload::PROFILE_RECOMMEND] = {"/usr/local"};
    args.settings[payload::PROFILE_DEFAULT_DIR] = {"/usr/local/acme"};
    args.settings[payload::PROFILE_EXIT_STATUS] = {"conventional"};
    args.settings[payload::PROFILE_USER_DEFAULT_DIR] = {"$HOME/acme"};
    write_file(dir / "empty.txt", "");  // a text of no lines, which replaces the stub's
    args.settings[payload::PROFILE_EXISTING_DIR_TEXT] = {dir / "empty.txt"};
    EXPECT_EQ(builder::resolve_profile_settings(args).values,
              values_of({{payload::PROFILE_TITLE, {"Acme Installer"}},
                         {payload::PROFILE_THANKS, {""}},
                         {payload::PROFILE_CLOSING_TEXT, {"See README.\n\nBye.\n"}},
                         {payload::PROFILE_DEFAULT_DIR, {"/usr/local/acme"}},
                         {payload::PROFILE_RECOMMEND, {"/usr/local/"}},
                         {payload::PROFILE_EXISTING_DIR_TEXT, {""}},
                         {payload::PROFILE_SAME_NAME_REMOVAL, {"\x01"}},
                         {payload::PROFILE_EXIT_STATUS, {"\x01"}},
                         {payload::PROFILE_INSTALLER_OPTIONS, {"\x01"}},
                         {payload::PROFILE_USER_DEFAULT_DIR, {"$HOME/acme"}}}));
}

TEST(VendorProfile, ProfileErrorsNameTheFileAndLine) {
    temp_dir dir;
    const std::string profile = dir / "p.profile";
    const std::pair<std::string, std::string> cases[] = {
        {"title = a\nAcme\n", ":2: no '='"},
        {"# colours\ncolour = red\n", ":2: unknown key \"colour\"; the keys are title, thanks,"},
        {"title = a\n\ntitle = b\n", ":3: title is given again (first on line 1)"},
        {"recommend = /opt\nrecommend = opt\n", ":2: recommend \"opt\": not absolute"},
        {"closing-text = missing.txt\n", ":1: closing-text: cannot open \"" + dir.path() + "/missing.txt\""},
        {"title = Acme\nthanks = Thanks\x01\n",
         ":2: thanks \"Thanks\\x01\": column 7: control character U+0001"},
    };
    builder::build_arguments args;
    args.profile = profile;
    for (const auto& [text, message] : cases) {
        write_file(profile, text);
        EXPECT_EQ(refusal(args).rfind("profile " + profile + message, 0), 0u) << refusal(args);
    }
}

class VendorBuild : public stub_build_fixture {
  protected:
    void SetUp() override {
        stub_build_fixture::SetUp();
        write_file(stub, fake_profile_stub(STUB_SIZE));
        write_timed_file(source + "/readme.txt", "read me\n");
    }
};

TEST_F(VendorBuild, EveryBadSettingIsRefusedAndNothingIsWritten) {
    write_file(dir / "long.txt", "fine\n" + std::string(80, 'x') + "\n");
    write_file(dir / "latin1.txt", "Caf\xe9\n");
    std::string small_stub = fake_profile_stub(STUB_SIZE);
    put_u32(small_stub, FAKE_PROFILE_OFFSET + payload::REGION_CAPACITY_FIELD, 64);
    write_file(dir / "small-stub", small_stub);
    write_file(dir / "no-region", fake_stub(STUB_SIZE));
    std::string wide_title;
    for (int i = 0; i < 40; ++i) wide_title += "\xE6\xBC\xA2";
    const std::pair<strings, std::string> cases[] = {
        {{"--default-dir", "opt/acme"}, "--default-dir \"opt/acme\": not absolute"},
        {{"--default-dir", "/usr/local/my app"}, "\"/usr/local/my app\": a blank or a tab"},
        {{"--default-dir", "/usr/bin/acme"}, "it contains \"/bin/\", which the directory screen questions"},
        {{"--default-dir", "/usr/.."}, "--default-dir \"/usr/..\": a \"..\" component"},
        {{"--default-dir", "//"}, "--default-dir \"//\": a repeated '/'"},
        {{"--recommend", "/opt/./", "--default-dir", "/opt/acme"},
         "--recommend \"/opt/./\": a \".\" component"},
        {{"--recommend", "/opt/a/", "--default-dir", "/opt/a/.."}, "\"/opt/a/..\": a \"..\" component"},
        {{"--user-default-dir", "$HOME/a//b"}, "\"$HOME/a//b\": a repeated '/'"},
        {{"--recommend", "/opt", "--default-dir", "/optical/acme"},
         "\"/optical/acme\": under none of the recommended roots (\"/opt/\")"},
        {{"--recommend", "/opt"},
         "--recommend: the built-in default directory \"/usr/local/vorna\" is under"},
        {{"--title", "Acme\tSetup"}, "--title \"Acme\\tSetup\": column 5: control character U+0009"},
        {{"--title", "Acme\xc2\x9bSetup"}, "column 5: control character U+009B"},
        {{"--thanks", std::string(80, 't')}, "80 columns wide, more than the 79 a line may hold"},
        {{"--title", wide_title}, "80 columns wide"},  // 40 wide characters
        {{"--closing-text", dir / "long.txt"}, "long.txt\" line 2: 80 columns wide"},
        {{"--existing-dir-text", dir / "latin1.txt"}, "latin1.txt\" line 1 column 4: not UTF-8 (byte 0xE9)"},
        {{"--same-name-removal", "nowhere"}, "\"nowhere\": no such rule; the rules are anywhere and path"},
        {{"--installer-options", "foo"}, "--installer-options \"foo\": no such style; they are none and gnu"},
        {{"--user-default-dir", "acme"},
         "--user-default-dir \"acme\": neither absolute nor under \"$HOME/\""},
        {{"--user-default-dir", "$HOME/"}, "\"$HOME/\": the home directory itself or its parent"},
        {{"--user-default-dir", "$HOME/bin/acme"}, "\"$HOME/bin/acme\": it contains \"/bin/\""},
        {{"--user-default-dir", "/opt/acme"}, "\"/opt/acme\": under none of the recommended roots"},
        {{"--stub", dir / "small-stub", "--title", "Acme"},
         "its profile region declares a content area of 64 bytes, but the installer stub reads 16384"},
        {{"--stub", dir / "no-region", "--thanks", "Thanks"}, "carries no profile region"},
    };
    for (const auto& [options, message] : cases) {
        const auto r = build(options);
        EXPECT_EQ(r.exit_code, 1) << message;
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
        EXPECT_FALSE(path_exists(output)) << message;
    }
    // Without settings a stub without the region is copied byte for byte, as is one with it.
    for (const std::string& stub_file : {dir / "no-region", stub}) {
        std::filesystem::remove(output);
        ASSERT_EQ(build({"--quiet", "--stub", stub_file}).exit_code, 0);
        EXPECT_EQ(read_file(output).substr(0, STUB_SIZE), read_file(stub_file));
    }
}

TEST_F(VendorBuild, AnInstallerWithEverySettingShowsThemAndVerifies) {
    write_file(dir / "vendor/closing.txt", "Read README.TXT.\nThank you.\n");
    write_file(dir / "vendor/exists.txt", "The old files are replaced.\n");
    write_file(dir / "vendor/acme.profile",
               "title = Acme Setup\nthanks = Thanks for choosing Acme.\nclosing-text = closing.txt\n"
               "default-dir = /usr/local/acme\nexisting-dir-text = exists.txt\nsame-name-removal = path\n"
               "exit-status = conventional\ncheck-first = off\ninstaller-options = gnu\n"
               "user-default-dir = $HOME/acme\n");
    ASSERT_EQ(build({"--quiet", "--profile", dir / "vendor/acme.profile", "--recommend", "/opt",
                     "--recommend", "/usr/local/"})
                  .exit_code,
              0);
    // Only the region's length, CRC and content differ from the stub.
    const std::string copy = read_file(output).substr(0, STUB_SIZE);
    const std::size_t length_at = FAKE_PROFILE_OFFSET + payload::REGION_LENGTH_FIELD;
    const std::size_t region_end = FAKE_PROFILE_OFFSET + payload::PROFILE_REGION_SIZE;
    EXPECT_EQ(copy.substr(0, length_at) + copy.substr(region_end),
              read_file(stub).substr(0, length_at) + read_file(stub).substr(region_end));

    const auto info = run_mkinstaller({"info", output});
    EXPECT_NE(info.out.find(" stored\n"
                            "architecture: unknown\n"
                            "title: \"Acme Setup\"\n"
                            "thanks: \"Thanks for choosing Acme.\"\n"
                            "default directory: \"/usr/local/acme\"\n"
                            "recommended roots: \"/opt/\", \"/usr/local/\"\n"
                            "user default directory: \"$HOME/acme\"\n"
                            "existing-directory text: 1 lines, the first \"The old files are replaced.\"\n"
                            "closing text: 2 lines, the first \"Read README.TXT.\"\n"
                            "same-name removal: path (only what stands at an entry's own path)\n"
                            "exit status: conventional (0 complete, 1 failure, 2 cancelled)\n"
                            "installer options: gnu (--help, --target, --accept-license, --unattended "
                            "and more)\n"
                            "symbolic links: keep (installed as symbolic links)\n"
                            "licence: "),
              std::string::npos)
        << info.out << info.err;

    const auto doc = testing_support::parse_json(run_mkinstaller({"list", "--json", output}).out);
    const auto& p = doc["profile"];
    EXPECT_EQ(p["title"].str() + "|" + p["thanks"].str() + "|" + p["closing_text"].str() + "|" +
                  p["default_dir"].str() + "|" + p["recommend"][0].str() + p["recommend"][1].str() + "|" +
                  p["existing_dir_text"].str() + "|" + p["same_name_removal"].str() + "|" +
                  p["exit_status"].str() + "|" + p["check_first"].str() + "|" + p["installer_options"].str() +
                  "|" + p["user_default_dir"].str(),
              "Acme Setup|Thanks for choosing Acme.|Read README.TXT.\nThank "
              "you.\n|/usr/local/acme|/opt//usr/local/|"
              "The old files are replaced.\n|path|conventional|off|gnu|$HOME/acme");
    EXPECT_EQ(doc["entries"][0]["name"].str(), "readme.txt");
    const auto verified = run_mkinstaller({"verify", "--any-stub", output});
    EXPECT_EQ(verified.exit_code, 0) << verified.err;

    // The stub's own values are listed too.
    std::filesystem::remove(output);
    ASSERT_EQ(build({"--quiet"}).exit_code, 0);
    const auto plain = testing_support::parse_json(run_mkinstaller({"list", "--json", output}).out);
    EXPECT_EQ(plain["profile"]["default_dir"].str(), "/usr/local/vorna");
    EXPECT_EQ(plain["profile"]["recommend"][1].str(), "/home/");
    EXPECT_EQ(plain["profile"]["installer_options"].str(), "none");
    EXPECT_TRUE(std::holds_alternative<std::nullptr_t>(plain["profile"]["user_default_dir"].v));
}

TEST_F(VendorBuild, VerifyFailsARegionThatIsDamagedOrHoldsWhatBuildRefuses) {
    ASSERT_EQ(build({"--quiet", "--title", "Acme Setup"}).exit_code, 0);
    const std::string built = read_file(output);
    std::string image = built;
    image[FAKE_PROFILE_OFFSET + payload::REGION_HEADER_SIZE + 3] ^= 1;  // a byte of the title
    write_file(output, image);
    auto r = run_mkinstaller({"verify", "--any-stub", output});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find("verify: the profile region at offset " + std::to_string(FAKE_PROFILE_OFFSET) +
                         " is damaged (its content fails its CRC); the installer refuses to start with "
                         "\"Corrupted installer settings (err=14).\""),
              std::string::npos)
        << r.err;
    EXPECT_NE(
        run_mkinstaller({"info", output}).out.find("profile: region damaged (its content fails its CRC)"),
        std::string::npos);
    EXPECT_NE(run_mkinstaller({"list", "--json", output}).out.find("\"profile\": null,"), std::string::npos);
    // Every reader stops where the installer stops: at its start.
    const std::string err14 = "refuses to start with \"Corrupted installer settings (err=14).\"";
    for (const auto& [args, status] :
         std::vector<std::pair<strings, int>>{{{"list", "--json", output}, 1},
                                              {{"extract", output, dir / "x"}, 1},
                                              {{"diff", output, output}, 2}}) {
        const auto read = run_mkinstaller(args);
        EXPECT_EQ(read.exit_code, status) << args[0];
        EXPECT_NE((read.out + read.err).find(err14), std::string::npos) << read.out << read.err;
    }
    EXPECT_FALSE(path_exists(dir / "x"));
    // A stub damaged so is refused whether or not settings are given.
    write_file(stub, image.substr(0, STUB_SIZE));
    std::filesystem::remove(output);
    EXPECT_NE(build({}).err.find("its profile region is damaged (its content fails its CRC)"),
              std::string::npos);

    // Sound regions holding what the installer takes but build refuses.
    profile_settings bad_title, long_line, questioned_dir, home_bin, climbing_dir;
    bad_title.values[payload::PROFILE_TITLE] = {"Caf\xe9"};
    long_line.values[payload::PROFILE_CLOSING_TEXT] = {std::string(80, 'x') + "\n"};
    questioned_dir.values[payload::PROFILE_DEFAULT_DIR] = {"/opt/acme"};
    home_bin.values[payload::PROFILE_USER_DEFAULT_DIR] = {"$HOME/bin/acme"};
    climbing_dir.values[payload::PROFILE_DEFAULT_DIR] = {"/usr/local/.."};
    const std::pair<const profile_settings&, std::string> cases[] = {
        {bad_title, "the profile region's --title: column 4: not UTF-8"},
        {long_line, "--closing-text: line 1: 80 columns wide"},
        {questioned_dir, "--default-dir \"/opt/acme\": under none of the recommended roots"},
        {home_bin, "--user-default-dir \"$HOME/bin/acme\": it contains \"/bin/\""},
        {climbing_dir, "--default-dir \"/usr/local/..\": a \"..\" component"},
    };
    for (const auto& [settings, message] : cases) {
        image = built;
        builder::write_stub_profile(image, builder::find_stub_profile(image), settings);
        write_file(output, image);
        r = run_mkinstaller({"verify", "--any-stub", output});
        EXPECT_EQ(r.exit_code, 1);
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
    }
}

}  // namespace
