// The risk: reading ahead on a worker changes what the installation shows or leaves behind. Each image is
// installed twice into the same place, reading in turn and reading ahead, and the bytes on standard error
// and the trees left must be identical: randomized payloads (compressed, stored, empty and delete entries,
// colliding names, files beyond the worker's budget, damaged compressed data), decode errors in the middle
// of a file of many chunks, and entries the worker cannot get the memory for.
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <random>
#include <span>

#include <gtest/gtest.h>

#include "encoder/encoder.h"
#include "install/read_ahead.h"
#include "install_harness.h"
#include "support/install_in_child.h"

namespace {

namespace fs = std::filesystem;
using namespace testing_support;

struct outcome {
    std::string err;
    int records_ahead;  // what the worker read, for a run that completed; 0 otherwise
    std::map<std::string, std::string> tree;
};

outcome install_once(const std::string& image, const temp_dir& dir, bool ahead,
                     rlim_t address_space = RLIM_INFINITY) {
    const std::string target = dir / "target";
    const std::string path = dir / "setup";
    fs::remove_all(target);
    write_file(path, image);
    const process_result r = install_in_child(
        path, target,
        [&] {
            install::read_ahead_enabled = ahead;
            const rlimit limit{.rlim_cur = address_space, .rlim_max = RLIM_INFINITY};
            return setrlimit(RLIMIT_AS, &limit) != 0 ? 99 : 0;
        },
        [] { return static_cast<int>(std::min(install::records_read_ahead(), 200u)); });
    EXPECT_EQ(r.term_signal, 0);
    EXPECT_FALSE(r.timed_out);
    return {r.err, r.exit_code, tree_snapshot(target)};
}

// Installs `image` both ways and checks they agree; returns the run that read ahead.
outcome expect_same_both_ways(const std::string& image, const std::string& what) {
    temp_dir dir;
    const outcome in_turn = install_once(image, dir, false);
    const outcome ahead = install_once(image, dir, true);
    EXPECT_EQ(in_turn.records_ahead, 0) << what;
    EXPECT_EQ(ahead.err, in_turn.err) << what;
    EXPECT_EQ(ahead.tree, in_turn.tree) << what;
    return ahead;
}

std::string image_of(const test_payload& payload) {
    return installer_image("", payload_bytes(payload), 1024);
}

test_entry compressed(const std::string& name, const std::string& data) {
    const auto stream =
        encoder::compress(std::span(reinterpret_cast<const unsigned char*>(data.data()), data.size()));
    return {.name = name,
            .data = data,
            .method = 1,
            .stored = {stream.begin(), stream.end()},
            .use_stored = true};
}

// A stream whose first block gives `good` copies of 'g' and whose second block carries four length codes
// of one bit each, which no code can have: the chunk that reaches that block fails.
test_entry failing_at(const std::string& name, std::uint16_t good, std::uint32_t file_size) {
    std::string bits;
    auto put = [&](std::uint32_t value, int width) {
        for (int i = width - 1; i >= 0; --i) bits += (value >> i & 1) ? '1' : '0';
    };
    put(good, 16), put(0, 5), put(0, 5), put(0, 9), put('g', 9), put(0, 4), put(0, 4);
    put(100, 16), put(4, 5), put(1, 3), put(1, 3), put(1, 3), put(0, 2), put(1, 3);
    bits.resize((bits.size() + 7) / 8 * 8, '0');
    std::string stream;
    for (std::size_t i = 0; i < bits.size(); i += 8)
        stream += static_cast<char>(std::stoi(bits.substr(i, 8), nullptr, 2));
    return {
        .name = name, .data = std::string(file_size, 'g'), .method = 1, .stored = stream, .use_stored = true};
}

// Bytes that compress in places: runs, repeats and noise.
std::string random_bytes(std::mt19937& random, std::size_t size) {
    std::string data;
    while (data.size() < size) {
        switch (random() % 3) {
            case 0:
                data.append(1 + random() % 300, static_cast<char>('a' + random() % 4));
                break;
            case 1:
                data += data.substr(data.size() / 2, random() % 200);
                break;
            default:
                for (int i = random() % 50; i > 0; --i) data += static_cast<char>(random());
                break;
        }
    }
    data.resize(size);
    return data;
}

test_payload random_payload(std::mt19937& random) {
    // "x.h" names one file in three places, "a" a directory and (rarely) a file that blocks it.
    static const char* const NAMES[] = {"a/x.h", "b/x.h", "a/y.h", "c/d/z.h", "y.h", "x.h", "a"};
    test_payload p;
    for (int i = 1 + static_cast<int>(random() % 25); i > 0; --i) {
        const std::string name = NAMES[random() % (random() % 8 == 0 ? 7 : 6)];
        const std::size_t size = random() % 4 == 0 ? random() % 60000 : random() % 3000;
        switch (random() % 6) {
            case 0:
                p.entries.push_back({.name = name, .method = 2});
                break;
            case 1:
                p.entries.push_back({.name = name, .data = random_bytes(random, size)});
                break;
            default:
                p.entries.push_back(compressed(name, random_bytes(random, size)));
                break;
        }
        // Now and then compressed data damaged behind its own CRC: a decode error or a wrong file CRC.
        test_entry& last = p.entries.back();
        if (last.method == 1 && !last.stored.empty() && random() % 30 == 0) {
            last.stored[random() % last.stored.size()] ^= static_cast<char>(1 << random() % 8);
        }
    }
    return p;
}

TEST(ReadAhead, RandomizedPayloadsShowAndLeaveWhatReadingInTurnDoes) {
    int completed = 0;
    int failed = 0;  // by a decode error, a file CRC or the file system, at the same step both ways
    for (unsigned seed = 1; seed <= 40; ++seed) {
        std::mt19937 random(seed);
        const test_payload p = random_payload(random);
        // Every third payload with a small budget, so that its larger files are beyond it; the file CRCs
        // checked by the loop alone or by the worker alone.
        install::read_ahead_budget = seed % 3 == 0 ? 32 * 1024 : std::size_t{8} << 20;
        install::read_ahead_check_lead = seed % 2 == 0 ? 0 : UINT32_MAX;
        const outcome ahead = expect_same_both_ways(image_of(p), "seed " + std::to_string(seed));
        if (ahead.err.ends_with(texts::TERMINATED)) {
            ++failed;
        } else {
            EXPECT_EQ(ahead.records_ahead, static_cast<int>(p.entries.size())) << "seed " << seed;
            ++completed;
        }
    }
    install::read_ahead_budget = std::size_t{8} << 20;
    install::read_ahead_check_lead = 2;
    EXPECT_GT(completed, 20);
    EXPECT_GE(failed, 3);
}

TEST(ReadAhead, ADecodeErrorMidFileComesAfterTheSameChunkDrawings) {
    struct shape {
        std::uint16_t good;
        std::uint32_t size;
    };
    // The failing chunk: third of five, third and last, first of three.
    for (const shape s : {shape{16484, 40000}, shape{16484, 16500}, shape{100, 20000}}) {
        test_payload p;
        p.entries = {compressed("before.h", std::string(30000, 'b')),
                     failing_at("inc/bad.h", s.good, s.size),
                     {.name = "after.h", .data = "never"}};
        const outcome ahead = expect_same_both_ways(image_of(p), "size " + std::to_string(s.size));
        EXPECT_TRUE(ahead.err.ends_with("Decompression error (err=1).\n" + texts::TERMINATED)) << ahead.err;
        EXPECT_EQ(ahead.tree.count("inc/bad.h"), 0u);
    }
}

TEST(ReadAhead, AnEntryTheWorkerHasNoMemoryForIsReadInTurnWithTheRest) {
    test_payload p;
    p.entries = {compressed("small.h", std::string(5000, 's')),
                 compressed("big.h", std::string(70000, 'B')),
                 {.name = "small.h", .method = 2},
                 {.name = "last.h", .data = "last"}};
    install::read_ahead_memory_limit = 50000;
    const outcome ahead = expect_same_both_ways(image_of(p), "memory limit");
    install::read_ahead_memory_limit = SIZE_MAX;
    EXPECT_EQ(ahead.records_ahead, 2);  // the worker stopped behind big.h's record
    EXPECT_EQ(ahead.tree.at("big.h"), "file " + std::string(70000, 'B'));
    EXPECT_EQ(ahead.tree.at("last.h"), "file last");
}

// Under a limit on the address space, memory held ahead could make another allocation fail where reading
// in turn would not: the loop reads in turn. (The limit here is the largest there is, harmless under the
// sanitizers.)
TEST(ReadAhead, UnderAnAddressSpaceLimitTheLoopReadsInTurn) {
    test_payload p;
    p.entries = {compressed("a.h", std::string(20000, 'a')), {.name = "b.h", .data = "b"}};
    temp_dir dir;
    const outcome limited = install_once(image_of(p), dir, true, RLIM_INFINITY - 1);
    EXPECT_EQ(limited.err.find(texts::TERMINATED), std::string::npos) << limited.err;
    EXPECT_EQ(limited.records_ahead, 0);
    EXPECT_EQ(limited.tree.size(), 2u);
}

}  // namespace
