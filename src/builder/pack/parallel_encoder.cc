// The pool's threads and their hand-over. Every slot is written by one worker and read by the writer only
// after the worker has marked it done under the mutex, which orders the two.
#include "builder/pack/parallel_encoder.h"

#include <algorithm>
#include <system_error>
#include <utility>

namespace builder {

parallel_encoder::parallel_encoder(std::size_t count, unsigned threads, std::function<void(std::size_t)> work,
                                   std::function<std::uint64_t(std::size_t)> cost, std::uint64_t budget)
    : count_(count),
      work_(std::move(work)),
      cost_(std::move(cost)),
      budget_(budget),
      window_(window_for(threads)) {
    if (threads <= 1 || count <= 1) return;
    slots_.resize(window_);
    const std::size_t wanted = std::min<std::size_t>(threads, count);
    for (std::size_t i = 0; i < wanted; ++i) {
        try {
            threads_.emplace_back([this] { run_worker(); });
        } catch (const std::system_error&) {
            // Fewer threads only make the build slower; with none, the writer does the work itself.
            break;
        }
    }
}

parallel_encoder::~parallel_encoder() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    work_ready_.notify_all();
    for (std::thread& thread : threads_) thread.join();
}

std::uint64_t parallel_encoder::cost_of(std::size_t index) const {
    return cost_ ? cost_(index) : 0;
}

void parallel_encoder::run_worker() {
    std::unique_lock lock(mutex_);
    for (;;) {
        work_ready_.wait(lock, [this] {
            return stopping_ || next_to_start_ >= count_ ||
                   (next_to_start_ < window_start_ + window_ &&
                    (next_to_start_ == window_start_ || held_cost_ + cost_of(next_to_start_) <= budget_));
        });
        if (stopping_ || next_to_start_ >= count_) return;
        const std::size_t index = next_to_start_++;
        held_cost_ += cost_of(index);
        slot_state& slot = slots_[index % window_];
        slot = slot_state{};
        lock.unlock();
        std::exception_ptr failure;
        try {
            work_(index);
        } catch (...) {
            failure = std::current_exception();
        }
        lock.lock();
        slot.done = true;
        slot.failure = std::move(failure);
        work_done_.notify_all();
    }
}

void parallel_encoder::wait_for(std::size_t index) {
    if (threads_.empty()) {
        work_(index);
        return;
    }
    std::unique_lock lock(mutex_);
    if (index > window_start_) {
        for (; window_start_ < index; ++window_start_) held_cost_ -= cost_of(window_start_);
        work_ready_.notify_all();
    }
    const slot_state& slot = slots_[index % window_];
    // The slot may still hold entry index - window until a worker takes index up.
    work_done_.wait(lock, [&] { return next_to_start_ > index && slot.done; });
    if (slot.failure) std::rethrow_exception(slot.failure);
}

}  // namespace builder
