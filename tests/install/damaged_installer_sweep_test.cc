// Every truncation of a small installer with compressed, stored and delete entries, and every single-bit
// flip in it: each run ends with exit status 0 and either the numbered message that the damage calls for
// or, where the installer never reads the damaged byte, a correct installation; never a signal, a hang,
// or anything created beside the target directory. Each case runs the installation step in a forked
// child on an in-memory copy of the image, so that the thousands of cases stay quick.

#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <span>

#include <gtest/gtest.h>

#include "encoder/encoder.h"
#include "install/install_files.h"
#include "install/read_ahead.h"
#include "install_harness.h"
#include "payload/file_record.h"
#include "payload/header_block.h"
#include "support/install_in_child.h"
#include "support/installer_texts.h"
#include "support/payload_image.h"
#include "support/target_fixture.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using namespace testing_support;

constexpr std::size_t SWEEP_HEADER_AT = 1024;
constexpr unsigned SWEEP_CHILD_SECONDS = 10;  // a case running longer is a hang

// Under AddressSanitizer a fork costs some ten times more, so there the sweeps flip one bit of each byte
// (a different one from byte to byte) and an eighth of the stub's bytes; the plain build flips them all.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool SWEEP_SAMPLED = true;
#else
constexpr bool SWEEP_SAMPLED = false;
#endif

// Whether bit `bit` of payload byte p is flipped in this build.
bool sweep_flips(std::size_t p, int bit) {
    return !SWEEP_SAMPLED || bit == static_cast<int>(p % 8);
}

test_entry compressed(const std::string& name, const std::string& data) {
    const auto stream =
        encoder::compress(std::span(reinterpret_cast<const unsigned char*>(data.data()), data.size()));
    return test_entry{.name = name,
                      .data = data,
                      .method = payload::METHOD_COMPRESSED,
                      .stored = std::string(stream.begin(), stream.end()),
                      .use_stored = true};
}

struct entry_span {
    std::size_t record;      // offset of the record in the image
    std::size_t length;      // record_length
    std::size_t stored_end;  // one past its stored bytes
};

class DamagedInstallerSweep : public target_fixture {
  protected:
    test_payload payload_spec;
    std::string image;
    std::vector<entry_span> spans;
    std::size_t payload_end = 0;

    void SetUp() override {
        payload_spec.entries = {
            compressed("doc/readme.txt", "Read me first. Read me again, and then read me once more.\n"),
            {.name = "bin/tool",
             .data = "\x7f"
                     "ELF tool bytes, stored as they are"},
            {.name = "old.txt", .method = payload::METHOD_DELETE},
            repeated_byte_entry("data/zeros.bin", 0, 300),
        };
        const std::string bytes = payload_bytes(payload_spec);
        image = installer_image(std::string("stub"), bytes, SWEEP_HEADER_AT);
        payload_end = image.size();
        image += "trailing bytes never read";
        for (std::size_t i = 0; i < payload_spec.entries.size(); ++i) {
            const std::size_t at = record_start(image, SWEEP_HEADER_AT, i);
            spans.push_back({at, get_u32(image, at), record_start(image, SWEEP_HEADER_AT, i + 1)});
        }
        ASSERT_EQ(spans.back().stored_end, payload_end);
    }

    // Runs the installation of the image as `damage` leaves it, in a child, into a fresh target, reading
    // ahead or in turn.
    process_result run(const std::function<void(std::string&)>& damage, bool ahead = true) {
        std::error_code ignored;
        fs::remove_all(target, ignored);
        return run_in_child(
            [&] {
                install::read_ahead_enabled = ahead;
                std::string copy = image;
                damage(copy);
                set_up_install(fmemopen(copy.data(), copy.size(), "rb"), target);
                install::install_files();
                return 0;
            },
            child_options{.timeout_seconds = SWEEP_CHILD_SECONDS, .quick_exit = true});
    }

