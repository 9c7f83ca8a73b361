// Out of memory while loading: with every allocation above 1 MB failing (the
// sanitizer's allocator returns null for them in this program), a load fails
// as out of memory (never a model with fewer triangles reported as loaded)
// and releases everything it made, GL buffers included.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "mqo/MqoModelStages.h"
#include "support/asan.h"
#include "support/fake_gl.h"
#include "support/reader_files.h"

#ifdef MQO_TESTS_ASAN
extern "C" const char* __asan_default_options() {
    return "max_allocation_size_mb=1:allocator_may_return_null=1";
}
#endif

namespace {

// Written piece by piece: no string in this program may exceed 1 MB either.
// Unused in a build without the sanitizer, where the test skips.
[[maybe_unused]] std::string writeQuads(const readerfiles::TempDir& dir, const char* name,
                                        int quads) {
    std::string path = dir.write(name, "");
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fprintf(
        f, "Object \"big\" {\n\tvertex 4 {\n0 0 0\n1 0 0\n1 1 0\n0 1 0\n\t}\n\tface %d {\n", quads);
    for (int i = 0; i < quads; ++i) std::fputs("4 V(0 1 2 3) M(0)\n", f);
    std::fputs(
        "\t}\n}\nObject \"small\" {\n\tvertex 3 {\n0 0 0\n1 0 0\n0 1 0\n\t}\n"
        "\tface 1 {\n3 V(0 1 2) M(0)\n\t}\n}\n",
        f);
    std::fclose(f);
    return path;
}

}  // namespace

TEST(OutOfMemory, FailedListsAndBatchesFailTheLoadCleanly) {
#ifndef MQO_TESTS_ASAN
    GTEST_SKIP() << "needs the sanitizer's allocator to fail large allocations";
#else
    fakegl::reset();
    mqoInitLibrary();
    readerfiles::TempDir dir;

    MqoLoadReport report;
    MqoLoadOptions options = {};
    options.report = &report;
    // 20,000 faces need 1.1 MB: the face list fails, in the parse.
    MeshModel* m = mqoLoadModelEx(writeQuads(dir, "faces.mqo", 20000).c_str(), 1.0, &options);
    EXPECT_EQ(m, nullptr);
    EXPECT_EQ(report.result, MQO_LOAD_OUT_OF_MEMORY);
    EXPECT_TRUE(fakegl::callsNamed({"glGenBuffersARB"}).empty());

    // 12,000 quads fit as faces (0.7 MB) but not as a batch (1.7 MB): the
    // batch fails, and the small object's buffer is deleted again.
    fakegl::clear();
    m = mqoLoadModelEx(writeQuads(dir, "batch.mqo", 12000).c_str(), 1.0, &options);
    EXPECT_EQ(m, nullptr);
    EXPECT_EQ(report.result, MQO_LOAD_OUT_OF_MEMORY);
    EXPECT_EQ(fakegl::callsNamed({"glGenBuffersARB"}).size(), fakegl::deletedBuffers().size());
#endif
}

TEST(OutOfMemory, AnImageBlockThatCannotBeHadGivesNullAndTheWidthRead) {
#ifndef MQO_TESTS_ASAN
    GTEST_SKIP() << "needs the sanitizer's allocator to fail large allocations";
#else
    fakegl::reset();
    readerfiles::TempDir dir;
    // 1024 x 1024 needs a 4 MB block; the file is large enough for that
    // block to pass the size check, so only the allocation fails.
    std::string bmp(300 * 1024, '\0');
    bmp[0] = 'B';
    bmp[1] = 'M';
    bmp[10] = 54;
    bmp[14] = 40;
    bmp[19] = 4;  // width 1024
    bmp[23] = 4;
    bmp[26] = 1;
    bmp[28] = 24;
    std::string path = dir.file("big.bmp");
    ASSERT_TRUE(testsupport::writeFile(path, bmp));
    std::vector<char> name(path.begin(), path.end());
    name.push_back('\0');
    int size = -7;
    EXPECT_EQ(mqoReadTextureImage(name.data(), nullptr, &size, 255), nullptr);
    EXPECT_EQ(size, 1024);
#endif
}
