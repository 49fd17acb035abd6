// Start-up: the installer's own file, the payload it must find there, and the two options. Every path
// ends with exit status 0 and nothing on standard output.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "payload/header_block.h"
#include "support/dialogue_fixture.h"

namespace {

using namespace testing_support;
namespace t = testing_support::texts;

using Startup = dialogue_fixture;

TEST_F(Startup, OwnFileThatCannotBeOpenedIsErr1) {
    // A bare name that is not in the working directory: argv[0] is never looked up on the search path.
    write_file(dir / "empty/.keep", "");
    for (const std::vector<std::string>& args : {std::vector<std::string>{}, {"-autonext"}}) {
        const auto r = run_installer("setup.bin", args, "n\n", (dir / "empty"));
        expect_clean_exit(r);
        EXPECT_EQ(r.err, "Can't find attachments (err=1).\n" + t::TERMINATED);
    }
}

// The installer started by a bare name, as the search path starts it: the file of that name in `cwd`
// is executed, or `program` instead when given.
process_result run_bare(const std::string& name, const std::string& cwd, const std::string& program = "") {
    return run_process(program.empty() ? cwd + "/" + name : program, {name}, {.cwd = cwd, .input = "c\n"});
}

TEST_F(Startup, BareNameInTheWorkingDirectoryIsFoundWhenItIsTheRunningProgram) {
    const auto r = run_bare("setup.bin", dir.path());
    expect_clean_exit(r);
    EXPECT_EQ(r.err, t::WELCOME + t::NEXT_CANCEL + t::TERMINATED);
}

TEST_F(Startup, ABareNameNamingAnotherFileNeverReadsItsPayload) {
    // Another product's installer, even a plain unexecutable copy, lies in the working directory under the
    // name the running installer was started by.
    test_payload other;
    other.product = "OTHER";
    write_file(dir / "elsewhere/setup.bin", stub_with_payload(payload_bytes(other)));
    for (const std::string& program : {image, std::string(INSTALLER_PATH)}) {
        const auto r = run_bare("setup.bin", dir / "elsewhere", program);
        expect_clean_exit(r);
        EXPECT_EQ(r.err, "Can't find attachments (err=1).\n" + t::TERMINATED) << program;
    }
    // With a '/' the name is opened as it is, whatever program runs.
    const auto r = run_installer("./setup.bin", {}, "c\n", dir / "elsewhere");
    expect_clean_exit(r);
    EXPECT_NE(r.err.find("OTHER"), std::string::npos) << r.err;
}

TEST_F(Startup, ExecutedDirectlyTheInstallerFindsItsOwnPayload) {
    const auto r = run_process(image, {image}, {.input = "c\n"});
    expect_clean_exit(r);
    EXPECT_EQ(r.err, t::WELCOME + t::NEXT_CANCEL + t::TERMINATED);
}

TEST_F(Startup, TheBareStubHasNoPayloadAndNeverFindsItsOwnMarker) {
    const auto r = run_installer(INSTALLER_PATH, {}, "n\n");
    expect_clean_exit(r);
    EXPECT_EQ(r.err, "Can't find attachments (3).\n" + t::TERMINATED);

    const auto marker = payload::make_distribution_marker();
    const std::string stub = read_file(INSTALLER_PATH);
    EXPECT_EQ(stub.find(std::string(marker.begin(), marker.end())), std::string::npos);
}

TEST_F(Startup, AMarkerOnlyAtOffsetZeroIsNotFound) {
    write_file(dir / "at-zero", payload_bytes(test_payload{}) + std::string(3000, 'z'));
    const auto r = run_installer(dir / "at-zero", {}, "n\n");
    expect_clean_exit(r);
    EXPECT_EQ(r.err, "Can't find attachments (3).\n" + t::TERMINATED);
}

TEST_F(Startup, AHeaderThatFailsItsCrcIsAttachmentsCorrupted) {
    std::string bytes = read_file(image);
    const std::size_t header = bytes.size() - payload::HEADER_SIZE;
    bytes[header + 700] ^= 0x40;  // a text field nobody reads is still covered
    write_file(dir / "bad.bin", bytes);
    const auto r = run_installer(dir / "bad.bin", {"-autonext"}, "n\n");
    expect_clean_exit(r);
    EXPECT_EQ(r.err, "Attachments corrupted (3).\n" + t::TERMINATED);
}

TEST_F(Startup, AVolumeOtherThanAllOnesIsErr2WhateverTheOptions) {
    std::string bytes = read_file(image);
    const std::size_t header = bytes.size() - payload::HEADER_SIZE;
    put_u32(bytes, header + payload::HEADER_VOLUME, 1);
    reseal_header(bytes, header);
    write_file(dir / "vol.bin", bytes);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{}, {"-autonext"}, {"-InstallNewRelease", "-autonext"}}) {
        const auto r = run_installer(dir / "vol.bin", args, "n\n");
        expect_clean_exit(r);
        EXPECT_EQ(r.err, "Can't find attachments (err=2).\n" + t::TERMINATED);
    }
}

TEST_F(Startup, AutonextIsRecognisedInAnyPositionArgv0Included) {
    // Without a prompt the welcome text runs straight into the licence question.
    const std::string expected = t::WELCOME + LICENSE_DISPLAY + LICENSE_ASK + t::TERMINATED;
    for (const std::vector<std::string>& args : {std::vector<std::string>{"-autonext"},
                                                 {"x", "-autonext"},
                                                 {"-autonext", "y", "-InstallNewRelease"}}) {
        const auto r = run_installer(image, args, "c\n");
        expect_clean_exit(r);
        EXPECT_EQ(r.err, expected);
    }
    // As argv[0]: the installer file itself is named -autonext.
    write_installer(dir / "-autonext", test_payload{});
    const auto r = run_bare("-autonext", dir.path());
    expect_clean_exit(r);
    EXPECT_EQ(r.err, expected);
}

TEST_F(Startup, NearMissesOfTheOptionsAreIgnored) {
    for (const char* arg :
         {"--autonext", "-AutoNext", "-autonext=1", "autonext", "-autonex", "-autonextx", ""}) {
        const auto r = run_installer(image, {arg}, "c\n");
        expect_clean_exit(r);
        EXPECT_EQ(r.err, t::WELCOME + t::NEXT_CANCEL + t::TERMINATED) << arg;
    }
}

TEST_F(Startup, InstallNewReleaseChangesNothingVisible) {
    const std::string input = answers_to_install(dir / "target") + "n\n";
    const auto plain = run_installer(image, {}, input);
    const auto with_option = run_installer(image, {"-InstallNewRelease"}, input);
    expect_clean_exit(with_option);
    EXPECT_EQ(with_option.err, plain.err);
    EXPECT_TRUE(plain.err.ends_with(t::COMPLETE));
}

}  // namespace