    // The message that ends a failed run ("" for a complete one): the text before the termination line,
    // behind the progress drawings.
    static std::string message_of(const std::string& err) {
        const std::size_t end = err.rfind("\n" + texts::TERMINATED);
        if (end == std::string::npos) return "";
        const std::size_t start = err.find_last_of("\b\n", end - 1);
        return err.substr(start == std::string::npos ? 0 : start + 1,
                          end - (start == std::string::npos ? 0 : start + 1));
    }

    // The files of the first `count` entries, as they must be once installed; a delete entry has none.
    std::map<std::string, std::string> files_of(std::size_t count) const {
        std::map<std::string, std::string> files;
        for (std::size_t i = 0; i < count; ++i) {
            const auto& e = payload_spec.entries[i];
            if (e.method != payload::METHOD_DELETE) files[e.name] = e.data;
        }
        return files;
    }

    // Checks the run ended cleanly, with `message` ("" for a complete installation), the first
    // `installed` entries' files in place, and nothing beside the target.
    void expect(const process_result& o, const std::string& message, std::size_t installed,
                const std::string& what) {
        SCOPED_TRACE(what);
        ASSERT_EQ(o.term_signal, 0) << (o.term_signal == SIGALRM ? "hang" : "killed by a signal");
        EXPECT_EQ(o.exit_code, 0);
        EXPECT_EQ(message_of(o.err), message);
        if (message.empty()) {
            EXPECT_EQ(o.err.find(texts::TERMINATED), std::string::npos);
        }
        for (const auto& [name, data] : files_of(installed)) {
            std::error_code missing;
            EXPECT_TRUE(fs::is_regular_file(target + "/" + name, missing) &&
                        read_file(target + "/" + name) == data)
                << name;
        }
        std::size_t beside = 0;
        for (const auto& entry : fs::directory_iterator(dir.path())) {
            const std::string name = entry.path().filename();
            beside += name != "target";
        }
        EXPECT_EQ(beside, 0u) << "something was created beside the target";
    }

    static std::string corrupted(int n) { return "Corrupted file(s) (err=" + std::to_string(n) + ")."; }

    // Flips bit `bit` of byte p and checks the outcome the flip calls for: every flip in the payload is
    // caught by a CRC-16 (which detects every single-bit error) or by the length check, at the entry
    // where it lies; flips before the header block and behind the payload change nothing.
    void flip_and_check(std::size_t p, int bit) {
        const process_result o =
            run([p, bit](std::string& copy) { copy[p] = static_cast<char>(copy[p] ^ (1 << bit)); });
        const std::string what = "bit " + std::to_string(bit) + " of byte " + std::to_string(p);
        const std::size_t i = entry_at(p);
        if (p < SWEEP_HEADER_AT || p >= payload_end) {
            expect(o, "", payload_spec.entries.size(), what);
        } else if (p < SWEEP_HEADER_AT + payload::HEADER_MARKER_SIZE) {
            expect(o, "Can't find attachments (3).", 0, what);
        } else if (p < SWEEP_HEADER_AT + payload::HEADER_SIZE) {
            expect(o, "Attachments corrupted (3).", 0, what);
        } else if (p >= spans[i].record + spans[i].length) {
            expect(o, corrupted(4), i, what);
        } else if (p >= spans[i].record + 4) {
            expect(o, corrupted(6), i, what);
        } else {
            // A length out of range, one that runs past the end, or one that takes other bytes in.
            const std::string message = message_of(o.err);
            EXPECT_TRUE(message == corrupted(1) || message == corrupted(2) || message == corrupted(6))
                << what << ": " << message;
            expect(o, message, i, what);
        }
    }
    // The entry whose record or stored bytes hold offset p, or spans.size() when none does.
    std::size_t entry_at(std::size_t p) const {
        for (std::size_t i = 0; i < spans.size(); ++i) {
            if (p >= spans[i].record && p < spans[i].stored_end) return i;
        }
        return spans.size();
    }
};

