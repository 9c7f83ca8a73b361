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
    MqoScanJob* job = nullptr;  // set by the claimant, cleared by the helper when done
    bool stop = false;
    std::thread thread;
};

struct Pool {
    Helper helpers[kMostHelpers];
    int count = 0;
    long process = 0;  // the process that started them: a forked child has none
};

std::mutex poolMutex;
// Never destroyed while helpers may wait on it: a pool abandoned by a fork
// is left as it is, and mqoStopScanHelpers joins before it frees.
Pool* pool = nullptr;

void serve(Helper* h) {
    std::unique_lock<std::mutex> lock(h->mutex);
    for (;;) {
        h->wake.wait(lock, [h] { return h->stop || h->job != nullptr; });
        if (h->job == nullptr) return;
        MqoScanJob* job = h->job;
        lock.unlock();
        job->run(job->arg);
        lock.lock();
        h->job = nullptr;
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

}  // namespace

int mqoHandToHelpers(MqoScanJob* jobs, int n) {
    Pool* p = n > 0 ? currentPool() : nullptr;
    if (p == nullptr) return 0;
    int handed = 0;
    for (int i = 0; i < p->count && handed < n; ++i) {
        Helper* h = &p->helpers[i];
        if (h->claimed.exchange(true, std::memory_order_acquire)) continue;
        jobs[handed].helper = h;
        {
            std::lock_guard<std::mutex> lock(h->mutex);
            h->job = &jobs[handed];
        }
        h->wake.notify_one();
        ++handed;
    }
    return handed;
}

void mqoAwaitHelpers(MqoScanJob* jobs, int n) {
    for (int i = 0; i < n; ++i) {
        auto* h = static_cast<Helper*>(jobs[i].helper);
        {
            std::unique_lock<std::mutex> lock(h->mutex);
            h->finished.wait(lock, [h] { return h->job == nullptr; });
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
    for (int i = 0; i < pool->count; ++i) {
        Helper* h = &pool->helpers[i];
        {
            std::lock_guard<std::mutex> hold(h->mutex);
            h->stop = true;
        }
        h->wake.notify_one();
        h->thread.join();
    }
    delete pool;
    pool = nullptr;
}

}  // namespace mqo::detail
