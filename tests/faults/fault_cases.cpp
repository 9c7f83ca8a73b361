// The fault tests' documents, written once per program, and the calls run
// over them, each dumping what it gave once the injection is disarmed.
#include "faults/fault_cases.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>

#include "mqo/MqoModelGltf.h"
#include "mqo/MqoModelStages.h"
#include "mqo/read/read_internal.h"
#include "support/corpus_files.h"
#include "support/fake_gl.h"
#include "support/reader_files.h"
#include "support/zip_files.h"
#ifdef MAKE_CHARACTER
#include "support/character_support.h"
#endif

namespace faultcases {

namespace {

// What the pool prints for a texture it cannot read.
const char kTextureNotRead[] = "テクスチャ読み込みエラー";

const char kMaterials[] =
    "Material 2 {\n\"skin\" col(1 0.8 0.6 1) dif(0.8) amb(0.6) emi(0) spc(0.2) power(5) "
    "tex(\"t.bmp\")\n\"plain\" col(0.2 0.4 0.9 1) dif(1)\n}\n";

// A pentagon, a quad and a triangle over two materials, mirrored across x = 0
// (two corners on the plane, so the copies join there), with a sharp facet.
std::string polygonDocument(const std::string& name) {
    return std::string("Metasequoia Document\nFormat Text Ver 1.0\n\n") + kMaterials + "Object \"" +
           name +
           "\" {\n\tvisible 15\n\tshading 1\n\tfacet 40\n\tmirror 1\n\tmirror_axis 1\n"
           "\tvertex 8 {\n\t\t0 0 0\n\t\t2 0 0\n\t\t3 2 0\n\t\t1 3 0\n\t\t0 2 0\n"
           "\t\t2 0 -2\n\t\t3 2 -2\n\t\t1 1 2\n\t}\n\tface 3 {\n"
           "\t\t5 V(0 1 2 3 4) M(0) UV(0 0 0.5 0 1 0.5 0.5 1 0 0.5)\n"
           "\t\t4 V(1 5 6 2) M(1)\n\t\t3 V(1 2 7) M(0) UV(0 0 1 0 0 1)\n\t}\n}\nEof\n";
}

// Triangles only: what the exact reading loads in full.
std::string plainDocument(const std::string& name, int seed) {
    std::string vertices;
    for (int i = 0; i < 6; ++i) {
        vertices += "\t\t" + std::to_string(i + seed) + " " + std::to_string(i % 3) + " " +
                    std::to_string(seed - i) + "\n";
    }
    return std::string("Metasequoia Document\nFormat Text Ver 1.0\n\n") + kMaterials + "Object \"" +
           name + "\" {\n\tshading 1\n\tfacet 59.5\n\tvertex 6 {\n" + vertices +
           "\t}\n\tface 4 {\n\t\t3 V(0 1 2) M(0) UV(0 0 1 0 0 1)\n\t\t3 V(2 1 3) M(0) UV(0 0 1 0 "
           "0 1)\n\t\t3 V(3 4 5) M(1)\n\t\t3 V(5 4 0) M(1)\n\t}\n}\nEof\n";
}

// Two objects of plainDocument's shape: a and b.
std::string twoObjectDocument() {
    const std::string a = plainDocument("a", 1), b = plainDocument("b", 7);
    const size_t objectAt = a.find("Object"), eofAt = a.find("Eof");
    return a.substr(0, eofAt) + b.substr(objectAt);
}

struct Documents {
    readerfiles::TempDir dir{"mqo_faults"};
    std::string package, polygons, pattern, twoObjects;
    std::vector<std::string> list;
    Documents() {
        testsupport::writeFile(dir.file("t.bmp"), readerfiles::tinyBmp());
        polygons = dir.write("polygons.mqo", polygonDocument("shape"));
        twoObjects = dir.write("two_objects.mqo", twoObjectDocument());
        for (int i = 0; i < 5; ++i) {
            list.push_back(
                dir.write("frame" + std::to_string(i) + ".mqo", plainDocument("f", 3 * i)));
        }
        pattern = dir.file("frame%d.mqo");
        list.push_back(dir.write("other.mqo", plainDocument("other", 40)));
        list.push_back(dir.file("absent.mqo"));  // a list holds files that fail too
        list.push_back(polygons);
        package = dir.file("model.mqoz");
        zipfiles::write(
            package, {{"model.mqo", polygonDocument("packed")}, {"t.bmp", readerfiles::tinyBmp()}});
    }
};

const Documents& documents() {
    static const Documents docs;
    return docs;
}

// Names by order of first use, so that a run whose textures got other GL
// names still dumps alike.
struct Names {
    std::map<unsigned, unsigned> seen;
    unsigned operator()(unsigned name) {
        if (name == 0 || name == ~0u) return name;
        return seen.emplace(name, static_cast<unsigned>(seen.size() + 1)).first->second;
    }
};

void bytes(std::string* out, const void* p, size_t n) {
    out->append(static_cast<const char*>(p), n);
}

std::string dumpModel(const MeshModel* m, Names& names) {
    if (m == nullptr) return "null";
    std::string out;
    bytes(&out, &m->alpha, sizeof m->alpha);
    for (int i = 0; i < mqoModelObjectCount(m); ++i) {
        const MeshObject& o = *mqoModelObject(const_cast<MeshModel*>(m), i);
        bytes(&out, o.name, sizeof o.name);
        bytes(&out, &o.visible, 3 * sizeof(int32_t));
        for (int k = 0; k < o.batchCount; ++k) {
            MaterialBatch b = o.batches[k];
            b.textureName = names(b.textureName);
            b.bufferName = names(b.bufferName + 1000000u);
            bytes(&out, &b, offsetof(MaterialBatch, plainVertices));
            if (b.vertexCount <= 0) continue;
            if (b.hasTexture && b.texturedVertices != nullptr)
                bytes(&out, b.texturedVertices, sizeof(TexturedVertex) * b.vertexCount);
            if (!b.hasTexture && b.plainVertices != nullptr)
                bytes(&out, b.plainVertices, sizeof(PlainVertex) * b.vertexCount);
        }
    }
    return out;
}

// The report's counts and names (its result is the run's code).
std::string dumpReport(const MqoLoadReport& report) {
    MqoLoadReport counts = report;
    counts.result = MQO_LOAD_OK;
    return std::string(reinterpret_cast<const char*>(&counts), sizeof counts);
}

Run loadWith(const std::string& path, uint32_t features) {
    MqoLoadReport report;
    MqoLoadOptions options = {};
    options.features = features;
    options.report = &report;
    testing::internal::CaptureStdout();
    MeshModel* model = nullptr;
    armed([&] { model = mqoLoadModelEx(path.c_str(), 0.5, &options); });
    Run r;
    r.printed = testing::internal::GetCapturedStdout();
    Names names;
    r.units.push_back(dumpModel(model, names) + (model ? dumpReport(report) : ""));
    r.failed = model == nullptr;
    r.code = report.result;
    r.told = report.texturesNotRead > 0;
    mqoFreeModel(model);
    return r;
}

// Generated or found when first asked for: each test program runs one case.
const std::string& characterFrame() {
#ifdef MAKE_CHARACTER
    static const std::string frame = charactertest::framePath(0, 0);
#else
    static const std::string frame;
#endif
    return frame;
}

const std::string& corpusDocument() {
    static const std::string found = corpusfiles::find("medaka.mqo");
    return found;
}

bool haveCharacter() {
    const std::string& frame = characterFrame();
    return !frame.empty() && !testsupport::readFile(frame).empty();
}
bool haveCorpus() { return !corpusDocument().empty(); }

Run character() { return loadWith(characterFrame(), 0); }
Run corpus() { return loadWith(corpusDocument(), MQO_FEATURE_PNG_JPEG); }
Run package() { return loadWith(documents().package, MQO_FEATURE_MQOZ); }
Run polygons() { return loadWith(documents().polygons, MQO_FEATURE_ALL); }
// Its second object built on a helper, however small.
Run twoObjects() {
    mqo::detail::mqoSetStageRunSmallest(1);
    Run r = loadWith(documents().twoObjects, 0);
    mqo::detail::mqoSetStageRunSmallest(32768);
    return r;
}

Run sequence() {
    testing::internal::CaptureStdout();
    ModelSequence s = {nullptr, 0};
    armed([&] { s = mqoLoadSequenceNoFade(documents().pattern.c_str(), 5, 0.5); });
    Run r;
    r.printed = testing::internal::GetCapturedStdout();
    // Names by first use within each model: a frame that failed took GL
    // names the next one would otherwise have had.
    for (int i = 0; i < 5; ++i) {
        Names names;
        r.units.push_back(i < s.frameCount ? dumpModel(&s.models[i], names) : "null");
    }
    r.failed = s.frameCount < 5;
    r.told = r.printed.find(kTextureNotRead) != std::string::npos;
    mqoFreeSequence(s);
    return r;
}

std::vector<const char*> listPaths() {
    std::vector<const char*> paths;
    for (const std::string& p : documents().list) paths.push_back(p.c_str());
    return paths;
}

Run finishList(const std::vector<MeshModel*>& models, int loaded) {
    Run r;
    int expected = 0;
    for (MeshModel* m : models) {
        Names names;  // by first use within each model, as for frames
        r.units.push_back(dumpModel(m, names));
        expected += m != nullptr;
        mqoFreeModel(m);
    }
    EXPECT_EQ(loaded, expected);
    r.failed = loaded < static_cast<int>(models.size()) - 1;  // one file is absent
    return r;
}

Run list() {
    std::vector<const char*> paths = listPaths();
    std::vector<MeshModel*> models(paths.size(), nullptr);
    testing::internal::CaptureStdout();
    int loaded = 0;
    armed([&] {
        loaded = mqoLoadModels(paths.data(), static_cast<int>(paths.size()), 0.5, models.data());
    });
    const std::string printed = testing::internal::GetCapturedStdout();
    Run r = finishList(models, loaded);
    r.printed = printed;
    r.told = r.printed.find(kTextureNotRead) != std::string::npos;
    return r;
}

Run gltf() {
    unsigned char* glb = nullptr;
    size_t size = 0;
    MqoGltfReport report;
    int result = -1;
    armed([&] {
        result = mqoWriteGltf(documents().polygons.c_str(), nullptr, &glb, &size, &report);
    });
    Run r;
    r.failed = result != MQO_GLTF_OK;
    r.code = result;
    r.told = report.texturesNotRead > 0;
    r.units.push_back(glb != nullptr ? std::string(reinterpret_cast<char*>(glb), size) : "null");
    if (r.failed && (glb != nullptr || size != 0 || report.result != result)) r.units[0] += "?";
    mqoFreeGltf(glb);
    return r;
}

}  // namespace

Injection& injection() {
    static Injection current;
    return current;
}

void arm() {
    Injection& i = injection();
    if (i.kind == Injection::Allocation) faults::armAllocations(i.at, i.workersOnly);
    if (i.kind == Injection::Read) faults::armReads(i.read, i.at);
}

void disarm() {
    Injection& i = injection();
    if (i.kind == Injection::Allocation) {
        i.seen = faults::disarmAllocations();
        i.hit = faults::allocationFailed();
    }
    if (i.kind == Injection::Read) {
        i.seen = faults::disarmReads();
        i.hit = faults::readFaulted();
    }
}

const std::vector<Case>& cases() {
    static const std::vector<Case> all = [] {
        const int oom = MQO_LOAD_OUT_OF_MEMORY, unreadable = MQO_LOAD_UNREADABLE;
        return std::vector<Case>{
            {"character frame", character, oom, unreadable, haveCharacter},
            {"textured corpus document", corpus, oom, unreadable, haveCorpus},
            {".mqoz package", package, oom, MQO_LOAD_DAMAGED_PACKAGE, nullptr},
            {"polygons and mirror, every feature", polygons, oom, unreadable, nullptr},
            {"two objects built on two threads", twoObjects, oom, unreadable, nullptr},
            {"sequence of 5 frames", sequence, 0, 0, nullptr},
            {"mqoLoadModels over 8 documents", list, 0, 0, nullptr},
            {"glTF writer", gltf, MQO_GLTF_OUT_OF_MEMORY, MQO_GLTF_NOT_READ, nullptr},
        };
    }();
    return all;
}

const Case& caseNamed(const std::string& name) {
    for (const Case& c : cases())
        if (name == c.name) return c;
    std::abort();
}

long glNamesLeft() {
    long made = 0;
    for (const std::string& call : fakegl::callsNamed({"glGenTextures", "glGenBuffersARB"})) {
        made += std::atol(call.c_str() + call.find('(') + 1);
    }
    return made -
           static_cast<long>(fakegl::deletedTextures().size() + fakegl::deletedBuffers().size());
}

void freshLibrary() {
    mqoCleanupLibrary();
    fakegl::reset();
    libraryInitialised = 0;
}

ListRun loadListOneByOne() {
    freshLibrary();
    std::vector<const char*> paths = listPaths();
    std::vector<MeshModel*> models(paths.size(), nullptr);
    testing::internal::CaptureStdout();
    int loaded = 0;
    for (size_t i = 0; i < paths.size(); ++i)
        loaded += (models[i] = mqoLoadModel(paths[i], 0.5)) != nullptr;
    const std::string printed = testing::internal::GetCapturedStdout();
    ListRun out{finishList(models, loaded), fakegl::calls()};
    out.run.printed = printed;
    return out;
}

ListRun loadListTogether() {
    freshLibrary();
    Run r = list();
    return ListRun{r, fakegl::calls()};
}

}  // namespace faultcases

