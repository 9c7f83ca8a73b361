// Loads the character's 150 frames the way ambletoe does and prints where the
// time and memory go:
//   - the floor: creating the context and merely reading the same files;
//   - the load: creating the context and 150 mqoLoadModel calls, split into
//     reading and scanning, normals and batches, buffer upload and textures;
//     and the same through one mqoLoadModels call, reading on every core;
//   - peak memory with all frames loaded, and resident memory over 100
//     load-and-free cycles of the whole set.
// Each timing is the median of several runs. Usage: bench_frames [vindle dir]
#include <dirent.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_support.h"
#include "mqo/MqoModelGL.h"
#include "support/egl_context.h"

namespace {

using benchsupport::median;

using Clock = std::chrono::steady_clock;
double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Time spent inside the wrapped calls during one load of the set.
double buildSeconds, uploadSeconds, textureSeconds;

PFNGLGENBUFFERSARBPROC realGenBuffers;
PFNGLBINDBUFFERARBPROC realBindBuffer;
PFNGLBUFFERDATAARBPROC realBufferData;

void APIENTRY timedGenBuffers(GLsizei n, GLuint* names) {
    auto start = Clock::now();
    realGenBuffers(n, names);
    uploadSeconds += secondsSince(start);
}
void APIENTRY timedBindBuffer(GLenum target, GLuint name) {
    auto start = Clock::now();
    realBindBuffer(target, name);
    uploadSeconds += secondsSince(start);
}
void APIENTRY timedBufferData(GLenum target, GLsizeiptrARB size, const void* data, GLenum usage) {
    auto start = Clock::now();
    realBufferData(target, size, data, usage);
    uploadSeconds += secondsSince(start);
}

// Route the library's buffer calls through the timers (after mqoInitLibrary).
void timeBufferCalls() {
    if (!vboSupported) return;
    realGenBuffers = mqo::glGenBuffersARB;
    realBindBuffer = mqo::glBindBufferARB;
    realBufferData = mqo::glBufferDataARB;
    mqo::glGenBuffersARB = timedGenBuffers;
    mqo::glBindBufferARB = timedBindBuffer;
    mqo::glBufferDataARB = timedBufferData;
}

}  // namespace

// The link wraps these two calls (-Wl,--wrap) to time the builder's CPU stage
// and the pool; only while timing is set, since the builder may also run on
// the worker threads of mqoLoadModels.
bool timing = false;
extern "C" {
void __real_mqoStageObjects(MqoStagedObject*, ObjectEntry*, int, MaterialEntry*, int, double,
                            unsigned char);
void __wrap_mqoStageObjects(MqoStagedObject* staged, ObjectEntry* objects, int objectCount,
                            MaterialEntry* materials, int materialCount, double scale,
                            unsigned char alpha) {
    auto start = Clock::now();
    __real_mqoStageObjects(staged, objects, objectCount, materials, materialCount, scale, alpha);
    if (timing) buildSeconds += secondsSince(start);
}
int __real_mqoSetTexturePool(char*, char*, unsigned char);
int __wrap_mqoSetTexturePool(char* texturePath, char* alphaPath, unsigned char alpha) {
    auto start = Clock::now();
    int name = __real_mqoSetTexturePool(texturePath, alphaPath, alpha);
    if (timing) textureSeconds += secondsSince(start);
    return name;
}
}

namespace {

std::vector<std::string> allFiles(const std::string& dir) {
    std::vector<std::string> files;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.') files.push_back(dir + "/" + e->d_name);
        closedir(d);
    }
    std::sort(files.begin(), files.end());
    return files;
}

// Reads every file of the folder into memory; returns the bytes read.
size_t readAll(const std::vector<std::string>& files) {
    size_t total = 0;
    std::vector<char> buffer;
    for (const std::string& path : files) {
        FILE* f = std::fopen(path.c_str(), "rb");
        if (!f) continue;
        std::fseek(f, 0, SEEK_END);
        long size = std::ftell(f);
        std::fseek(f, 0, SEEK_SET);
        buffer.resize(size > 0 ? static_cast<size_t>(size) : 0);
        total += std::fread(buffer.data(), 1, buffer.size(), f);
        std::fclose(f);
    }
    return total;
}

// Loads the set; returns the number of frames that loaded.
int loadAll(const std::vector<std::string>& paths, std::vector<MeshModel*>& models) {
    int loaded = 0;
    models.clear();
    for (const std::string& path : paths) {
        MeshModel* m = mqoLoadModel(path.c_str(), 0.5);
        loaded += m != nullptr;
        models.push_back(m);
    }
    return loaded;
}

