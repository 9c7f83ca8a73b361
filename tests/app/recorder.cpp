// The command recorder: the buffer in process, and the registration of the
// exit-time viewer through small script programs run as child processes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "commands.h"
#include "platform.h"
#include "support/temp_dir.h"
#include "viewer.h"

// This test binary records through appendCommand only, so nothing registers
// a viewer here; playback is linked in but never runs.
void viewerMain(void) {}
void onDisplay(void) {}
void sleepMilliseconds(int) {}

namespace {

struct ChildResult {
    int status = -1;  // exit status, or -1 when it did not exit normally
    std::string out;
    std::string err;
};

// Runs a program with its standard streams in files; withoutDisplay removes
// DISPLAY so that a window, if one were opened, could not be.
ChildResult runChild(std::vector<std::string> args, bool withoutDisplay = false) {
    testsupport::TempDir dir("app_recorder");
    if (dir.path().empty()) return {};
    std::string outPath = dir.file("out"), errPath = dir.file("err");
    pid_t pid = fork();
    if (pid == 0) {
        int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(out, 1);
        dup2(err, 2);
        if (withoutDisplay) unsetenv("DISPLAY");
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    ChildResult r;
    int status = 0;
    if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status))
        r.status = WEXITSTATUS(status);
    r.out = testsupport::readFile(outPath);
    r.err = testsupport::readFile(errPath);
    return r;
}

class Recorder : public ::testing::Test {
protected:
    void SetUp() override { commandBuffer.count = 0; }
};

TEST_F(Recorder, StoresLettersInCallOrder) {
    for (char c : std::string("mjtw")) appendCommand(c);
    ASSERT_EQ(commandBuffer.count, 4);
    EXPECT_EQ(std::string(commandBuffer.codes, 4), "mjtw");
}

TEST_F(Recorder, TenThousandFitSilentlyAndTheNextIsDroppedWithOneMessage) {
    ::testing::internal::CaptureStderr();
    for (int i = 0; i < COMMAND_CAPACITY - 1; ++i) appendCommand('m');
    appendCommand('t');
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    ASSERT_EQ(commandBuffer.count, 10000);
    EXPECT_EQ(commandBuffer.codes[9999], 't');

    ::testing::internal::CaptureStderr();
    appendCommand('w');
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Too many codes\n");
    EXPECT_EQ(commandBuffer.count, 10000);
    EXPECT_EQ(commandBuffer.codes[9999], 't');

    ::testing::internal::CaptureStderr();
    appendCommand('w');
    appendCommand('j');
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Too many codes\nToo many codes\n");
    EXPECT_EQ(commandBuffer.count, 10000);
}

TEST(RecorderProgram, DemoScriptRecords28LettersAndTheViewerAppendsAWait) {
    ChildResult r = runChild({APP_DEMO_PROBE});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              "viewer: run 1 count 28 codes ttttmmmttmmmttmmmttmmmtttttt\n"
              "after wait: run 1 count 29 codes ttttmmmttmmmttmmmttmmmttttttw\n");
    EXPECT_EQ(r.err, "");
}

TEST(RecorderProgram, EachCommandRecordsItsLetterAndTheViewerRunsOnceAfterMain) {
    ChildResult r = runChild({APP_SCRIPT_PROBE, "each"});
    EXPECT_EQ(r.status, 0);
    // One run only: neither the later calls nor the viewer's own wait
    // register the viewer again.
    EXPECT_EQ(r.out,
              "viewer: run 1 count 4 codes mjtw\n"
              "after wait: run 1 count 5 codes mjtww\n");
    EXPECT_EQ(r.err, "main returns\n");
}

TEST(RecorderProgram, AFullBufferDropsTheViewersFinalWait) {
    ChildResult r = runChild({APP_SCRIPT_PROBE, "walk", "10000"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              "viewer: run 1 count 10000 last m\n"
              "after wait: run 1 count 10000 last m\n");
    EXPECT_EQ(r.err, "main returns\nToo many codes\n");
}

TEST(RecorderProgram, The10001stCommandPrintsOnceAndTheScriptGoesOn) {
    ChildResult r = runChild({APP_SCRIPT_PROBE, "walk", "10001"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              "viewer: run 1 count 10000 last m\n"
              "after wait: run 1 count 10000 last m\n");
    EXPECT_EQ(r.err, "Too many codes\nmain returns\nToo many codes\n");
}

TEST(RecorderProgram, OneSlotLeftTakesTheViewersWait) {
    ChildResult r = runChild({APP_SCRIPT_PROBE, "walk", "9999"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              "viewer: run 1 count 9999 last m\n"
              "after wait: run 1 count 10000 last w\n");
    EXPECT_EQ(r.err, "main returns\n");
}

TEST(RecorderProgram, AScriptWithoutCommandsRegistersNoViewer) {
    ChildResult r = runChild({APP_SCRIPT_PROBE});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "main returns\n");
}

TEST(RecorderProgram, AScriptWithoutCommandsOpensNoWindowWithTheRealViewer) {
    // Without a display the real viewer could only fail ("failed to open
    // display", status 1); a clean status 0 and silence mean it never ran.
    ChildResult r = runChild({APP_NO_COMMANDS}, true);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
}

}  // namespace
