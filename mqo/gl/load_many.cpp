// MqoModel: loading a list of documents with their reading and building
// spread over worker threads, while the caller's thread makes every GL call
// in list order, so that results, messages and GL calls are those of loading
// the documents one after another.
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#include "mqo/MqoModelGL.h"
#include "mqo/MqoModelStages.h"
#include "mqo/gl/gl_internal.h"
#include "mqo/memory.h"
#include "mqo/read/read_internal.h"

namespace mqo::detail {

namespace {

std::atomic<bool> finishReads{true};

struct Job {
    MqoReadContext read;  // its path; the exact subset, no report, printing as ever
    int status;           // the parse's result, once ready
    bool ready;
    bool outOfMemory;  // memory ran out in the parse: read again on the caller's thread
    MqoParsedModel parsed;
};

struct Work {
    Job* jobs;
    int count;
    double scale;
    bool everyCore = false;   // a worker per core: the helper threads would only contend
    bool callerReads = true;  // the finish reads what no worker has begun
    std::atomic<int> next{0};
    std::mutex lock;
    std::condition_variable readied;
};

// Parses document i and marks it ready for the caller.
void parseJob(Work* work, int i) {
    Job& job = work->jobs[i];
    const unsigned long failures = mqoMemoryFailures();
    int status = mqoParseSource(job.read, work->scale, 255, &job.parsed);
    std::lock_guard<std::mutex> hold(work->lock);
    job.outOfMemory = mqoMemoryFailures() != failures;
    job.status = status;
    job.ready = true;
    work->readied.notify_all();
}

// Parses the next unclaimed document until none is left. Every claim goes to
// the lowest index not yet taken, so the caller's next document is always
// being read by someone.
void parseJobs(Work* work) {
    for (int i = work->next++; i < work->count; i = work->next++) parseJob(work, i);
}

// Until document i is read: the caller's thread reads the next unclaimed
// document itself rather than wait, as the worker it leaves room for would.
void awaitJob(Work* work, int i) {
    for (;;) {
        {
            std::unique_lock<std::mutex> hold(work->lock);
            if (work->jobs[i].ready) return;
            if (work->next >= work->count || !work->callerReads) {
                work->readied.wait(hold, [&] { return work->jobs[i].ready; });
                return;
            }
        }
        const int j = work->next++;
        if (j >= work->count) continue;
        const bool helpers = mqoUseScanHelpers(!work->everyCore);
        parseJob(work, j);
        mqoUseScanHelpers(helpers);
    }
}

// The GL stage of one document, as mqoLoadModel does it around its read.
// A parse that ran out of memory on a worker is no answer (that thread's
// memory is not this one's): the document is loaded again here, as the
// loads one after another would have loaded it.
MeshModel* realise(Job* job, double scale) {
    if (job->outOfMemory) {
        mqoReleaseParsedModel(&job->parsed);
        return mqoLoadModel(job->read.path, scale);
    }
    const unsigned long failures = mqoMemoryFailures();
    MeshModel* model = mqoAllocModels(1);
    if (model == nullptr || job->status == 0) {
        mqoReleaseParsedModel(&job->parsed);
        mqoFreeModels(model, 1);
        return nullptr;
    }
    mqoRealiseDocument(model, &job->parsed);
    if (mqoMemoryFailures() == failures) return model;
    mqoFreeModels(model, 1);  // as mqoLoadModel fails when memory runs out
    return nullptr;
}

void workOn(Work* work) {
    if (work->everyCore) mqoUseScanHelpers(false);
    parseJobs(work);
}

// Starts up to n workers; fewer when the system refuses threads.
void startWorkers(std::vector<std::thread>* workers, int n, Work* work) {
    for (int i = 0; i < n; ++i) {
        try {
            workers->emplace_back(workOn, work);
        } catch (const std::system_error&) {
            break;
        } catch (const std::bad_alloc&) {
            break;  // no room for another thread's state: fewer workers
        }
    }
}

}  // namespace

void mqoSetFinishReads(bool reads) { finishReads = reads; }

}  // namespace mqo::detail

// Declared by the public header, so defined outside the internal name space.
// A list being read on worker threads, until its GL stage is done.
struct MqoPendingLoad {
    mqo::detail::Work work;
    mqo::detail::Job* jobs = nullptr;  // null: read one after another when finished
    const char* const* paths = nullptr;
    int count = 0;
    double scale = 1;
    std::vector<std::thread> workers;
};

// The public calls, declared by the public headers.
using namespace mqo::detail;

MqoPendingLoad* mqoStartLoadModels(const char* const* paths, int count, double scale) {
    if (paths == nullptr || count <= 0) return nullptr;
    MqoPendingLoad* pending = new (std::nothrow) MqoPendingLoad;
    if (pending == nullptr) return nullptr;
    pending->paths = paths;
    pending->count = count;
    pending->scale = scale;
    // Without room to hold parsed documents, one after another still works.
    pending->jobs = static_cast<Job*>(std::calloc(static_cast<size_t>(count), sizeof(Job)));
    if (pending->jobs == nullptr) return pending;
    // calloc's zeros are a default context's fields.
    for (int i = 0; i < count; ++i) pending->jobs[i].read.path = paths[i];
    Work& work = pending->work;
    work.jobs = pending->jobs;
    work.count = count;
    work.scale = scale;
    // A worker per core but the caller's: its thread has work of its own
    // until the finish, where it reads beside them.
    const int hardware = static_cast<int>(std::thread::hardware_concurrency());
    int threads = hardware > 1 ? hardware - 1 : 1;
    if (threads > count) threads = count;
    const int readers = count > threads ? threads + 1 : threads;
    work.everyCore = readers >= hardware;
    startWorkers(&pending->workers, threads, &work);
    work.callerReads = finishReads || pending->workers.empty();
    return pending;
}

int mqoFinishLoadModels(MqoPendingLoad* pending, MeshModel** models) {
    if (pending == nullptr) return 0;
    int loaded = 0;
    if (pending->jobs == nullptr) {
        for (int i = 0; models != nullptr && i < pending->count; ++i)
            loaded += (models[i] = mqoLoadModel(pending->paths[i], pending->scale)) != nullptr;
        delete pending;
        return loaded;
    }
    Work& work = pending->work;
    // Discarded: what no worker has begun is not read at all, no GL call.
    const int last = models != nullptr
                         ? pending->count
                         : std::min(pending->count, work.next.exchange(pending->count));
    for (int i = 0; i < last; ++i) {
        Job& job = pending->jobs[i];
        awaitJob(&work, i);
        if (models == nullptr) {
            mqoReleaseParsedModel(&job.parsed);
            continue;
        }
        models[i] = realise(&job, pending->scale);
        if (models[i] != nullptr) ++loaded;
    }
    for (std::thread& worker : pending->workers) worker.join();
    std::free(pending->jobs);
    delete pending;
    return loaded;
}

int mqoLoadModels(const char* const* paths, int count, double scale, MeshModel** models) {
    if (paths == nullptr || models == nullptr || count <= 0) return 0;
    return mqoFinishLoadModels(mqoStartLoadModels(paths, count, scale), models);
}
