// The read-ahead worker and the queue of prepared entries between it and the extraction loop. An entry's
// buffers and record are the worker's until it publishes a stage, and read-only for the loop after that;
// the queue's positions, the stages, failures and chunk counts are atomics, published with release and
// read with acquire, so that neither side takes a lock while the other keeps up.
//
// The hand-over is per entry, not per chunk: a side that finds nothing to do spins briefly (where there is
// a second core to deliver meanwhile) and then sleeps, and the other side wakes it only when enough has
// come for it: a batch of finished entries or a stretch of decoded bytes for the loop, half the queue or
// the memory an entry needs for the worker. A side about to sleep first wakes the other, so that neither
// waits on the other's batch. The lock guards only falling asleep and waking.
#include "install/read_ahead.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <atomic>
#include <limits>

#include "decoder/chunk_loop.h"
#include "decoder/codec.h"
#include "install/allocation_failure.h"
#include "install/file_guard.h"
#include "process/session.h"
#include "process/vendor_settings.h"

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
// A sleeping loop is woken when this many entries past the one it waits for are finished (the last
// entry and a worker about to sleep or to end wake it sooner), or when this many more bytes are
// decoded, so that a large file's drawings keep coming while it decodes.
constexpr std::uint32_t READ_AHEAD_WAKE_ENTRIES = 16;
constexpr std::size_t READ_AHEAD_WAKE_BYTES = std::size_t{64} << 10;
// Polls before sleeping: a few microseconds, about what a small entry takes the other side.
constexpr int READ_AHEAD_SPINS = 4000;

// One side's sleep: whether it sleeps, and what must have come to wake it. The loop's wants are counts
// the worker reaches (finished entries, produced bytes), either of which wakes it; the worker's are what
// the loop frees (released entries, held bytes at most), both of which must hold.
struct sleeper {
    std::atomic<bool> asleep{false};
    std::atomic<std::uint64_t> want_count{0};
    std::atomic<std::size_t> want_bytes{0};
    pthread_cond_t wake = PTHREAD_COND_INITIALIZER;
};

// The worker's stack: it decodes with the codec's context on the heap and holds no large locals.
constexpr std::size_t READ_AHEAD_STACK_SIZE = 512 * 1024;

struct queue_state {
    // Not allocated: the loop keeps using the record of an entry handed over after the worker has ended.
    prepared_entry slots[READ_AHEAD_SLOTS];
    std::uint32_t file_count = 0;
    std::atomic<std::uint32_t> head{0};      // entries released by the loop
    std::atomic<std::uint32_t> tail{0};      // entries taken up by the worker
    std::atomic<std::uint32_t> finished{0};  // entries the worker is done with, in order
    std::atomic<std::size_t> produced{0};    // file bytes the worker has made, all entries together
    std::atomic<std::uint32_t> records_read{0};
    std::atomic<std::size_t> bytes_held{0};  // stored and file bytes of entries not yet released
    std::atomic<bool> stop{false};
    // Touched by each side between what it publishes and what it then reads of the other (handshake).
    std::atomic<std::uint32_t> handshake{0};
    bool running = false;
    bool spinning_helps = false;  // more than one core to run on
    // The POSIX primitives, not std::thread, std::mutex and std::condition_variable: those report failure
    // by throwing std::system_error, which would link the exception classes and std::string into the
    // stub. A default mutex locked by its own thread and a condition waited on under it cannot fail.
    pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
    sleeper loop;
    sleeper worker;
    pthread_t worker_thread{};
};

queue_state queue;

prepared_entry& slot(std::uint32_t index) {
    return queue.slots[index % READ_AHEAD_SLOTS];
}

// What one entry needs: both buffers, one byte over each as the loop allocates them.
std::size_t bytes_needed(const payload::file_record& record) {
    return std::size_t{record.stored_size} + 1 + std::size_t{record.file_size} + 1;
}

bool more_than_one_core() {
    cpu_set_t cpus;
    return sched_getaffinity(0, sizeof cpus, &cpus) == 0 && CPU_COUNT(&cpus) > 1;
}

inline void cpu_relax() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

// A read-modify-write of the one shared handshake: of two sides that each publish, pass here and then
// read, at least one sees the other's publication, since the two passes are ordered and the later one
// synchronizes with the earlier. (A fence would do the same, but ThreadSanitizer does not follow fences.)
inline void handshake() {
    (void)queue.handshake.fetch_add(1, std::memory_order_acq_rel);
}