namespace faultcases {

namespace {

std::string describe(const Case& c, long at, const std::string& what) {
    return std::string(c.name) + ", fault at " + std::to_string(at) + ": " + what;
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\n', at);
        end = end == std::string::npos ? text.size() : end + 1;
        lines.push_back(text.substr(at, end - at));
        at = end;
    }
    return lines;
}

// The problems of one injected run against the fault-free one.
void check(const Case& c, long at, const Run& r, const Run& reference, int code, bool mayFail,
           Sweep* s) {
    if (mayFail && injection().kind == Injection::Read && !r.failed && r.told && !reference.told) {
        ++s->texturesLeftOut;
        return;
    }
    bool changed = r.units.size() != reference.units.size();
    for (size_t i = 0; i < r.units.size() && i < reference.units.size(); ++i) {
        if (r.units[i] == reference.units[i]) continue;
        if (r.units[i] != "null" || !mayFail) {
            s->problems.push_back(describe(
                c, at, "unit " + std::to_string(i) + " differs from the fault-free result"));
        }
        changed = true;
    }
    if (!changed && !r.failed) {
        if (r.printed != reference.printed) s->problems.push_back(describe(c, at, "printed"));
        ++s->unchanged;
        return;
    }
    // A failed run says nothing the fault-free one does not, but for the
    // textures it could not read.
    for (const std::string& line : linesOf(r.printed)) {
        if (reference.printed.find(line) == std::string::npos &&
            line.find(kTextureNotRead) == std::string::npos) {
            s->problems.push_back(describe(c, at, "printed " + line));
        }
    }
    if (!mayFail || !r.failed) {
        s->problems.push_back(describe(c, at, r.failed ? "failed" : "changed result, no failure"));
        return;
    }
    ++s->failed;
    if (code != 0 && r.code != code) {
        s->problems.push_back(
            describe(c, at, "code " + std::to_string(r.code) + ", not " + std::to_string(code)));
    }
}

}  // namespace