TEST_F(DamagedInstallerSweep, TheIntactImageInstallsEverything) {
    expect(run([](std::string&) {}), "", payload_spec.entries.size(), "intact");
}

TEST_F(DamagedInstallerSweep, EveryTruncationEndsWithTheMessageOfWhereItCuts) {
    for (std::size_t length = 0; length <= image.size(); ++length) {
        const process_result o = run([length](std::string& copy) { copy.resize(length); });
        std::string message;
        std::size_t installed = payload_spec.entries.size();
        if (length < SWEEP_HEADER_AT + payload::HEADER_SIZE) {
            message = "Can't find attachments (3).";
            installed = 0;
        } else {
            for (std::size_t i = 0; i < spans.size() && message.empty(); ++i) {
                const entry_span& s = spans[i];
                if (length < s.record + 4)
                    message = corrupted(1);
                else if (length < s.record + s.length)
                    message = corrupted(2);
                else if (length < s.stored_end)
                    message = corrupted(3);
                if (!message.empty()) installed = i;
            }
        }
        expect(o, message, installed, "cut to " + std::to_string(length) + " bytes");
        if (HasFatalFailure()) return;
    }
}

TEST_F(DamagedInstallerSweep, EveryBitFlipInTheHeaderBlockIsRefused) {
    for (std::size_t p = SWEEP_HEADER_AT; p < SWEEP_HEADER_AT + payload::HEADER_SIZE; ++p) {
        for (int bit = 0; bit < 8; ++bit) {
            if (sweep_flips(p, bit)) flip_and_check(p, bit);
            if (HasFatalFailure()) return;
        }
    }
}

TEST_F(DamagedInstallerSweep, EveryBitFlipInTheEntriesStopsAtItsEntry) {
    for (std::size_t p = SWEEP_HEADER_AT + payload::HEADER_SIZE; p < payload_end; ++p) {
        for (int bit = 0; bit < 8; ++bit) {
            if (sweep_flips(p, bit)) flip_and_check(p, bit);
            if (HasFatalFailure()) return;
        }
    }
}

// The bytes before the header block are the stub's, never read past the search: one bit per byte there.
TEST_F(DamagedInstallerSweep, FlipsOutsideThePayloadChangeNothing) {
    for (std::size_t p = 0; p < image.size(); p = p + 1 == SWEEP_HEADER_AT ? payload_end : p + 1) {
        for (int bit = 0; bit < 8; ++bit) {
            const bool in_stub = p < SWEEP_HEADER_AT;
            const bool flipped = in_stub ? bit == static_cast<int>(p % 8) && (!SWEEP_SAMPLED || p % 64 < 8)
                                         : sweep_flips(p, bit);
            if (flipped) flip_and_check(p, bit);
            if (HasFatalFailure()) return;
        }
    }
}

// Reading ahead shows and leaves exactly what reading in turn does, wherever the entries are cut or one of
// their bits flipped (one bit per byte).
TEST_F(DamagedInstallerSweep, ReadingAheadAgreesWithReadingInTurnOnEveryCutAndFlip) {
    const auto compare = [&](const std::function<void(std::string&)>& damage, const std::string& what) {
        const process_result in_turn = run(damage, false);
        const auto tree_in_turn = testing_support::tree_snapshot(target);
        const process_result ahead = run(damage, true);
        ASSERT_EQ(ahead.term_signal, 0) << what;
        EXPECT_EQ(ahead.err, in_turn.err) << what;
        EXPECT_EQ(testing_support::tree_snapshot(target), tree_in_turn) << what;
    };
    for (std::size_t p = SWEEP_HEADER_AT + payload::HEADER_SIZE; p < payload_end; ++p) {
        compare([p](std::string& copy) { copy.resize(p); }, "cut to " + std::to_string(p));
        compare([p](std::string& copy) { copy[p] = static_cast<char>(copy[p] ^ (1 << p % 8)); },
                "flip in byte " + std::to_string(p));
        if (HasFatalFailure()) return;
    }
}

}  // namespace
