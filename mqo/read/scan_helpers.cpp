// MqoModel: the threads that scan pieces of one long list beside the thread
// reading it. They are started when a list first needs them, one fewer than
// the machine has cores (at most kMostHelpers), wait on a condition variable
// between jobs, and end with mqoStopScanHelpers. A reader only ever claims a
// helper that is idle, so two loads at once (mqoLoadModels' workers) share
// them without waiting on each other.
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <new>
#include <thread>

#include "mqo/read/read_internal.h"

namespace mqo::detail {

namespace {

enum { kMostHelpers = 7 };

struct Helper {
    std::mutex mutex;
    std::condition_variable wake, finished;
    std::atomic<bool> claimed{false};
    // Set by the claimant, and taken (exchanged for null) by whichever of
    // the helper, to run it, or the claimant, to take it back, comes first;
    // atomic so that either side can spin on it before sleeping.
    std::atomic<MqoScanJob*> job{nullptr};
    std::atomic<bool> done{false};  // the helper ran the job it took
    std::atomic<bool> stop{false};
    std::thread thread;
};

// A list hands out its pieces run after run, up to a hundred microseconds
// apart (the reader refills its block and cuts the next run between them):
// spinning about 0.6 ms first spares a sleep and a wake-up for each, which
// on a virtual machine cost about as long as the run itself. With a
// sixteenth as many, the helper sat idle for about a third of the grid's
// reading.
enum { kSpins = 65536 };

inline void relax() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

// Spins until test() holds, or gives up; true when it held. It yields now
// and then: when every core is busy (another program, or more threads than
// cores) a plain spin holds a core the thread it waits for may need.
template <class Test>
bool spinFor(Test test) {
    for (int i = 0; i < kSpins; ++i) {
        if (test()) return true;
        relax();
        if ((i & 255) == 255) std::this_thread::yield();
    }
    return false;
}

struct Pool {
    Helper helpers[kMostHelpers];
    int count = 0;
    long process = 0;  // the process that started them: a forked child has none
};

std::mutex poolMutex;
// Never destroyed while helpers may wait on it: a pool abandoned by a fork
// is left as it is, and mqoStopScanHelpers joins before it frees.
Pool* pool = nullptr;

std::atomic<MqoHelperTiming> timing{kHelpersAsUsual};

void serve(Helper* h) {
    auto ready = [h] {
        return (h->job.load(std::memory_order_acquire) != nullptr &&
                timing.load(std::memory_order_relaxed) != kHelpersHeld) ||
               h->stop.load(std::memory_order_acquire);
    };
    for (;;) {
        if (!spinFor(ready)) {
            std::unique_lock<std::mutex> lock(h->mutex);
            h->wake.wait(lock, ready);
        }
        MqoScanJob* job = h->job.exchange(nullptr, std::memory_order_acq_rel);
        if (job == nullptr) {
            if (h->stop.load(std::memory_order_acquire)) return;
            continue;  // taken back before this thread got to it
        }
        job->run(job->arg);
        {
            std::lock_guard<std::mutex> lock(h->mutex);
            h->done.store(true, std::memory_order_release);
        }
        h->finished.notify_one();
    }
}

// The pool of this process, started on first use; null when no helper
// could be started (one core, no threads, no memory).
Pool* currentPool() {
    std::lock_guard<std::mutex> lock(poolMutex);
    if (pool != nullptr && pool->process == mqoProcessId()) return pool;
    pool = nullptr;  // a fork's child: its parent's helpers are not here
    unsigned cores = std::thread::hardware_concurrency();
    int wanted = cores > 1 ? static_cast<int>(cores) - 1 : 0;
    if (wanted > kMostHelpers) wanted = kMostHelpers;
    if (wanted == 0) return nullptr;
    Pool* p = new (std::nothrow) Pool;
    if (p == nullptr) return nullptr;
    p->process = mqoProcessId();
    for (; p->count < wanted; ++p->count) {
        try {
            Helper* h = &p->helpers[p->count];
            h->thread = std::thread(serve, h);
        } catch (...) {
            break;  // fewer helpers, or none: the caller scans the rest itself
        }
    }
    if (p->count == 0) {
        delete p;
        return nullptr;
    }
    pool = p;
    return pool;
}

thread_local bool handsWork = true;

}  // namespace

void mqoSetHelperTiming(MqoHelperTiming t) { timing = t; }

bool mqoUseScanHelpers(bool use) {
    const bool was = handsWork;
    handsWork = use;
    return was;
}

int mqoHandToHelpers(MqoScanJob* jobs, int n) {
    Pool* p = n > 0 && handsWork ? currentPool() : nullptr;
    if (p == nullptr) return 0;
    int handed = 0;
    for (int i = 0; i < p->count && handed < n; ++i) {
        Helper* h = &p->helpers[i];
        if (h->claimed.exchange(true, std::memory_order_acquire)) continue;
        jobs[handed].helper = h;
        jobs[handed].ran = false;
        h->done.store(false, std::memory_order_relaxed);  // the helper reads it only after job
        {
            std::lock_guard<std::mutex> lock(h->mutex);
            h->job.store(&jobs[handed], std::memory_order_release);
        }
        h->wake.notify_one();
        ++handed;
    }
    return handed;
}

void mqoAwaitHelpers(MqoScanJob* jobs, int n) {
    for (int i = 0; i < n; ++i) {
        auto* h = static_cast<Helper*>(jobs[i].helper);
        // On a machine whose other cores are busy the helper may not have
        // run at all yet: waiting for it would cost more than the job.
        jobs[i].ran = timing.load(std::memory_order_relaxed) == kHelpersAwaited ||
                      h->job.exchange(nullptr, std::memory_order_acq_rel) == nullptr;
        if (jobs[i].ran) {
            auto done = [h] { return h->done.load(std::memory_order_acquire); };
            if (!spinFor(done)) {
                std::unique_lock<std::mutex> lock(h->mutex);
                h->finished.wait(lock, done);
            }
        }
        h->claimed.store(false, std::memory_order_release);
    }
}

void mqoStopScanHelpers() {
    std::lock_guard<std::mutex> lock(poolMutex);
    if (pool == nullptr || pool->process != mqoProcessId()) {
        pool = nullptr;
        return;
    }
    // A stream still open holds its helper until it is closed, and will then
    // touch it: the helpers stay, to be ended by the next call.
    for (int i = 0; i < pool->count; ++i) {
        if (pool->helpers[i].claimed.load(std::memory_order_acquire)) return;
    }
    for (int i = 0; i < pool->count; ++i) {
        Helper* h = &pool->helpers[i];
        {
            std::lock_guard<std::mutex> hold(h->mutex);
            h->stop.store(true, std::memory_order_release);
        }
        h->wake.notify_one();
        h->thread.join();
    }
    delete pool;
    pool = nullptr;
}

}  // namespace mqo::detail
