// Lists scanned from the block, in pieces on helper threads, or from the
// second half a helper scanned ahead must give exactly what the one-line
// path gives, whatever the lines hold where the pieces and halves are cut:
// every document here is parsed each way and the staged objects compared
// byte for byte.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "mqo/MqoModelStages.h"
#include "mqo/read/read_internal.h"
#include "support/corpus_files.h"
#include "support/temp_dir.h"

namespace {

using mqo::detail::mqoSetListShareThreshold;
using mqo::detail::mqoSetPrescanSmallest;
using mqo::detail::mqoSetStageRunSmallest;

#if defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define MQO_TESTS_TSAN 1
#endif
#endif
#ifdef MQO_TESTS_TSAN
constexpr bool kChildrenStartThreads = false;
#else
constexpr bool kChildrenStartThreads = true;
#endif

// Runs work in a forked child and expects it to return true; a child that
// waited on its parent's helpers would hang, so it has 20 seconds.
void expectInChild(const std::function<bool()>& work) {
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        alarm(20);
        _exit(work() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
}

// How the lists are read: one line at a time, in pieces shared by every list
// (nothing scanned ahead), or with every document's second half scanned
// ahead (lists then never shared). Past one line at a time, the objects are
// built on two threads whenever there are two with faces.
enum Mode { kOneLine, kShared, kAhead };

void setMode(Mode mode) {
    mqoSetListShareThreshold(mode == kOneLine ? INT_MAX : mode == kShared ? 2 : 2048);
    mqoSetPrescanSmallest(mode == kAhead ? 0 : SIZE_MAX);
    mqoSetStageRunSmallest(mode == kOneLine ? INT64_MAX : 1);
}

void resetMode() {
    mqoSetListShareThreshold(2048);
    mqoSetPrescanSmallest(128 * 1024);
    mqoSetStageRunSmallest(32768);
}

// Helpers that begin no job while it lives: every job handed out is taken
// back and done the reading thread's own way, as when every core is busy.
struct HeldHelpers {
    HeldHelpers() { mqo::detail::mqoSetHelperTiming(mqo::detail::kHelpersHeld); }
    ~HeldHelpers() { mqo::detail::mqoSetHelperTiming(mqo::detail::kHelpersAsUsual); }
};

// Every staged object's name, counts and vertex arrays, as bytes.
std::string describe(const MqoParsedModel& parsed) {
    std::string out;
    auto add = [&out](const void* p, size_t n) { out.append(static_cast<const char*>(p), n); };
    for (int i = 0; i < parsed.objectCount + parsed.extraObjectCount; ++i) {
        const MqoStagedObject& s = i < parsed.objectCount
                                       ? parsed.objects[i]
                                       : parsed.extraObjects[i - parsed.objectCount];
        add(s.object.name, sizeof s.object.name);
        add(&s.state, sizeof s.state);
        add(&s.object.batchCount, sizeof s.object.batchCount);
        for (int k = 0; k < s.object.batchCount; ++k) {
            const MaterialBatch& b = s.object.batches[k];
            add(&b.vertexCount, sizeof b.vertexCount);
            if (b.hasTexture)
                add(b.texturedVertices,
                    sizeof(TexturedVertex) * static_cast<size_t>(b.vertexCount));
            else
                add(b.plainVertices, sizeof(PlainVertex) * static_cast<size_t>(b.vertexCount));
        }
    }
    return out;
}

std::string parseMemory(const std::string& text, Mode mode, uint32_t features) {
    setMode(mode);
    MqoParsedModel parsed;
    int ok = mqoParseDocumentMemory(text.data(), text.size(), "", 1.0, 255, features, &parsed);
    std::string d = std::to_string(ok) + describe(parsed);
    mqoReleaseParsedModel(&parsed);
    resetMode();
    return d;
}

std::string parseFile(const std::string& path, Mode mode, uint32_t features) {
    setMode(mode);
    MqoParsedModel parsed;
    int ok = mqoParseDocumentEx(path.c_str(), 1.0, 255, features, &parsed);
    std::string d = std::to_string(ok) + describe(parsed);
    mqoReleaseParsedModel(&parsed);
    resetMode();
    return d;
}

// A grid object of n x n quads; line(i) may replace the i-th vertex or face
// line (counted over both lists) to plant something unusual.
std::string grid(int n, const char* ending,
                 std::string (*plant)(int index, const std::string& line)) {
    std::string doc =
        "Metasequoia Document\nFormat Text Ver 1.0\n\nMaterial 2 {\n"
        "\t\"a\" col(1 0 0 1) dif(0.8) amb(0.6) emi(0) spc(0) power(5)\n"
        "\t\"b\" col(0 1 0 1) dif(0.8) amb(0.6) emi(0) spc(0) power(5)\n}\n"
        "Object \"grid\" {\n\tfacet 59.5\n";
    int line = 0;
    doc += "\tvertex " + std::to_string((n + 1) * (n + 1)) + " {" + ending;
    for (int y = 0; y <= n; ++y)
        for (int x = 0; x <= n; ++x) {
            std::string l = "\t\t" + std::to_string(x * 1.25) + " " + std::to_string(y % 7) + " " +
                            std::to_string(-y * 0.5) + ending;
            doc += plant != nullptr ? plant(line++, l) : l;
        }
    doc += std::string("\t}") + ending + "\tface " + std::to_string(n * n) + " {" + ending;
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            int a = y * (n + 1) + x;
            std::string l = "\t\t4 V(" + std::to_string(a) + " " + std::to_string(a + 1) + " " +
                            std::to_string(a + n + 2) + " " + std::to_string(a + n + 1) + ") M(" +
                            std::to_string((x + y) % 2) + ") UV(0 0 1 0 1 1 0 1)" + ending;
            doc += plant != nullptr ? plant(line++, l) : l;
        }
    doc += std::string("\t}") + ending + "}\nEof\n";
    return doc;
}

struct Case {
    const char* name;
    const char* ending;
    std::string (*plant)(int, const std::string&);
};

const Case kCases[] = {
    {"plain", "\n", nullptr},
    {"crlf", "\r\n", nullptr},
    // A closing brace early: the list holds fewer lines than it declares,
    // and what follows looks like more of it.
    {"closed_early", "\n",
     [](int i, const std::string& l) { return i == 3000 ? "\t}\n\t\t1 2 3\n" + l : l; }},
    // Lines the usual forms do not take, in the middle of pieces.
    {"other_forms", "\n",
     [](int i, const std::string& l) {
         if (i % 997 == 5) return std::string("\t\t1,5 2 3\n");
         if (i % 1409 == 7) return "\t\t" + std::string(200, ' ') + l;  // a long line
         if (i % 2003 == 11) return std::string("\t\t4 V(0 1 2 3) UV(0 0 1 0 1 1 0 1)\n");
         return l;
     }},
    {"nul_byte", "\n",
     [](int i, const std::string& l) { return i == 4100 ? std::string("\t\t1 2\0 3\n", 9) : l; }},
    {"extra_lines", "\n", [](int i, const std::string& l) { return i == 1000 ? l + l + l : l; }},
    // Around the half of the document (about line 14,500 of 29,040): faces
    // with and without UV( and with three corners, a line of another form.
    {"half_forms", "\n",
     [](int i, const std::string& l) {
         if (i >= 14400 && i < 14700 && i % 3 == 0) return std::string("\t\t3 V(0 1 2) M(1)\n");
         if (i >= 14400 && i < 14700 && i % 7 == 0) return std::string("\t\t3 V(0 1 2) M(0) x\n");
         return l;
     }},
    // The vertex list ends after the half; the face list starts in it.
    {"vertices_past_half", "\n",
     [](int i, const std::string& l) {
         return i == 200 ? l + std::string(900000, ' ') + "\n" : l;
     }},
};

class ListShare : public ::testing::TestWithParam<Case> {};

TEST_P(ListShare, SharedListsGiveWhatOneThreadGives) {
    const Case& c = GetParam();
    const std::string doc = grid(120, c.ending, c.plant);
    for (uint32_t features : {0u, static_cast<uint32_t>(MQO_FEATURE_ALL)}) {
        const std::string alone = parseMemory(doc, kOneLine, features);
        testsupport::TempDir dir;
        const std::string path = dir.write("grid.mqo", doc.data(), doc.size());
        for (Mode mode : {kShared, kAhead}) {
            EXPECT_EQ(parseMemory(doc, mode, features), alone) << c.name << " in memory " << mode;
            // From a file the lists cross the stream's blocks, or it is read whole.
            EXPECT_EQ(parseFile(path, mode, features), alone) << c.name << " from a file " << mode;
            HeldHelpers held;
            EXPECT_EQ(parseMemory(doc, mode, features), alone) << c.name << " held " << mode;
            EXPECT_EQ(parseFile(path, mode, features), alone) << c.name << " held, file " << mode;
        }
    }
}

// Objects of many sizes built on two threads, cut wherever their faces
// fall: some without faces or vertices, one smoothed by the facet rule (the
// complete profile), more than the object table holds (the complete
// profile keeps them; the exact reading drops them).
TEST(ListShareStages, ObjectsBuiltOnTwoThreadsAsOnOne) {
    const std::string one = grid(30, "\n", nullptr), big = grid(90, "\n", nullptr);
    const size_t objectAt = one.find("Object"), eofAt = one.find("Eof");
    const std::string head = one.substr(0, objectAt),
                      small = one.substr(objectAt, eofAt - objectAt);
    const std::string large = big.substr(objectAt, big.find("Eof") - objectAt);
    const std::string empty = "Object \"e\" {\n\tvertex 0 {\n\t}\n}\n";
    const std::string noFaces =
        "Object \"v\" {\n\tvertex 3 {\n\t\t0 0 0\n\t\t1 0 0\n\t\t0 1 0\n\t}\n}\n";
    const std::vector<std::string> documents = {
        head + small + small + "Eof\n",
        head + large + small + empty + "Eof\n",
        head + empty + small + noFaces + large + large + small + "Eof\n",
        head +
            [&] {
                std::string many;
                for (int i = 0; i < 60; ++i)
                    many += i % 7 == 3 ? large : i % 5 == 0 ? noFaces : small;
                return many;
            }() +
            "Eof\n",
    };
    for (size_t d = 0; d < documents.size(); ++d) {
        for (uint32_t features : {0u, static_cast<uint32_t>(MQO_FEATURE_ALL)}) {
            const std::string alone = parseMemory(documents[d], kOneLine, features);
            EXPECT_EQ(parseMemory(documents[d], kShared, features), alone)
                << "document " << d << " features " << features;
            HeldHelpers held;
            EXPECT_EQ(parseMemory(documents[d], kShared, features), alone)
                << "document " << d << " features " << features << ", the second run taken back";
        }
    }
}

// A document of more than 8 MiB is shared a window of about 4 MiB at a time
// in memory, a block at a time from a file: lists that cross windows and
// blocks, lines of other forms near the cuts, and one line longer than
// either.
TEST(ListShareWindow, ADocumentInMemoryLargerThanTheWindow) {
    std::string doc = grid(300, "\n", [](int i, const std::string& l) {
        if (i % 9973 == 17) return std::string("\t\t1,5 2 3\n");
        if (i == 150000) return l + "\t\t" + std::string(5 << 20, ' ') + "1 2 3\n";
        return l;
    });
    ASSERT_GT(doc.size(), size_t{8} << 20);
    const std::string alone = parseMemory(doc, kOneLine, 0);
    EXPECT_EQ(parseMemory(doc, kShared, 0), alone);
    // From a file it is read in 1 MiB blocks.
    testsupport::TempDir dir;
    EXPECT_EQ(parseFile(dir.write("grid.mqo", doc.data(), doc.size()), kShared, 0), alone);
}

// Binary vertices in the second half: their bytes hold line feeds, so the
// helper's lines start where the reader's do not, until they meet again.
TEST(ListShareAhead, BinaryVerticesInTheSecondHalf) {
    std::string doc = grid(60, "\n", nullptr);
    doc.erase(doc.size() - 4);  // "Eof\n"
    doc += "Object \"b\" {\n\tBVertex 40 {\n\t\tVector 40 [480]\n";
    for (int i = 0; i < 480; ++i) doc += static_cast<char>(i % 5 == 0 ? '\n' : '0' + i % 10);
    doc += "\n\t}\n\tface 2 {\n\t\t3 V(0 1 2) M(0)\n\t\t3 V(2 3 4) M(1)\n\t}\n}\nEof\n";
    const std::string alone = parseMemory(doc, kOneLine, 0);
    EXPECT_EQ(parseMemory(doc, kAhead, 0), alone);
}

// A face list read into the caller's own entries: only the fields the line
// sets are written, as the one-line path writes them, whatever the scratch
// memory kept from an earlier list holds.
TEST(ListShareFaces, AChunkKeepsWhatTheLinesDoNotSet) {
    testsupport::TempDir dir;
    auto write = [&dir](const char* name, const char* even, const char* odd) {
        std::string doc = "\n";
        for (int i = 0; i < 6000; ++i) doc += i % 2 ? odd : even;
        doc += "\t}\n";
        return dir.write(name, doc.data(), doc.size());
    };
    const std::string path =
        write("faces.mqo", "\t\t4 V(0 1 2 3) M(0) UV(0 0 1 0 1 1 0 1)\n", "\t\t3 V(0 1 2) M(1)\n");
    // Every field set, so that scratch memory kept from it holds no zeros.
    const std::string full = write("full.mqo", "\t\t4 V(7 7 7 7) M(7) UV(7 7 7 7 7 7 7 7)\n",
                                   "\t\t4 V(7 7 7 7) M(7) UV(7 7 7 7 7 7 7 7)\n");
    auto read = [](const std::string& from, Mode mode) {
        setMode(mode);
        std::vector<FaceEntry> faces(6000);
        std::memset(faces.data(), 0x5a, faces.size() * sizeof(FaceEntry));
        MqoStream* stream = mqoOpenStream(from.c_str());
        mqo::detail::mqoReadLine(stream);
        mqoReadFaceChunk(stream, faces.data(), 6000);
        mqoCloseStream(stream);
        resetMode();
        return std::string(reinterpret_cast<const char*>(faces.data()),
                           faces.size() * sizeof(FaceEntry));
    };
    const std::string alone = read(path, kOneLine);
    for (Mode mode : {kShared, kAhead}) {
        read(full, mode);
        EXPECT_EQ(read(path, mode), alone) << mode;
    }
}

// Helpers asked to end while an open stream still holds one stay until it
// is closed (the stream then waits on its helper), and end at the next call.
TEST(ListShareAhead, HelpersOutliveAnOpenStream) {
    const std::string doc = grid(60, "\n", nullptr);
    testsupport::TempDir dir;
    const std::string path = dir.write("grid.mqo", doc.data(), doc.size());
    const std::string alone = parseFile(path, kOneLine, 0);
    setMode(kAhead);
    MqoStream* stream = mqoOpenStream(path.c_str());
    ASSERT_NE(stream, nullptr);
    mqo::detail::mqoStopScanHelpers();
    mqoCloseStream(stream);
    mqo::detail::mqoStopScanHelpers();
    resetMode();
    EXPECT_EQ(parseFile(path, kAhead, 0), alone);
    mqo::detail::mqoStopScanHelpers();
    mqo::detail::mqoReleasePrescanTable();
}

// A child forked while a stream's helper scans reads the document itself
// rather than waiting for a helper it does not have.
TEST(ListShareAhead, AForkedChildReadsAnOpenStream) {
    if (!kChildrenStartThreads)
        GTEST_SKIP() << "ThreadSanitizer starts no threads in a forked child";
    const std::string doc = grid(60, "\n", nullptr);
    testsupport::TempDir dir;
    const std::string path = dir.write("grid.mqo", doc.data(), doc.size());
    // The vertex list, the first list read, reads the rest of the file and
    // starts the scan ahead, which holds the face list.
    auto openAtFaces = [&path] {
        MqoStream* stream = mqoOpenStream(path.c_str());
        while (const char* line = mqo::detail::mqoReadLine(stream)) {
            if (std::strstr(line, "vertex ") == nullptr) continue;
            std::vector<float> vertices(3 * 3721);
            mqoReadVertexChunk(stream, reinterpret_cast<float(*)[3]>(vertices.data()), 3721);
            break;
        }
        return stream;
    };
    auto readAll = [](MqoStream* stream) {
        std::string faces;
        while (const char* line = mqo::detail::mqoReadLine(stream)) {
            if (std::strstr(line, "face ") == nullptr) continue;
            std::vector<FaceEntry> read(3600);
            mqoReadFaceChunk(stream, read.data(), 3600);
            faces.assign(reinterpret_cast<const char*>(read.data()), 3600 * sizeof(FaceEntry));
        }
        mqoCloseStream(stream);
        return faces;
    };
    setMode(kOneLine);
    const std::string alone = readAll(openAtFaces());
    setMode(kAhead);
    MqoStream* stream = openAtFaces();
    ASSERT_NE(stream, nullptr);
    expectInChild([&] { return readAll(stream) == alone; });
    EXPECT_EQ(readAll(stream), alone);
    resetMode();
    mqo::detail::mqoStopScanHelpers();
}

INSTANTIATE_TEST_SUITE_P(Lists, ListShare, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ListShareCorpus, EveryDocumentReadsAsOnOneThread) {
    std::vector<std::string> documents = corpusfiles::documentsIn(corpusfiles::folder());
    if (documents.empty()) GTEST_SKIP() << "no corpus beside the project";
    for (const std::string& path : documents)
        for (Mode mode : {kShared, kAhead})
            EXPECT_EQ(parseFile(path, mode, MQO_FEATURE_ALL),
                      parseFile(path, kOneLine, MQO_FEATURE_ALL))
                << path << " " << mode;
}

// The helpers end and start again.
TEST(ListShareHelpers, StopAndStartAgain) {
    const std::string doc = grid(60, "\n", nullptr);
    const std::string alone = parseMemory(doc, kOneLine, 0);
    ASSERT_EQ(parseMemory(doc, kShared, 0), alone);
    mqo::detail::mqoStopScanHelpers();
    mqo::detail::mqoStopScanHelpers();  // twice is harmless
    EXPECT_EQ(parseMemory(doc, kShared, 0), alone);
    mqo::detail::mqoStopScanHelpers();
    mqo::detail::mqoReleaseShareScratch();
}

// A job handed to a helper runs once, on the helper, or is taken back unrun
// when the helper has not begun it: never twice, never after its wait. Some
// rounds wait until the helper has begun, some race it, some hold it.
TEST(ListShareHelpers, AJobRunsOnceOrIsTakenBack) {
    // Begun and finished runs: the wait returns only once the job is done.
    static std::atomic<int> runs{0}, finished{0};
    auto count = [](void*) {
        runs.fetch_add(1);
        for (volatile int i = 0; i < 2000; i = i + 1) {
        }
        finished.fetch_add(1);
    };
    int ran = 0, takenBack = 0;
    for (int round = 0; round < 3000; ++round) {
        mqo::detail::MqoScanJob job = {count, nullptr, nullptr};
        const bool hold = round % 3 == 2;
        mqo::detail::mqoSetHelperTiming(hold ? mqo::detail::kHelpersHeld
                                             : mqo::detail::kHelpersAsUsual);
        if (mqo::detail::mqoHandToHelpers(&job, 1) == 0) {
            mqo::detail::mqoSetHelperTiming(mqo::detail::kHelpersAsUsual);
            GTEST_SKIP() << "no helper thread on this machine";
        }
        if (round % 3 == 0) {
            for (int i = 0; i < 1000000 && runs.load() == ran; ++i) std::this_thread::yield();
        } else if (round % 3 == 1) {
            // The helper spins after the round before: land the wait
            // anywhere around its start.
            for (volatile int i = 0; i < (round % 97) * 4; i = i + 1) {
            }
        }
        mqo::detail::mqoAwaitHelpers(&job, 1);
        mqo::detail::mqoSetHelperTiming(mqo::detail::kHelpersAsUsual);
        (job.ran ? ran : takenBack) += 1;
        ASSERT_EQ(runs.load(), ran) << "round " << round;
        ASSERT_EQ(finished.load(), ran) << "round " << round;
        if (hold) EXPECT_FALSE(job.ran) << "round " << round;
    }
    mqo::detail::mqoStopScanHelpers();
    EXPECT_EQ(runs.load(), ran);
    EXPECT_GT(ran, 0);
    EXPECT_GE(takenBack, 1000);
}

// A forked child, which has none of its parent's threads, starts its own
// rather than waiting for them.
TEST(ListShareHelpers, AForkedChildReads) {
    if (!kChildrenStartThreads)
        GTEST_SKIP() << "ThreadSanitizer starts no threads in a forked child";
    const std::string doc = grid(60, "\n", nullptr);
    const std::string alone = parseMemory(doc, kOneLine, 0);
    ASSERT_EQ(parseMemory(doc, kShared, 0), alone);  // the helpers are running now
    expectInChild([&] { return parseMemory(doc, kShared, 0) == alone; });
    mqo::detail::mqoStopScanHelpers();
}

}  // namespace