// Returns once ready() holds: at once, after a spin, or after sleeping. `ask` states the wants that wake
// `self` (read by the other side once it sees `self` asleep); `before_sleep` runs when spinning did not
// do. The asleep flag goes up before ready() is asked again, and the other side publishes before it
// looks at the flag (both behind a handshake), so a wake is never lost.
template <typename ready_fn, typename ask_fn, typename before_fn>
void wait_until(sleeper& self, ready_fn&& ready, ask_fn&& ask, before_fn&& before_sleep) {
    if (ready()) return;
    if (queue.spinning_helps) {
        for (int i = 0; i < READ_AHEAD_SPINS; ++i) {
            cpu_relax();
            if (ready()) return;
        }
    }
    before_sleep();
    pthread_mutex_lock(&queue.lock);
    for (;;) {
        ask();
        self.asleep.store(true);
        handshake();
        if (ready()) break;
        pthread_cond_wait(&self.wake, &queue.lock);
    }
    pthread_mutex_unlock(&queue.lock);
    self.asleep.store(false, std::memory_order_relaxed);
}

void wake(sleeper& other) {
    pthread_mutex_lock(&queue.lock);
    pthread_cond_signal(&other.wake);
    pthread_mutex_unlock(&queue.lock);
}

// The worker's side of a publication: wakes the loop when it sleeps and what it wants has come, or
// whatever it wants when `always` (a failure, the worker ending or sleeping).
void wake_loop(bool always) {
    handshake();
    if (!queue.loop.asleep.load(std::memory_order_acquire)) return;
    if (always || queue.finished.load() >= queue.loop.want_count.load() ||
        queue.produced.load() >= queue.loop.want_bytes.load()) {
        wake(queue.loop);
    }
}

// The loop's side of a release: wakes the worker when it sleeps and both its wants hold.
void wake_worker() {
    handshake();
    if (!queue.worker.asleep.load(std::memory_order_acquire)) return;
    if (queue.head.load() >= queue.worker.want_count.load() &&
        queue.bytes_held.load() <= queue.worker.want_bytes.load()) {
        wake(queue.worker);
    }
}

// The worker waits until ready() or stop; it wakes at `head_at_least` released entries and at most
// `held_at_most` bytes held.
template <typename ready_fn>
bool worker_wait(ready_fn&& ready, std::uint32_t head_at_least, std::size_t held_at_most) {
    wait_until(
        queue.worker, [&] { return queue.stop.load(std::memory_order_acquire) || ready(); },
        [&] {
            queue.worker.want_count.store(head_at_least, std::memory_order_relaxed);
            queue.worker.want_bytes.store(held_at_most, std::memory_order_relaxed);
        },
        [] { wake_loop(true); });
    return !queue.stop.load(std::memory_order_acquire);
}

// The loop waits until ready(); it wakes once `entry` and the batch behind it are finished, or a stretch
// of bytes is decoded. `batch` is 1 while a file's chunks are awaited: its end must wake it too.
template <typename ready_fn>
void loop_wait(ready_fn&& ready, std::uint32_t entry, std::uint32_t batch) {
    wait_until(
        queue.loop, ready,
        [&] {
            const std::uint64_t entries =
                std::min<std::uint64_t>(std::uint64_t{entry} + batch, queue.file_count);
            queue.loop.want_count.store(entries, std::memory_order_relaxed);
            queue.loop.want_bytes.store(queue.produced.load() + READ_AHEAD_WAKE_BYTES,
                                        std::memory_order_relaxed);
        },
        [] {});
}

void publish(prepared_entry& entry, prepared stage, entry_stop stop = {}) {
    entry.stop.store(stop_word(stop), std::memory_order_relaxed);
    entry.stage.store(stage, std::memory_order_release);
}

entry_stop corrupted(payload::corruption found) {
    return {stop_cause::corrupted, found};
}

// An entry the worker is done with, successfully: counted, and the loop woken if it waited for enough.
void finish(std::size_t bytes) {
    queue.produced.fetch_add(bytes);
    queue.finished.fetch_add(1);
    wake_loop(false);
}

