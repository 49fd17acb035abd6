// The read-ahead worker and the queue of prepared entries between it and the extraction loop. One lock
// guards the queue's positions, every entry's stage, failure and chunk count, and the bytes held; an
// entry's buffers and record are the worker's until it publishes a stage, and read-only for the loop
// after that.
#include "install/read_ahead.h"

#include <pthread.h>
#include <sys/resource.h>

#include <algorithm>
#include <limits>

#include "decoder/chunk_loop.h"
#include "decoder/codec.h"
#include "driver/driver_state.h"
#include "install/file_guard.h"

namespace install {

bool read_ahead_enabled = true;
std::size_t read_ahead_budget = std::size_t{8} << 20;
std::size_t read_ahead_memory_limit = std::numeric_limits<std::size_t>::max();
// More than the entry the loop is on and the one the worker is on means that a prepared entry is already
// waiting for the loop, which is then the busier side.
std::uint32_t read_ahead_check_lead = 2;

namespace {

// Entries in the queue at most. Small files are many (each slot carries a whole record buffer); a few
// dozen ahead already keep the worker busy while the loop works the file system.
constexpr std::uint32_t READ_AHEAD_SLOTS = 64;
struct queue_state {
    // Not allocated: the loop keeps using the record of an entry handed over after the worker has ended.
    prepared_entry slots[READ_AHEAD_SLOTS];
    std::uint32_t file_count = 0;
    std::uint32_t head = 0;  // entries released by the loop
    std::uint32_t tail = 0;  // entries taken up by the worker
    std::uint32_t records_read = 0;
    std::size_t bytes_held = 0;  // stored and file bytes of entries not yet released
    bool stop = false;
    bool running = false;
    // The POSIX primitives, not std::thread, std::mutex and std::condition_variable: those report failure
    // by throwing std::system_error, which would link the exception classes and std::string into the
    // stub. A default mutex locked by its own thread and a condition waited on under it cannot fail.
    pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
    pthread_cond_t loop_wake = PTHREAD_COND_INITIALIZER;    // a stage or chunk published
    pthread_cond_t worker_wake = PTHREAD_COND_INITIALIZER;  // a slot or bytes released, or stop
    pthread_t worker{};
};

queue_state queue;

// Holds the queue's lock for its scope.
struct queue_guard {
    queue_guard() { pthread_mutex_lock(&queue.lock); }
    ~queue_guard() { pthread_mutex_unlock(&queue.lock); }
    queue_guard(const queue_guard&) = delete;
    queue_guard& operator=(const queue_guard&) = delete;
};

// Waits on `wake` until `ready` holds; the caller holds the queue's lock.
template <typename Ready>
void wait_until(pthread_cond_t& wake, Ready ready) {
    while (!ready()) pthread_cond_wait(&wake, &queue.lock);
}

prepared_entry& slot(std::uint32_t index) {
    return queue.slots[index % READ_AHEAD_SLOTS];
}

// What one entry needs: both buffers, one byte over each as the loop allocates them.
std::size_t bytes_needed(const payload::file_record& record) {
    return std::size_t{record.stored_size} + 1 + std::size_t{record.file_size} + 1;
}

// With an address-space or data limit, memory the worker holds ahead could make one of the loop's own
// allocations fail where reading in turn would not; there the loop keeps to reading in turn.
bool memory_is_limited() {
    for (const int resource : {RLIMIT_AS, RLIMIT_DATA}) {
        rlimit limit{};
        if (getrlimit(resource, &limit) != 0 || limit.rlim_cur != RLIM_INFINITY) return true;
    }
    return false;
}

void publish(prepared_entry& entry, int stage, int failure) {
    const queue_guard guard;
    entry.stage = stage;
    entry.failure = failure;
    pthread_cond_signal(&queue.loop_wake);
}

// Allocates the entry's buffers and, when it is compressed, its codec; all or nothing. Waits first for
// the budget: an entry that does not fit beside what is held waits until nothing is held. False when
// stopped meanwhile, or when the memory cannot be had even with nothing else held (`handed_over` set).
bool take_resources(prepared_entry& entry, decoder::codec_context** codec, bool& handed_over) {
    const std::size_t need = bytes_needed(entry.record);
    for (bool retried = false;; retried = true) {
        {
            const queue_guard guard;
            wait_until(queue.worker_wake, [&] {
                return queue.stop || queue.bytes_held == 0 ||
                       (!retried && queue.bytes_held + need <= read_ahead_budget);
            });
            if (queue.stop) return false;
        }
        if (need <= read_ahead_memory_limit) {
            entry.stored = payload::allocate_bytes(entry.record.stored_size + std::size_t{1});
            entry.file = payload::allocate_bytes(entry.record.file_size + std::size_t{1});
            if (entry.stored && entry.file &&
                (!payload::needs_decoder(entry.record) || decoder::codec_open(codec) == 0)) {
                const queue_guard guard;
                queue.bytes_held += need;
                return true;
            }
            entry.stored.reset();
            entry.file.reset();
        }
        if (retried) {
            handed_over = true;
            return false;
        }
    }
}

// Decodes the stored bytes into the file buffer (chunk_loop.h), publishing how far it has come after each
// chunk, and a failure with its chunk; returns 0, PREPARED_DECODE_ERROR, or -1 when stopped.
int decode_entry(prepared_entry& entry, decoder::codec_context* codec) {
    decoder::input_span input{entry.stored.get(), entry.stored.get() + entry.record.stored_size};
    const std::size_t file_size = entry.record.file_size;
    bool stopped = false;
    const auto publish_chunk = [&](std::size_t done, int result) {
        // The count and the failure go out together: the loop must never see a failed chunk as done.
        const queue_guard guard;
        entry.decoded_bytes = done;
        if (result < 0) entry.failure = PREPARED_DECODE_ERROR;
        pthread_cond_signal(&queue.loop_wake);
        stopped = result == 0 && done < file_size && queue.stop;
        return result == 0 && !stopped;
    };
    if (decoder::decode_in_chunks(codec, &input, entry.file.get(), file_size, publish_chunk) < 0) {
        return PREPARED_DECODE_ERROR;
    }
    return stopped ? -1 : 0;
}

// Takes one entry from the stream as far as it goes; false when the worker must read no further.
bool prepare_entry(prepared_entry& entry) {
    int failure = payload::read_file_record(driver::session.self_file, entry.record_bytes, entry.record);
    if (failure != payload::CORRUPT_NONE) {
        publish(entry, PREPARED_NOTHING, failure);
        return false;
    }
    {
        const queue_guard guard;
        ++queue.records_read;
        entry.stage = PREPARED_RECORD;
        pthread_cond_signal(&queue.loop_wake);
    }
    if (entry.record.method == payload::METHOD_DELETE) return true;

    decoder::codec_context* codec = nullptr;
    bool handed_over = false;
    if (!take_resources(entry, &codec, handed_over)) {
        if (handed_over) publish(entry, PREPARED_RECORD, PREPARED_HANDED_OVER);
        return false;
    }
    failure = payload::read_stored_bytes(driver::session.self_file, entry.record, entry.stored.get());
    if (failure != payload::CORRUPT_NONE) {
        decoder::codec_close(&codec);
        publish(entry, PREPARED_RECORD, failure);
        return false;
    }
    publish(entry, PREPARED_STORED, 0);

    if (entry.record.method == payload::METHOD_STORED) {
        std::copy_n(entry.stored.get(), entry.record.file_size, entry.file.get());
    } else if (codec != nullptr) {
        const int decoded = decode_entry(entry, codec);
        decoder::codec_close(&codec);
        if (decoded != 0) return false;
    }
    // The file bytes' CRC goes to whichever side is less busy: the worker takes it when the loop is more
    // than an entry behind, and leaves it to the loop when the loop is (nearly) waiting for this entry.
    bool check_here = false;
    {
        const queue_guard guard;
        check_here = queue.tail - queue.head > read_ahead_check_lead;
    }
    const int checked = check_here ? payload::check_file_bytes(entry.record, entry.file.get()) : -1;
    const queue_guard guard;
    entry.stored.reset();
    queue.bytes_held -= std::size_t{entry.record.stored_size} + 1;
    entry.file_check = checked;
    entry.stage = PREPARED_FILE;
    pthread_cond_signal(&queue.loop_wake);
    return checked <= 0;
}

void run_worker() {
    for (std::uint32_t index = 0; index < queue.file_count; ++index) {
        {
            const queue_guard guard;
            wait_until(queue.worker_wake,
                       [] { return queue.stop || queue.tail - queue.head < READ_AHEAD_SLOTS; });
            if (queue.stop) return;
            ++queue.tail;
        }
        if (!prepare_entry(slot(index))) return;
    }
}

void* worker_main(void*) {
    run_worker();
    return nullptr;
}

void clear_entry(prepared_entry& entry) {
    entry.stored.reset();
    entry.file.reset();
    entry.stage = PREPARED_NOTHING;
    entry.failure = 0;
    entry.decoded_bytes = 0;
    entry.file_check = -1;
}

}  // namespace

bool start_read_ahead(std::uint32_t file_count) {
    queue.records_read = 0;
    if (!read_ahead_enabled || file_count == 0 || memory_is_limited()) return false;
    for (prepared_entry& entry : queue.slots) clear_entry(entry);
    queue.file_count = file_count;
    queue.head = queue.tail = 0;
    queue.bytes_held = 0;
    queue.stop = false;
    // The worker is made holding the signals that remove the file in progress, so they always reach the
    // loop, which alone knows that file (file_guard.h).
    sigset_t saved;
    hold_guarded_signals(&saved);
    queue.running = pthread_create(&queue.worker, nullptr, worker_main, nullptr) == 0;
    release_guarded_signals(&saved);
    return queue.running;
}

bool reading_ahead() {
    return queue.running;
}

int wait_for_entry(int stage) {
    const prepared_entry& entry = slot(queue.head);
    const queue_guard guard;
    wait_until(queue.loop_wake, [&] { return entry.stage >= stage || entry.failure != 0; });
    return entry.stage >= stage ? 0 : entry.failure;
}

const prepared_entry& next_entry() {
    return slot(queue.head);
}

int wait_for_decoded(std::size_t end) {
    prepared_entry& entry = slot(queue.head);
    const queue_guard guard;
    wait_until(queue.loop_wake, [&] { return entry.decoded_bytes >= end || entry.failure != 0; });
    return entry.failure == PREPARED_DECODE_ERROR && entry.decoded_bytes == end ? -1 : 0;
}

std::uint32_t records_read_ahead() {
    const queue_guard guard;
    return queue.records_read;
}

void release_entry() {
    prepared_entry& entry = slot(queue.head);
    const queue_guard guard;
    if (entry.stored) queue.bytes_held -= std::size_t{entry.record.stored_size} + 1;
    if (entry.file) queue.bytes_held -= std::size_t{entry.record.file_size} + 1;
    clear_entry(entry);
    ++queue.head;
    pthread_cond_signal(&queue.worker_wake);
}

void stop_read_ahead() {
    if (!queue.running) return;
    {
        const queue_guard guard;
        queue.stop = true;
        pthread_cond_signal(&queue.worker_wake);
    }
    pthread_join(queue.worker, nullptr);
    queue.running = false;
    for (prepared_entry& entry : queue.slots) {
        entry.stored.reset();
        entry.file.reset();
    }
}

}  // namespace install
