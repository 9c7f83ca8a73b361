// Long lists scanned in pieces on helper threads must give exactly what one
// thread gives, whatever the lines hold where the pieces are cut: every
// document here is parsed with every list shared and with none, and the
// staged objects compared byte for byte.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <string>
#include <vector>

#include "mqo/MqoModelStages.h"
#include "mqo/read/read_internal.h"
#include "support/corpus_files.h"
#include "support/temp_dir.h"

namespace {

using mqo::detail::mqoSetListShareThreshold;

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

std::string parseMemory(const std::string& text, int threshold, uint32_t features) {
    mqoSetListShareThreshold(threshold);
    MqoParsedModel parsed;
    int ok = mqoParseDocumentMemory(text.data(), text.size(), "", 1.0, 255, features, &parsed);
    std::string d = std::to_string(ok) + describe(parsed);
    mqoReleaseParsedModel(&parsed);
    mqoSetListShareThreshold(2048);
    return d;
}

std::string parseFile(const std::string& path, int threshold, uint32_t features) {
    mqoSetListShareThreshold(threshold);
    MqoParsedModel parsed;
    int ok = mqoParseDocumentEx(path.c_str(), 1.0, 255, features, &parsed);
    std::string d = std::to_string(ok) + describe(parsed);
    mqoReleaseParsedModel(&parsed);
    mqoSetListShareThreshold(2048);
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
};

class ListShare : public ::testing::TestWithParam<Case> {};

TEST_P(ListShare, SharedListsGiveWhatOneThreadGives) {
    const Case& c = GetParam();
    const std::string doc = grid(120, c.ending, c.plant);
    for (uint32_t features : {0u, static_cast<uint32_t>(MQO_FEATURE_ALL)}) {
        const std::string alone = parseMemory(doc, INT_MAX, features);
        EXPECT_EQ(parseMemory(doc, 2, features), alone) << c.name << " in memory";
        // From a file the lists cross the stream's blocks.
        testsupport::TempDir dir;
        const std::string path = dir.write("grid.mqo", doc.data(), doc.size());
        EXPECT_EQ(parseFile(path, 2, features), alone) << c.name << " from a file";
    }
}

INSTANTIATE_TEST_SUITE_P(Lists, ListShare, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ListShareCorpus, EveryDocumentReadsAsOnOneThread) {
    std::vector<std::string> documents = corpusfiles::documentsIn(corpusfiles::folder());
    if (documents.empty()) GTEST_SKIP() << "no corpus beside the project";
    for (const std::string& path : documents)
        EXPECT_EQ(parseFile(path, 2, MQO_FEATURE_ALL), parseFile(path, INT_MAX, MQO_FEATURE_ALL))
            << path;
}

// The helpers end and start again.
TEST(ListShareHelpers, StopAndStartAgain) {
    const std::string doc = grid(60, "\n", nullptr);
    const std::string alone = parseMemory(doc, INT_MAX, 0);
    ASSERT_EQ(parseMemory(doc, 2, 0), alone);
    mqo::detail::mqoStopScanHelpers();
    mqo::detail::mqoStopScanHelpers();  // twice is harmless
    EXPECT_EQ(parseMemory(doc, 2, 0), alone);
    mqo::detail::mqoStopScanHelpers();
    mqo::detail::mqoReleaseShareScratch();
}

// A forked child, which has none of its parent's threads, starts its own
// rather than waiting for them.
TEST(ListShareHelpers, AForkedChildReads) {
#if defined(__has_feature)
#if __has_feature(thread_sanitizer)
    GTEST_SKIP() << "ThreadSanitizer starts no threads in a forked child";
#endif
#endif
    const std::string doc = grid(60, "\n", nullptr);
    const std::string alone = parseMemory(doc, INT_MAX, 0);
    ASSERT_EQ(parseMemory(doc, 2, 0), alone);  // the helpers are running now
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        alarm(20);  // a child waiting on its parent's helpers would hang
        _exit(parseMemory(doc, 2, 0) == alone ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    mqo::detail::mqoStopScanHelpers();
}

}  // namespace