Sweep sweep(const Case& c, Injection how, int code, bool mayFail) {
    Sweep s;
    freshLibrary();
    injection() = Injection();
    const Run reference = c.run();
    // How many points there are, to choose the stride past the dense ones.
    freshLibrary();
    injection() = how;
    injection().at = 0;
    c.run();
    const long total = injection().seen;
    if (total > kDensePoints) s.stride = (total - kDensePoints) / (kMostRuns - kDensePoints) + 1;
    for (long at = 1;; at += at < kDensePoints ? 1 : s.stride) {
        freshLibrary();
        injection() = how;
        injection().at = at;
        const Run r = c.run();
        const bool hit = injection().hit;
        if (injection().escaped) s.problems.push_back(describe(c, at, "an exception escaped"));
        if (!hit) {
            injection() = Injection();
            // Past the last point: the run must be the fault-free one.
            if (r.units != reference.units) s.problems.push_back(describe(c, at, "unarmed run"));
            break;
        }
        ++s.points;
        check(c, at, r, reference, code, mayFail, &s);
        injection() = Injection();
        // The pool and the library as a normal load finds them afterwards.
        if (c.run().units != reference.units)
            s.problems.push_back(describe(c, at, "the next normal run differs"));
        mqoCleanupLibrary();
        if (glNamesLeft() != 0) s.problems.push_back(describe(c, at, "GL names left"));
        if (s.problems.size() > 20) break;
    }
    return s;
}

}  // namespace faultcases
