// The fixture of the reader tests over the recording fake GL: the library
// started afresh for each test, and a folder for its documents.
#ifndef MQO_TESTS_SUPPORT_READER_FIXTURE_H
#define MQO_TESTS_SUPPORT_READER_FIXTURE_H

#include <gtest/gtest.h>

#include <string>

#include "mqo/MqoModelStages.h"
#include "support/fake_gl.h"
#include "support/reader_files.h"

class ReaderFixture : public ::testing::Test {
protected:
    void SetUp() override {
        fakegl::reset();
        mqoInitLibrary();
        fakegl::clear();
    }
    void TearDown() override { mqoCleanupLibrary(); }

    readerfiles::TempDir dir;

    // Loads text as a document; the model is freed by the fixture's caller.
    MeshModel* load(const std::string& text, double scale = 1.0) {
        return mqoLoadModel(dir.write("doc.mqo", text).c_str(), scale);
    }
};

#endif  // MQO_TESTS_SUPPORT_READER_FIXTURE_H
