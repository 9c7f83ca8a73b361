// Loads the character's 150 frames the way ambletoe does and prints where the
// time and memory go:
//   - the floor: creating the context and merely reading the same files;
//   - the load: creating the context and 150 mqoLoadModel calls; the same
//     load run stage by stage through the public stage calls (bench_stages.h),
//     each stage timed: reading and scanning, normals and batches
//     (mqoStageObjects), textures (mqoSetTexturePool) and buffer upload (the
//     buffer calls inside mqoRealiseObjects); and the same through one
//     mqoLoadModels call, reading on every core;
//   - the full floor of the load, in the same rounds (bench/floor.h): the
//     files read from the page cache into a buffer touched before, the
//     frames' vertex bytes written into fresh memory (and, for comparison,
//     into memory touched before), and glBufferData of every batch's size
//     (the driver's copy);
//   - peak memory with all frames loaded, and resident memory over 100
//     load-and-free cycles of the whole set.
// Each timing is the median of several runs. Usage: bench_frames [vindle dir]
#define GL_GLEXT_PROTOTYPES  // floor.h calls glBufferData itself
#include <dirent.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_stages.h"
#include "bench/bench_support.h"
#include "bench/floor.h"
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

// Reads every file of the folder into buffer, which only grows (to the
// largest file), so a buffer kept from an earlier call is written by the
// reads alone; returns the bytes read.
size_t readAll(const std::vector<std::string>& files, std::vector<char>& buffer) {
    size_t total = 0;
    for (const std::string& path : files) {
        FILE* f = std::fopen(path.c_str(), "rb");
        if (!f) continue;
        std::fseek(f, 0, SEEK_END);
        long size = std::ftell(f);
        std::fseek(f, 0, SEEK_SET);
        const size_t bytes = size > 0 ? static_cast<size_t>(size) : 0;
        if (buffer.size() < bytes) buffer.resize(bytes);
        total += std::fread(buffer.data(), 1, bytes, f);
        std::fclose(f);
    }
    return total;
}

// The seconds of the full floor's parts in one round, and of the context
// the driver's copy needs (in the loads' figures, not in the floor's).
struct FloorSeconds {
    double read, fresh, touched, copy, context;
    double sum() const { return read + fresh + copy; }
};

// Times each part of the full floor alone; fileBuffer is kept between
// rounds, the arrays the driver copies are written before it is timed.
bool timeFloor(const std::vector<std::string>& files, const benchfloor::Batches& batches,
               std::vector<char>& fileBuffer, FloorSeconds* t) {
    auto start = Clock::now();
    readAll(files, fileBuffer);
    t->read = secondsSince(start);
    t->fresh = benchfloor::firstTouchSeconds(batches.total);
    std::vector<char> arrays(batches.total, 1);  // touched before the timed writes
    start = Clock::now();
    std::memset(arrays.data(), 0x3f, arrays.size());
    t->touched = secondsSince(start);
    start = Clock::now();
    EglContext context(640, 480);
    t->context = secondsSince(start);
    std::vector<GLuint> buffers;
    start = Clock::now();
    bool copied = benchfloor::driverCopy(batches, arrays.data(), &buffers);
    t->copy = secondsSince(start);
    benchfloor::deleteBuffers(&buffers);
    return copied && context.ok() && t->fresh >= 0;
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

// The median over the rounds of one part, or of the floor's sum for null.
double medianOf(const std::vector<FloorSeconds>& rounds, double FloorSeconds::*part) {
    std::vector<double> v;
    for (const FloorSeconds& r : rounds) v.push_back(part != nullptr ? r.*part : r.sum());
    return median(v);
}

void printFullFloor(const std::vector<FloorSeconds>& rounds, const benchfloor::Batches& batches,
                    double load, double together) {
    const double full = medianOf(rounds, nullptr);
    std::printf("full floor (read + first-touch writes + driver copy): %.1f ms (median of sums)\n",
                full * 1e3);
    std::printf("  reading the files (buffer touched before)   %7.1f ms\n",
                medianOf(rounds, &FloorSeconds::read) * 1e3);
    const double fresh = medianOf(rounds, &FloorSeconds::fresh);
    // Per 4 KiB page: what says whether 2 MB pages pay on this machine.
    std::printf("  first-touch writes of %6.1f MB of vertices %7.1f ms (%.1f us a 4 KiB page)\n",
                batches.total / 1e6, fresh * 1e3, fresh * 1e6 / (batches.total / 4096.0));
    std::printf("  glBufferData, %5zu calls (driver copy)      %7.1f ms\n", batches.sizes.size(),
                medianOf(rounds, &FloorSeconds::copy) * 1e3);
    std::printf("  not in the sum: the same writes into memory touched before %.1f ms,\n",
                medianOf(rounds, &FloorSeconds::touched) * 1e3);
    std::printf("    the context for the copy (the loads make one too) %.1f ms\n",
                medianOf(rounds, &FloorSeconds::context) * 1e3);
    std::printf("context + loading 150 frames / full floor: %.2f\n", load / full);
    std::printf("context + mqoLoadModels / full floor:      %.2f\n", together / full);
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
    // The floor's figures are kept in storage made before the first load: made
    // while the frames are loaded, it would sit above them in the heap and keep
    // them resident once freed, which the memory figures would show.
    std::vector<FloorSeconds> fullFloor;
    fullFloor.reserve(runs);
    benchfloor::Batches batches;
    batches.sizes.reserve(size_t{1} << 16);
    std::vector<char> fileBuffer;  // touched before the rounds, as large as the largest file
    for (const std::string& file : files)
        fileBuffer.resize(std::max<size_t>(fileBuffer.size(), std::filesystem::file_size(file)), 1);
    size_t bytes = 0;
    int loaded = 0;
    std::vector<MeshModel*> models;
    for (int run = 0; run < runs; ++run) {
        auto start = Clock::now();
        {
            EglContext context(640, 480);
            std::vector<char> buffer;
            bytes = readAll(files, buffer);
        }
        floor.push_back(secondsSince(start));

        // The whole load, as the program makes it.
        start = Clock::now();
        {
            EglContext context(640, 480);
            mqoInitLibrary();
            loaded = loadAll(paths, models);
            load.push_back(secondsSince(start));
            for (MeshModel* m : models)  // the floor's sizes, once
                if (run == 0 && m != nullptr) benchfloor::addBatches(m, &batches);
            freeAll(models);
            mqoCleanupLibrary();
        }

        // The full floor of that load, its sizes the loaded frames'.
        fullFloor.emplace_back();
        if (!timeFloor(files, batches, fileBuffer, &fullFloor.back())) {
            std::fprintf(stderr, "the floor's mappings or buffer calls failed\n");
            std::filesystem::remove_all(folder);
            return 1;
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
    printFullFloor(fullFloor, batches, median(load), median(parallel));
    return loaded == static_cast<int>(paths.size()) ? 0 : 1;
}
