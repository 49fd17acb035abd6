// The pool that prepares a build's entries on several threads while the writer takes them in payload
// order. Entry i is worked on only once the writer has let go of entry i - window, and only while the
// entries held, it included, cost at most `budget` (an entry is always started when nothing else is
// held): many small files can be ready while one large file is written, and memory stays bounded by the
// budget plus the one entry that may exceed it.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace builder {

class parallel_encoder {
  public:
    // Runs work(i) for every i below `count` on `threads` threads; with one thread, or when no thread
    // can be started, each work(i) runs inside wait_for(i) instead. work(i) keeps its result in slot
    // i % window_for(threads). cost(i) is what entry i holds until the writer lets go of it.
    parallel_encoder(std::size_t count, unsigned threads, std::function<void(std::size_t)> work,
                     std::function<std::uint64_t(std::size_t)> cost = {}, std::uint64_t budget = UINT64_MAX);
    // Stops the threads once their current work is done; results not waited for are dropped.
    ~parallel_encoder();
    parallel_encoder(const parallel_encoder&) = delete;
    parallel_encoder& operator=(const parallel_encoder&) = delete;

    // The number of result slots: the entry being written and eight per thread, so that threads keep
    // busy on small files while a large one is written.
    static std::size_t window_for(unsigned threads) {
        return threads <= 1 ? 1 : 8 * std::size_t{threads} + 1;
    }

    // Called for 0, 1, 2, ... in turn: lets go of every earlier entry's slot, waits until work(index)
    // has finished, and throws what it threw.
    void wait_for(std::size_t index);

  private:
    struct slot_state {
        bool done = false;
        std::exception_ptr failure;
    };

    void run_worker();
    std::uint64_t cost_of(std::size_t index) const;

    const std::size_t count_;
    const std::function<void(std::size_t)> work_;
    const std::function<std::uint64_t(std::size_t)> cost_;
    const std::uint64_t budget_;
    const std::size_t window_;
    std::mutex mutex_;
    std::condition_variable work_ready_;  // an entry may start, or the pool stops
    std::condition_variable work_done_;   // an entry has finished
    std::size_t next_to_start_ = 0;
    std::size_t window_start_ = 0;  // the lowest entry whose slot is still held
    std::uint64_t held_cost_ = 0;   // of the entries from window_start_ up to next_to_start_
    bool stopping_ = false;
    std::vector<slot_state> slots_;
    std::vector<std::thread> threads_;
};

}  // namespace builder
