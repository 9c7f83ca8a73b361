// MqoModel: loading a list of documents with their reading and building
// spread over worker threads, while the caller's thread makes every GL call
// in list order, so that results, messages and GL calls are those of loading
// the documents one after another.
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "mqo/internal.h"

namespace {

struct Job {
    const char* path;
    int status;  // mqoParseDocument's result, once ready
    bool ready;
    MqoParsedModel parsed;
};

struct Work {
    Job* jobs;
    int count;
    double scale;
    std::atomic<int> next{0};
    std::mutex lock;
    std::condition_variable readied;
};

// Parses the next unclaimed document until none is left. Every claim goes to
// the lowest index not yet taken, so the caller's next document is always
// being read by someone.
void parseJobs(Work* work) {
    for (int i = work->next++; i < work->count; i = work->next++) {
        Job& job = work->jobs[i];
        int status = mqoParseDocument(job.path, work->scale, 255, &job.parsed);
        std::lock_guard<std::mutex> hold(work->lock);
        job.status = status;
        job.ready = true;
        work->readied.notify_all();
    }
}

// The GL stage of one document, as mqoLoadModel does it around its read.
MeshModel* realise(Job* job) {
    MeshModel* model = mqoAllocModels(1);
    if (model == nullptr || job->status == 0) {
        mqoReleaseParsedModel(&job->parsed);
        mqoFreeModels(model, 1);
        return nullptr;
    }
    mqoRealiseDocument(model, &job->parsed);
    return model;
}

// Starts up to n workers; fewer when the system refuses threads.
void startWorkers(std::vector<std::thread>* workers, int n, Work* work) {
    for (int i = 0; i < n; ++i) {
        try {
            workers->emplace_back(parseJobs, work);
        } catch (const std::system_error&) {
            break;
        }
    }
}

}  // namespace

int mqoLoadModels(const char* const* paths, int count, double scale, MeshModel** models) {
    if (paths == nullptr || models == nullptr || count <= 0) return 0;
    auto* jobs = static_cast<Job*>(std::calloc(static_cast<size_t>(count), sizeof(Job)));
    if (jobs == nullptr) {
        // Without room to hold parsed documents, one after another still works.
        int loaded = 0;
        for (int i = 0; i < count; ++i)
            loaded += (models[i] = mqoLoadModel(paths[i], scale)) != nullptr;
        return loaded;
    }
    for (int i = 0; i < count; ++i) jobs[i].path = paths[i];

    Work work;
    work.jobs = jobs;
    work.count = count;
    work.scale = scale;
    unsigned hardware = std::thread::hardware_concurrency();
    int threads = hardware == 0 ? 1 : static_cast<int>(hardware);
    if (threads > count) threads = count;
    std::vector<std::thread> workers;
    startWorkers(&workers, threads, &work);
    if (workers.empty()) parseJobs(&work);  // no thread could be had: read here

    int loaded = 0;
    for (int i = 0; i < count; ++i) {
        {
            std::unique_lock<std::mutex> hold(work.lock);
            work.readied.wait(hold, [&] { return jobs[i].ready; });
        }
        models[i] = realise(&jobs[i]);
        if (models[i] != nullptr) ++loaded;
    }
    for (std::thread& worker : workers) worker.join();
    std::free(jobs);
    return loaded;
}
