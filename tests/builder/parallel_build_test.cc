// build -j N: the same installer, messages and exit status for every thread count, and the pool's bound on
// the entries it holds at once.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <stdexcept>

#include "builder/pack/parallel_encoder.h"
#include "builder_fixtures.h"

namespace {

using namespace builder_test;

class ParallelBuild : public stub_build_fixture {
  protected:
    void SetUp() override {
        stub_build_fixture::SetUp();
        // Empty, tiny, text that shrinks, bytes that do not, and files far larger than the rest, so that
        // workers finish out of order.
        std::string text;
        for (int i = 0; text.size() < 400000; ++i)
            text += "line " + std::to_string(i * 7 % 1000) + " of text\n";
        const std::string junk = junk_bytes(300000);
        for (int i = 0; i < 36; ++i) {
            const std::size_t size =
                i % 6 == 0 ? 0 : (std::size_t{1} << (i % 19)) + static_cast<std::size_t>(i);
            const std::string bytes = i % 2 == 0 ? text.substr(i, size) : junk.substr(i, size);
            write_timed_file(source + "/d" + std::to_string(i % 4) + "/f" + std::to_string(i), bytes);
        }
        write_timed_file(source + "/big/text", text);
        write_timed_file(source + "/big/junk", junk);
    }

    // A build with a delete entry and a fixed time, and `jobs` (with --strict or not).
    testing_support::process_result build_with(std::vector<std::string> jobs) const {
        jobs.insert(jobs.begin(), {"--build-time", "5", "--delete", "old/x"});
        return build(jobs);
    }
};

// Links to a file outside the tree add a warning each, in byte order of their names.
TEST_F(ParallelBuild, EveryThreadCountGivesTheSameBytesAndMessages) {
    write_file(dir / "version", "outside");
    ASSERT_EQ(symlink((dir / "version").c_str(), (source + "/d1/version").c_str()), 0);
    ASSERT_EQ(symlink((dir / "version").c_str(), (source + "/d3/kernel").c_str()), 0);
    const auto one = build_with({"-j", "1"});
    ASSERT_EQ(one.exit_code, 0) << one.err;
    EXPECT_NE(one.err.find("\"d3/kernel\""), std::string::npos) << one.err;
    EXPECT_LT(one.err.find("\"d1/version\""), one.err.find("\"d3/kernel\""));
    const std::string bytes = read_file(output);
    for (const auto& jobs :
         std::vector<std::vector<std::string>>{{"--jobs=2"}, {"-j8"}, {"--jobs", "8"}, {}}) {
        SCOPED_TRACE(jobs.empty() ? "default" : jobs.back());
        const auto r = build_with(jobs);
        ASSERT_EQ(r.exit_code, 0) << r.err;
        EXPECT_EQ(r.err, one.err);
        EXPECT_EQ(r.out, one.out);
        EXPECT_TRUE(read_file(output) == bytes);
    }
    EXPECT_EQ(run_mkinstaller({"verify", "--any-stub", output}).exit_code, 0);
}

// Results come in order, a failure is thrown at its own index only, and no more than window_for(threads)
// entries are ever worked on or waiting at once.
TEST(ParallelEncoder, HoldsAtMostItsWindowAndRaisesFailuresInOrder) {
    for (const unsigned threads : {1u, 2u, 5u}) {
        SCOPED_TRACE(threads);
        const std::size_t window = builder::parallel_encoder::window_for(threads);
        std::atomic<std::size_t> held{0}, most_held{0};
        std::vector<std::size_t> slots(window, 0);
        {
            builder::parallel_encoder pool(300, threads, [&](std::size_t index) {
                const std::size_t now = ++held;
                for (std::size_t seen = most_held;
                     now > seen && !most_held.compare_exchange_weak(seen, now);) {
                }
                if (index % 7 == 3) usleep(200);
                if (index == 150 || index == 151) throw std::runtime_error("entry " + std::to_string(index));
                slots[index % window] = index;
            });
            for (std::size_t index = 0; index < 150; ++index) {
                pool.wait_for(index);
                EXPECT_EQ(slots[index % window], index);
                --held;
            }
            try {
                pool.wait_for(150);
                ADD_FAILURE() << "entry 150 did not fail";
            } catch (const std::runtime_error& e) {
                EXPECT_STREQ(e.what(), "entry 150");
            }
        }
        EXPECT_LE(most_held.load(), window);
    }
}

// Entries ahead of the writer stay within the budget however wide the window: here two of cost 10 fit
// in 25, never three.
TEST(ParallelEncoder, HoldsNoMoreThanItsBudgetAhead) {
    std::atomic<std::size_t> held{0}, most_held{0};
    {
        builder::parallel_encoder pool(
            100, 4,
            [&](std::size_t) {
                const std::size_t now = ++held;
                for (std::size_t seen = most_held;
                     now > seen && !most_held.compare_exchange_weak(seen, now);) {
                }
                usleep(100);
            },
            [](std::size_t) { return std::uint64_t{10}; }, 25);
        for (std::size_t index = 0; index < 100; ++index) {
            pool.wait_for(index);
            --held;
        }
    }
    EXPECT_LE(most_held.load(), 2u);
}

}  // namespace
