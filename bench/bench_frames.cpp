// Loads the character's 150 frames the way ambletoe does and prints where the
// time and memory go:
//   - the floor: creating the context and merely reading the same files;
//   - the load: creating the context and 150 mqoLoadModel calls; the same
//     load run stage by stage through the public stage calls (bench_stages.h),
//     each stage timed: reading and scanning, normals and batches
//     (mqoStageObjects), textures (mqoSetTexturePool) and buffer upload (the
//     buffer calls inside mqoRealiseObjects); and the same through one
//     mqoLoadModels call, reading on every core;
//   - peak memory with all frames loaded, and resident memory over 100
//     load-and-free cycles of the whole set.
// Each timing is the median of several runs. Usage: bench_frames [vindle dir]
#include <dirent.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_stages.h"
#include "bench/bench_support.h"
#include "bench/upload_timer.h"
#include "mqo/MqoModelGL.h"
#include "support/egl_context.h"

namespace {

using benchsupport::median;

using Clock = std::chrono::steady_clock;
double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

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

// The seconds three of the stages took over one load of the set stage by
// stage; reading and scanning is what the whole run leaves.
struct StageSeconds {
    double build, upload, texture;
};

// Loads the set stage by stage, each stage timed; returns the frames loaded.
int loadStaged(const std::vector<benchstages::ChunkFile>& frames, std::vector<MeshModel*>& models,
               StageSeconds* t) {
    *t = StageSeconds{};
    uploadtimer::seconds = 0;
    int loaded = 0;
    models.clear();
    for (const benchstages::ChunkFile& frame : frames) {
        benchstages::Records records;
        if (!benchstages::readChunks(frame, &records)) {
            benchstages::freeRecords(&records);
            models.push_back(nullptr);
            continue;
        }
        auto start = Clock::now();
        std::vector<MqoStagedObject> staged = benchstages::stageObjects(&records, 0.5, 255);
        t->build += secondsSince(start);
        start = Clock::now();
        benchstages::requestTextures(frame.directory, &records, 255);
        t->texture += secondsSince(start);
        MeshModel* m = benchstages::realiseObjects(&staged, records, 255);
        loaded += m != nullptr;
        models.push_back(m);
    }
    t->upload = uploadtimer::seconds;
    return loaded;
}

// Writes every frame's chunks under folder; false when one fails.
bool splitFrames(const std::string& dir, const std::vector<std::string>& paths,
                 const std::string& folder, std::vector<benchstages::ChunkFile>* frames) {
    frames->assign(paths.size(), benchstages::ChunkFile());
    for (size_t i = 0; i < paths.size(); ++i) {
        const std::string path = folder + "/" + std::to_string(i) + ".mqo";
        if (!benchstages::splitDocument(benchstages::readBytes(paths[i]), dir + "/", path,
                                        &(*frames)[i]))
            return false;
    }
    return true;
}

// Whether the load stage by stage gives every frame as mqoLoadModel does
// (a frame at a time, so the check leaves the peak memory alone).
bool stagedMatchesWhole(const std::vector<std::string>& paths,
                        const std::vector<benchstages::ChunkFile>& frames) {
    EglContext context(640, 480);
    mqoInitLibrary();
    bool same = true;
    for (size_t i = 0; i < paths.size(); ++i) {
        std::vector<MeshModel*> whole, staged;
        StageSeconds unused;
        loadAll({paths[i]}, whole);
        loadStaged({frames[i]}, staged, &unused);
        // A frame that does not load at all is told by the figures' count.
        if (whole[0] != nullptr) same = benchstages::sameModel(whole[0], staged[0]) && same;
        mqoFreeModel(whole[0]);
        mqoFreeModel(staged[0]);
    }
    mqoCleanupLibrary();
    return same;
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

    char pattern[] = "/tmp/bench_frames_XXXXXX";
    if (mkdtemp(pattern) == nullptr) return 1;
    const std::string folder = pattern;
    std::vector<benchstages::ChunkFile> frames;

    std::vector<double> floor, load, staged, scan, build, upload, texture, parallel;
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

        // The whole load, as the program makes it.
        start = Clock::now();
        {
            EglContext context(640, 480);
            mqoInitLibrary();
            loaded = loadAll(paths, models);
            load.push_back(secondsSince(start));
            freeAll(models);
            mqoCleanupLibrary();
        }

        // The same load stage by stage, each stage timed; the chunks are
        // written after the first whole load, which stays in fresh memory.
        if (frames.empty() && !splitFrames(dir, paths, folder, &frames)) {
            std::fprintf(stderr, "the frames could not be written as chunks in %s\n", pattern);
            std::filesystem::remove_all(folder);
            return 1;
        }
        StageSeconds t;
        start = Clock::now();
        EglContext context(640, 480);
        mqoInitLibrary();
        uploadtimer::install();
        loadStaged(frames, models, &t);
        double total = secondsSince(start);
        staged.push_back(total);
        build.push_back(t.build);
        upload.push_back(t.upload);
        texture.push_back(t.texture);
        scan.push_back(total - t.build - t.upload - t.texture);
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
    const bool same = stagedMatchesWhole(paths, frames);
    std::filesystem::remove_all(folder);
    if (!same) {
        std::fprintf(stderr, "the frames loaded stage by stage differ from mqoLoadModel's\n");
        return 1;
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
    std::printf("  the same stage by stage       %7.1f ms, of which:\n", median(staged) * 1e3);
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
