// The character's 150 frames loaded as default models and as compact ones
// (MQO_FEATURE_COMPACT), each load in a fresh child process so no earlier
// load's memory is counted: resident memory before and after loading the
// set (VmRSS, and the anonymous part of it), the bytes handed to the buffer
// calls and the time spent in them, the arrays the models still hold, the
// whole load's time and the time to draw one frame (glFinish after each;
// identity matrices, so most of it is vertex work: llvmpipe clips the rest).
// Medians of several runs, the two kinds interleaved.
// Usage: bench_compact [vindle dir] [runs]
#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "bench/upload_timer.h"
#include "mqo/MqoModelGL.h"
#include "support/egl_context.h"

namespace {

using Clock = std::chrono::steady_clock;
double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The vertex and index arrays the models keep in memory, in bytes.
double heldBytes(const std::vector<MeshModel*>& models) {
    double bytes = 0;
    for (MeshModel* m : models) {
        for (int j = 0; m != nullptr && j < mqoModelObjectCount(m); ++j) {
            const MeshObject& o = *mqoModelObject(m, j);
            for (int k = 0; k < o.batchCount; ++k) {
                const MaterialBatch& b = o.batches[k];
                if (b.plainVertices) bytes += b.vertexCount * double(sizeof(PlainVertex));
                if (b.texturedVertices) bytes += b.vertexCount * double(sizeof(TexturedVertex));
                if (b.indices) bytes += double(b.indexCount) * b.indexSize;
            }
        }
    }
    return bytes;
}

struct Figures {
    double rssBefore, rssAfter, anonBefore, anonAfter, rssTrimmed;  // KiB
    double uploadBytes, uploadSeconds, heldBytes, loadSeconds, drawSeconds;
    int loaded;
};

// One load of the set in this process (a fresh child).
Figures measure(const std::vector<std::string>& paths, uint32_t features) {
    Figures f{};
    EglContext context(640, 480);
    if (!context.ok()) return f;
    mqoInitLibrary();
    uploadtimer::install();
    f.rssBefore = benchsupport::statusKiB("VmRSS");
    f.anonBefore = benchsupport::statusKiB("RssAnon");
    MqoLoadOptions options{};
    options.features = features;
    std::vector<MeshModel*> models;
    auto start = Clock::now();
    for (const std::string& path : paths) {
        MeshModel* m = mqoLoadModelEx(path.c_str(), 0.5, &options);
        f.loaded += m != nullptr;
        models.push_back(m);
    }
    f.loadSeconds = secondsSince(start);
    f.rssAfter = benchsupport::statusKiB("VmRSS");
    f.anonAfter = benchsupport::statusKiB("RssAnon");
    f.uploadBytes = uploadtimer::bytes;
    f.uploadSeconds = uploadtimer::seconds;
    f.heldBytes = heldBytes(models);
    // What the allocator keeps of the freed arrays: handed back here (the
    // benchmark's doing; the library changes no allocator setting).
    malloc_trim(0);
    f.rssTrimmed = benchsupport::statusKiB("VmRSS");
    // Every frame drawn once to warm up, then each timed on its own.
    for (MeshModel* m : models) mqoDrawModel(m);
    glFinish();
    std::vector<double> draws;
    for (int round = 0; round < 3; ++round) {
        for (MeshModel* m : models) {
            auto at = Clock::now();
            mqoDrawModel(m);
            glFinish();
            draws.push_back(secondsSince(at));
        }
    }
    f.drawSeconds = benchsupport::median(draws);
    for (MeshModel* m : models) mqoFreeModel(m);
    mqoCleanupLibrary();
    return f;
}

// measure() in a child process; false when the child failed.
bool measureApart(const std::vector<std::string>& paths, uint32_t features, Figures* out) {
    int channel[2];
    if (pipe(channel) != 0) return false;
    std::fflush(stdout);
    const pid_t child = fork();
    if (child < 0) return false;
    if (child == 0) {
        close(channel[0]);
        const Figures f = measure(paths, features);
        const bool written = write(channel[1], &f, sizeof f) == static_cast<ssize_t>(sizeof f);
        _exit(written ? 0 : 1);
    }
    close(channel[1]);
    const bool read = ::read(channel[0], out, sizeof *out) == static_cast<ssize_t>(sizeof *out);
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return read && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

struct Runs {
    std::vector<double> rss, anon, trimmed, upload, uploadTime, held, load, draw;
    int loaded = 0;
    void add(const Figures& f) {
        rss.push_back(f.rssAfter - f.rssBefore);
        anon.push_back(f.anonAfter - f.anonBefore);
        trimmed.push_back(f.rssTrimmed - f.rssBefore);
        upload.push_back(f.uploadBytes);
        uploadTime.push_back(f.uploadSeconds);
        held.push_back(f.heldBytes);
        load.push_back(f.loadSeconds);
        draw.push_back(f.drawSeconds);
        loaded = f.loaded;
    }
};

void print(const char* name, const Runs& r) {
    using benchsupport::median;
    std::printf(
        "%-8s loaded %3d  resident +%6.1f MiB (anonymous +%6.1f MiB, +%6.1f MiB after "
        "malloc_trim)  arrays held %5.1f MB\n",
        name, r.loaded, median(r.rss) / 1024, median(r.anon) / 1024, median(r.trimmed) / 1024,
        median(r.held) / 1e6);
    std::printf("         uploaded %6.1f MB in %6.1f ms   load %6.1f ms   draw %6.3f ms a frame\n",
                median(r.upload) / 1e6, median(r.uploadTime) * 1e3, median(r.load) * 1e3,
                median(r.draw) * 1e3);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string dir = argc > 1 ? argv[1] : MQO_BENCH_VINDLE;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
    const std::vector<std::string> paths = benchsupport::characterFramePaths(dir);
    if (paths.empty()) {
        std::fprintf(stderr, "no frames in %s\n", dir.c_str());
        return 1;
    }
    Runs wide, compact;
    for (int run = 0; run < runs; ++run) {
        Figures f;
        if (!measureApart(paths, 0, &f)) return 1;
        wide.add(f);
        if (!measureApart(paths, MQO_FEATURE_COMPACT, &f)) return 1;
        compact.add(f);
    }
    std::printf("the %zu frames, one fresh process per load, medians of %d:\n", paths.size(), runs);
    print("default", wide);
    print("compact", compact);
    using benchsupport::median;
    std::printf("compact / default: resident %.2f, uploaded bytes %.2f, upload time %.2f\n",
                median(compact.rss) / median(wide.rss),
                median(compact.upload) / median(wide.upload),
                median(compact.uploadTime) / median(wide.uploadTime));
    return wide.loaded == static_cast<int>(paths.size()) &&
                   compact.loaded == static_cast<int>(paths.size())
               ? 0
               : 1;
}
