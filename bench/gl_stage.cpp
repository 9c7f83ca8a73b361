// The part of ambletoe's load that must run on the GL thread after "Loading
// Models...": the GL stage of the 150 frames (texture requests, buffer
// objects and the driver's copies of the vertex arrays), timed in a fresh
// process so that the driver's copies land in memory never touched before,
// as at start-up. The frames are read beforehand on another thread, as
// mqoLoadModels's workers read them, so that this thread's memory holds
// nothing of theirs. However fast the reading, the load after the message
// takes at least this long.
// Usage: bench_gl_stage [vindle dir] [runs]; each run is a process of its own.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_support.h"
#include "mqo/MqoModelGL.h"
#include "support/egl_context.h"

namespace {

using benchsupport::median;

using Clock = std::chrono::steady_clock;
double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Figures {
    double read;    // reading, normals and batches, on the other thread
    double stage;   // the GL stage of every frame
    double buffer;  // of which inside the buffer-object calls
};

double bufferMs;
PFNGLBUFFERDATAARBPROC realBufferData;
void APIENTRY timedBufferData(GLenum target, GLsizeiptrARB size, const void* data, GLenum usage) {
    auto start = Clock::now();
    realBufferData(target, size, data, usage);
    bufferMs += msSince(start);
}

// One run, in the child: false when a frame did not load.
bool measure(const std::string& dir, Figures* out) {
    std::vector<std::string> paths = benchsupport::characterFramePaths(dir);
    EglContext context(640, 480);
    mqoInitLibrary();
    if (vboSupported) {
        realBufferData = mqo::glBufferDataARB;
        mqo::glBufferDataARB = timedBufferData;
    }
    std::vector<MqoParsedModel> parsed(paths.size());
    bool read = true;
    auto start = Clock::now();
    std::thread reader([&] {
        for (size_t i = 0; i < paths.size(); ++i)
            read = mqoParseDocument(paths[i].c_str(), 0.5, 255, &parsed[i]) != 0 && read;
    });
    reader.join();
    out->read = msSince(start);
    start = Clock::now();
    for (MqoParsedModel& p : parsed) {
        MeshModel* model = mqoAllocModels(1);
        if (model != nullptr) mqoRealiseDocument(model, &p);
        // Kept, as the program keeps its frames: freeing them would hand
        // the next frames' copies memory already touched.
    }
    out->stage = msSince(start);
    out->buffer = bufferMs;
    return read;
}

}  // namespace

int main(int argc, char** argv) {
    std::string dir = argc > 1 ? argv[1] : MQO_BENCH_VINDLE;
    int runs = argc > 2 ? std::atoi(argv[2]) : 7;
    if (runs < 1) runs = 1;
    std::vector<double> reading, stage, buffer;
    for (int run = 0; run < runs; ++run) {
        int channel[2];
        if (pipe(channel) != 0) return 1;
        pid_t child = fork();
        if (child < 0) return 1;
        if (child == 0) {
            Figures f{};
            bool ok = measure(dir, &f);
            ssize_t wrote = write(channel[1], &f, sizeof f);
            _exit(ok && wrote == static_cast<ssize_t>(sizeof f) ? 0 : 1);
        }
        close(channel[1]);
        Figures f{};
        ssize_t got = read(channel[0], &f, sizeof f);
        close(channel[0]);
        int status = 0;
        waitpid(child, &status, 0);
        if (got != static_cast<ssize_t>(sizeof f) || !WIFEXITED(status) ||
            WEXITSTATUS(status) != 0) {
            std::fprintf(stderr, "run %d: the frames did not load from %s\n", run + 1, dir.c_str());
            return 1;
        }
        std::printf("run %d: reading %6.1f ms, GL stage %6.1f ms (buffer data %6.1f ms)\n", run + 1,
                    f.read, f.stage, f.buffer);
        reading.push_back(f.read);
        stage.push_back(f.stage);
        buffer.push_back(f.buffer);
    }
    std::printf(
        "median of %d: reading on one thread %.1f ms; GL stage in fresh memory %.1f ms, of which "
        "buffer data %.1f ms\n",
        runs, median(reading), median(stage), median(buffer));
    return 0;
}
