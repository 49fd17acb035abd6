// list --json read back by a strict JSON parser: a document that does not parse, or names that do not
// come back byte for byte, breaks every script built on it.
#include <gtest/gtest.h>

#include <stdexcept>

#include "builder_test_util.h"
#include "payload/file_record.h"
#include "support/json_reader.h"

namespace {

using namespace builder_test;
using testing_support::json_value;
using testing_support::parse_json;

TEST(ListJson, TheParserRefusesWhatIsNotJson) {
    for (const char* bad :
         {"{", "{\"a\":1,}", "[1 2]", "\"a\nb\"", "{\"a\":01}", "{} x", "{\"a\":1,\"a\":2}"}) {
        EXPECT_THROW(parse_json(bad), std::runtime_error) << bad;
    }
    EXPECT_EQ(parse_json("{\"a\": [1, \"\\u00e9\\n\"]}")["a"][1].str(), "\xc3\xa9\n");
}

TEST(ListJson, HeaderAndEntriesParseAndNamesComeBackByteForByte) {
    temp_dir dir;
    const std::string odd_name = "quote\" tab\t nl\n \xc3\xa9";
    // build refuses control bytes in names: the name goes into the image afterwards, in place of one of
    // the same length.
    const std::string stand_in = "quote\" tab_ nl_ \xc3\xa9";
    write_timed_file(dir / "src/bin/vorna", junk_bytes(3000));
    write_timed_file(dir / ("src/" + stand_in), "odd");
    write_tree(dir / "src", {{"a/x.h", "one"}, {"b/x.h", "two"}});
    build_installer({"--product", "VORNA", "--build-time", std::to_string(TEST_TIME), "--allow-same-name",
                     "--uniform-mode", "--delete", "lib/old.so", dir / "src", dir / "setup"});
    std::string image = read_file(dir / "setup");
    const std::size_t name_at = image.rfind(stand_in);
    ASSERT_NE(name_at, std::string::npos);
    image.replace(name_at, odd_name.size(), odd_name);
    reseal_record(image, name_at - payload::RECORD_NAME);
    write_file(dir / "setup", image);
    const auto r = run_mkinstaller({"list", "--json", dir / "setup"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const json_value doc = parse_json(r.out);
    EXPECT_EQ(doc["product"].str(), "VORNA");
    EXPECT_EQ(doc["build_time"].num(), TEST_TIME);
    EXPECT_EQ(doc["build_time_utc"].str(), "2023-11-14 22:13:20");
    EXPECT_EQ(doc["file_count"].num(), 5);
    EXPECT_EQ(doc["total_size"].num(), 3000 + 3 + 3 + 3);
    EXPECT_EQ(doc["volume"].num(), 0xFFFFFFFFLL);
    ASSERT_EQ(doc["entries"].size(), 5u);
    EXPECT_EQ(doc["entries"][0]["name"].str(), "lib/old.so");
    EXPECT_EQ(doc["entries"][0]["method"].str(), "delete");
    EXPECT_EQ(doc["entries"][0]["method_number"].num(), 2);
    EXPECT_EQ(doc["entries"][3]["name"].str(), "bin/vorna");
    EXPECT_EQ(doc["entries"][3]["size"].num(), 3000);
    EXPECT_EQ(doc["entries"][3]["mode"].str(), "0100755");
    EXPECT_EQ(doc["entries"][3]["mtime"].num(), TEST_TIME);
    EXPECT_EQ(doc["entries"][4]["name"].str(), odd_name);
    long long stored = 0;
    for (std::size_t i = 0; i < doc["entries"].size(); ++i) stored += doc["entries"][i]["stored_size"].num();
    EXPECT_EQ(doc["total_stored_size"].num(), stored);
    ASSERT_EQ(doc["warnings"].size(), 1u);
    EXPECT_NE(doc["warnings"][0].str().find("only \"b/x.h\" survives"), std::string::npos);
    EXPECT_FALSE(doc.has("error"));
}

TEST(ListJson, BytesThatAreNotUtf8StillGiveADocumentThatParses) {
    temp_dir dir;
    write_tree(dir / "src", {{"latin\xe9", "1"}, {"cut\xc3", "2"}});
    build_installer({dir / "src", dir / "setup"});
    const auto r = run_mkinstaller({"list", "--json", dir / "setup"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_NE(r.out.find("\"cut\\\\xc3\""), std::string::npos) << r.out;
    const json_value doc = parse_json(r.out);
    EXPECT_EQ(doc["entries"][0]["name"].str(), "cut\\xc3");  // not U+00C3, which a name may hold
    EXPECT_EQ(doc["entries"][1]["name"].str(), "latin\\xe9");
}

TEST(ListJson, DamagedPayloadGivesTheEntriesBeforeItAndAnErrorMember) {
    temp_dir dir;
    write_tree(dir / "src", {{"a", "first"}, {"b", "second"}});
    build_installer({"--store", dir / "src", dir / "setup"});
    std::string image = read_file(dir / "setup");
    image.resize(image.size() - 3);  // the last stored bytes cut short
    write_file(dir / "cut", image);
    const auto r = run_mkinstaller({"list", "--json", dir / "cut"});
    EXPECT_EQ(r.exit_code, 1);
    const json_value doc = parse_json(r.out);
    EXPECT_EQ(doc["entries"].size(), 2u);
    EXPECT_NE(doc["error"].str().find("entry 2 \"b\": stored bytes cut short"), std::string::npos);
    EXPECT_NE(r.err.find("mkinstaller: list: entry 2"), std::string::npos) << r.err;
}

// A header the installer refuses is an error for list too, and --json still gives a document to parse.
TEST(ListJson, AHeaderTheInstallerRefusesGivesAnErrorDocument) {
    temp_dir dir;
    write_timed_file(dir / "src/a", "first");
    write_file(dir / "stub", fake_stub(FAKE_STUB_SIZE));
    build_installer({"--stub", dir / "stub", dir / "src", dir / "setup"});
    const std::string image = read_file(dir / "setup");
    const std::size_t header = image.size() - 1028 - (38 + 1 + 8) - 5;
    ASSERT_EQ(image.compare(header, 4, "KAVO"), 0);

    std::string damaged = image;
    damaged[header + 900] ^= 1;
    std::string volume = image;
    put_u32(volume, header + 276, 1);
    reseal_header(volume, header);
    for (const auto& [bytes, error] :
         {std::pair{damaged, "fails its CRC"}, std::pair{volume, "header volume"}}) {
        SCOPED_TRACE(error);
        write_file(dir / "refused", bytes);
        const auto r = run_mkinstaller({"list", "--json", dir / "refused"});
        EXPECT_EQ(r.exit_code, 1);
        const json_value doc = parse_json(r.out);
        EXPECT_NE(doc["error"].str().find(error), std::string::npos) << r.out;
        EXPECT_EQ(doc["entries"].size(), 0u);
        EXPECT_NE(r.err.find(std::string("mkinstaller: list: ") + doc["error"].str()), std::string::npos)
            << r.err;
        EXPECT_EQ(run_mkinstaller({"list", dir / "refused"}).exit_code, 1);
    }
}

}  // namespace