// Loads the set with one mqoLoadModels call; returns the frames loaded.
int loadTogether(const std::vector<std::string>& paths, std::vector<MeshModel*>& models) {
    std::vector<const char*> names;
    for (const std::string& path : paths) names.push_back(path.c_str());
    models.assign(paths.size(), nullptr);
    return mqoLoadModels(names.data(), static_cast<int>(names.size()), 0.5, models.data());
}

void freeAll(std::vector<MeshModel*>& models) {
    for (MeshModel* m : models) mqoFreeModel(m);
    models.clear();
}

long residentKiB() {
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

}  // namespace

int main(int argc, char** argv) {
    std::string dir = argc > 1 ? argv[1] : MQO_BENCH_VINDLE;
    std::vector<std::string> paths = benchsupport::characterFramePaths(dir);
    std::vector<std::string> files = allFiles(dir);
    const int runs = 7;

    std::vector<double> floor, load, scan, build, upload, texture, parallel;
    size_t bytes = 0;
    int loaded = 0;
    std::vector<MeshModel*> models;
    for (int run = 0; run < runs; ++run) {
        auto start = Clock::now();
        {
            EglContext context(640, 480);
            bytes = readAll(files);
        }
        floor.push_back(secondsSince(start));

        buildSeconds = uploadSeconds = textureSeconds = 0;
        start = Clock::now();
        EglContext context(640, 480);
        mqoInitLibrary();
        timeBufferCalls();
        timing = true;
        loaded = loadAll(paths, models);
        timing = false;
        double total = secondsSince(start);
        load.push_back(total);
        build.push_back(buildSeconds);
        upload.push_back(uploadSeconds);
        texture.push_back(textureSeconds);
        scan.push_back(total - buildSeconds - uploadSeconds - textureSeconds);
        freeAll(models);
        mqoCleanupLibrary();

        // The same set through mqoLoadModels, reading on every core.
        start = Clock::now();
        EglContext together(640, 480);
        mqoInitLibrary();
        loadTogether(paths, models);
        parallel.push_back(secondsSince(start));
        freeAll(models);
        mqoCleanupLibrary();
    }
    std::printf("frames loaded: %d of %zu, %zu files, %.1f MB in the folder\n", loaded,
                paths.size(), files.size(), bytes / 1e6);
    std::printf("context + reading the files:   %8.1f ms (median of %d)\n", median(floor) * 1e3,
                runs);
    std::printf("context + loading 150 frames:  %8.1f ms = %.2f x the floor\n", median(load) * 1e3,
                median(load) / median(floor));
    // The program loads once, into memory the process has never touched.
    std::printf("  the first of the %d loads       %7.1f ms (fresh memory, as at start-up)\n", runs,
                load[0] * 1e3);
    std::printf("  context and reading (floor)   %7.1f ms\n", median(floor) * 1e3);
    std::printf("  scanning                      %7.1f ms\n", (median(scan) - median(floor)) * 1e3);
    std::printf("  normals and batches           %7.1f ms\n", median(build) * 1e3);
    std::printf("  buffer upload                 %7.1f ms\n", median(upload) * 1e3);
    std::printf("  textures (read and upload)    %7.1f ms\n", median(texture) * 1e3);
    std::printf(
        "context + mqoLoadModels, %u threads: %5.1f ms = %.2f x the floor (first %.1f ms)\n",
        std::thread::hardware_concurrency(), median(parallel) * 1e3,
        median(parallel) / median(floor), parallel[0] * 1e3);

    EglContext context(640, 480);
    mqoInitLibrary();
    long before = residentKiB();
    loadAll(paths, models);
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    std::printf(
        "memory: resident %ld KiB before loading, %ld KiB with all frames loaded, peak %ld KiB\n",
        before, residentKiB(), usage.ru_maxrss);
    freeAll(models);
    long first = 0;
    for (int cycle = 1; cycle <= 100; ++cycle) {
        loadAll(paths, models);
        freeAll(models);
        if (cycle == 1) first = residentKiB();
        if (cycle == 1 || cycle == 10 || cycle == 100)
            std::printf("  after %3d load-and-free cycles: resident %ld KiB\n", cycle,
                        residentKiB());
    }
    std::printf("growth from cycle 1 to 100: %ld KiB\n", residentKiB() - first);
    mqoCleanupLibrary();
    return loaded == static_cast<int>(paths.size()) ? 0 : 1;
}