// Allocates the entry's buffers and, when it is compressed, its codec; all or nothing. Waits first for
// the budget: an entry that does not fit beside what is held waits until nothing is held. False when
// stopped meanwhile, or when the memory cannot be had even with nothing else held (`handed_over` set).
bool take_resources(prepared_entry& entry, decoder::codec_context** codec, bool& handed_over) {
    const std::size_t need = bytes_needed(entry.record);
    for (bool retried = false;; retried = true) {
        const std::size_t fits = retried || need > read_ahead_budget ? 0 : read_ahead_budget - need;
        if (!worker_wait([&] { return queue.bytes_held.load() <= fits; }, 0, fits)) return false;
        if (need <= read_ahead_memory_limit) {
            entry.stored = payload::allocate_bytes(entry.record.stored_size + std::size_t{1});
            entry.file = payload::allocate_bytes(entry.record.file_size + std::size_t{1});
            if (entry.stored && entry.file &&
                (!payload::needs_decoder(entry.record) || decoder::codec_open(codec) == 0)) {
                queue.bytes_held.fetch_add(need);
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
// chunk, and a failure with its chunk; true when the file bytes are whole, false on a failure or when
// stopped.
bool decode_entry(prepared_entry& entry, decoder::codec_context* codec) {
    decoder::input_span input{entry.stored.get(), entry.stored.get() + entry.record.stored_size};
    const std::size_t file_size = entry.record.file_size;
    bool stopped = false;
    std::size_t published = 0;
    const auto publish_chunk = [&](std::size_t done, int result) {
        // The chunk's end and whether it failed go out in one store, so that a loop that sees a chunk's end
        // knows whether that chunk failed; then the failure, so that a loop that sees it sees its chunk.
        entry.decoded_bytes.store(done * 2 + (result < 0 ? 1 : 0), std::memory_order_release);
        if (result < 0) entry.stop.store(stop_word({stop_cause::decode_error}), std::memory_order_release);
        queue.produced.fetch_add(done - published);
        published = done;
        if (result < 0) return false;  // the worker's end wakes the loop
        wake_loop(false);
        stopped = done < file_size && queue.stop.load(std::memory_order_acquire);
        return !stopped;
    };
    return decoder::decode_in_chunks(codec, &input, entry.file.get(), file_size, publish_chunk) >= 0 &&
           !stopped;
}

// Takes one entry from the stream as far as it goes; false when the worker must read no further.
bool prepare_entry(prepared_entry& entry) {
    payload::corruption found = payload::read_file_record(process::session.self_file, entry.record_bytes,
                                                          entry.record, process::record_methods());
    if (found != payload::corruption::none) {
        publish(entry, prepared::nothing, corrupted(found));
        return false;
    }
    queue.records_read.fetch_add(1, std::memory_order_relaxed);
    publish(entry, prepared::record);
    if (!payload::has_stored_bytes(entry.record)) {
        finish(0);
        return true;
    }

    decoder::codec_context* codec = nullptr;
    bool handed_over = false;
    if (!take_resources(entry, &codec, handed_over)) {
        if (handed_over) publish(entry, prepared::record, {stop_cause::handed_over});
        return false;
    }
    found = payload::read_stored_bytes(process::session.self_file, entry.record, entry.stored.get());
    if (found != payload::corruption::none) {
        decoder::codec_close(&codec);
        publish(entry, prepared::record, corrupted(found));
        return false;
    }
    publish(entry, prepared::stored);

    std::size_t copied = 0;
    if (payload::is_stored_as_is(entry.record)) {
        std::copy_n(entry.stored.get(), entry.record.file_size, entry.file.get());
        copied = entry.record.file_size;
    } else if (codec != nullptr) {
        const bool decoded = decode_entry(entry, codec);
        decoder::codec_close(&codec);
        if (!decoded) return false;
    }
    // The file bytes' CRC goes to whichever side is less busy: the worker takes it when the loop is more
    // than an entry behind, and leaves it to the loop when the loop is (nearly) waiting for this entry.
    const bool check_here = queue.tail.load() - queue.head.load() > read_ahead_check_lead;
    std::optional<payload::corruption> checked;
    if (check_here) checked = payload::check_file_bytes(entry.record, entry.file.get());
    entry.stored.reset();
    queue.bytes_held.fetch_sub(std::size_t{entry.record.stored_size} + 1);
    entry.file_check = checked;
    publish(entry, prepared::file);
    if (checked.value_or(payload::corruption::none) != payload::corruption::none) return false;
    finish(copied);
    return true;
}

void run_worker() {
    for (std::uint32_t index = 0; index < queue.file_count; ++index) {
        // A full queue is taken up again once half of it is free.
        const std::uint32_t tail = queue.tail.load(std::memory_order_relaxed);
        if (!worker_wait([&] { return tail - queue.head.load() < READ_AHEAD_SLOTS; },
                         tail - READ_AHEAD_SLOTS / 2, std::numeric_limits<std::size_t>::max())) {
            break;
        }
        queue.tail.store(tail + 1);
        if (!prepare_entry(slot(index))) break;
    }
    wake_loop(true);
}

void* worker_main(void*) {
    run_worker();
    return nullptr;
}

void clear_entry(prepared_entry& entry) {
    entry.stored.reset();
    entry.file.reset();
    entry.stage.store(prepared::nothing, std::memory_order_relaxed);
    entry.stop.store(stop_word({}), std::memory_order_relaxed);
    entry.decoded_bytes.store(0, std::memory_order_relaxed);
    entry.file_check.reset();
}

}  // namespace

bool start_read_ahead(std::uint32_t file_count) {
    queue.records_read = 0;
    // With an address-space or data limit, memory the worker holds ahead could make one of the loop's own
    // allocations fail where reading in turn would not; there the loop keeps to reading in turn.
    if (!read_ahead_enabled || file_count == 0 || memory_is_limited()) return false;
    for (prepared_entry& entry : queue.slots) clear_entry(entry);
    queue.file_count = file_count;
    queue.head = 0;
    queue.tail = 0;
    queue.finished = 0;
    queue.produced = 0;
    queue.bytes_held = 0;
    queue.stop = false;
    queue.spinning_helps = more_than_one_core();
#if defined(__GLIBC__)
    // Both threads allocate from the one arena: a second arena would, as it shrinks, read the system's
    // overcommit setting from /proc, and the installer reads no configuration.
    (void)mallopt(M_ARENA_MAX, 1);
#endif
    // The worker is made holding the signals that remove the file in progress, so they always reach the
    // loop, which alone knows that file (file_guard.h).
    sigset_t saved;
    hold_guarded_signals(&saved);
    // The stack's size said, not left to the C library: glibc gives a thread 8 MiB, musl 128 KiB.
    queue.running = false;
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) == 0) {
        (void)pthread_attr_setstacksize(&attributes, READ_AHEAD_STACK_SIZE);
        queue.running = pthread_create(&queue.worker_thread, &attributes, worker_main, nullptr) == 0;
        pthread_attr_destroy(&attributes);
    }
    release_guarded_signals(&saved);
    return queue.running;
}

bool reading_ahead() {
    return queue.running;
}

entry_stop wait_for_entry(prepared stage) {
    const std::uint32_t head = queue.head.load(std::memory_order_relaxed);
    const prepared_entry& entry = slot(head);
    const auto reached = [&] { return entry.stage.load(std::memory_order_acquire) >= stage; };
    const auto failed = [&] { return entry.stop.load(std::memory_order_acquire) != stop_word({}); };
    loop_wait([&] { return reached() || failed(); }, head, READ_AHEAD_WAKE_ENTRIES);
    return reached() ? entry_stop{} : stop_of(entry.stop.load(std::memory_order_acquire));
}

const prepared_entry& next_entry() {
    return slot(queue.head.load(std::memory_order_relaxed));
}

int wait_for_decoded(std::size_t end) {
    const std::uint32_t head = queue.head.load(std::memory_order_relaxed);
    const prepared_entry& entry = slot(head);
    // The failure first: the chunk end read after it is the failed chunk's, which is `end` or later.
    std::size_t published = 0;
    loop_wait(
        [&] {
            const bool failed = entry.stop.load(std::memory_order_acquire) != stop_word({});
            published = entry.decoded_bytes.load(std::memory_order_acquire);
            return failed || published / 2 >= end;
        },
        head, 1);
    return published / 2 == end && published % 2 == 1 ? -1 : 0;
}

std::uint32_t records_read_ahead() {
    return queue.records_read.load();
}

void release_entry() {
    const std::uint32_t head = queue.head.load(std::memory_order_relaxed);
    prepared_entry& entry = slot(head);
    std::size_t freed = 0;
    if (entry.stored) freed += std::size_t{entry.record.stored_size} + 1;
    if (entry.file) freed += std::size_t{entry.record.file_size} + 1;
    clear_entry(entry);
    queue.bytes_held.fetch_sub(freed);
    queue.head.store(head + 1, std::memory_order_release);
    wake_worker();
}

void stop_read_ahead() {
    if (!queue.running) return;
    queue.stop.store(true);
    wake(queue.worker);
    pthread_join(queue.worker_thread, nullptr);
    queue.running = false;
    for (prepared_entry& entry : queue.slots) {
        entry.stored.reset();
        entry.file.reset();
    }
}

}  // namespace install
