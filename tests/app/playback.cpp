// Playback without a window: onIdle's redraw and the wait's sleep land in
// stand-ins below that record what they were asked to do.
#include "playback.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands.h"
#include "platform.h"
#include "viewer.h"

namespace {
std::vector<PlaybackState> drawn;  // the state at each redraw
std::vector<int> sleeps;           // each sleep's milliseconds
}  // namespace

void onDisplay(void) { drawn.push_back(playback); }
void sleepMilliseconds(int milliseconds) { sleeps.push_back(milliseconds); }
// The recorder links against the viewer entry; these tests never record
// through the cmd functions, so it is never registered.
void viewerMain(void) {}

namespace {

const char demoScript[] = "ttttmmmttmmmttmmmttmmmtttttt";

class Playback : public ::testing::Test {
protected:
    void SetUp() override {
        commandBuffer.count = 0;
        playback = initialPlayback;
        drawn.clear();
        sleeps.clear();
    }
    void record(const std::string& letters) {
        for (char c : letters) appendCommand(c);
    }
    // Idle calls until the next step or fetch (the call after which tick is
    // 0); returns how many it took.
    int idleToNextSlot() {
        int calls = 0;
        do {
            onIdle();
            ++calls;
        } while (playback.tick != 0 && calls < 100000);
        return calls;
    }
    void slots(int n) {
        for (int i = 0; i < n; ++i) idleToNextSlot();
    }
};

TEST_F(Playback, FirstIdleCallFetchesTheDemoScriptsFirstTurnAndRedraws) {
    record(demoScript);
    record("w");
    onIdle();
    EXPECT_EQ(playback.scriptPos, 0);
    EXPECT_EQ(playback.motion, 0);
    EXPECT_EQ(playback.yawDeg, 0);
    EXPECT_EQ(playback.heading, 1);
    EXPECT_EQ(playback.step, 0);
    EXPECT_EQ(playback.frame, 0);
    EXPECT_EQ(playback.tick, 0);
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_EQ(drawn[0].motion, 0);
    EXPECT_EQ(drawn[0].heading, 1);
}

TEST_F(Playback, EveryIdleCallRedrawsAndStepsComeEvery51stCall) {
    record("mm");
    EXPECT_EQ(idleToNextSlot(), 1);  // the fetch
    for (int i = 0; i < 19; ++i) {
        int before = playback.step;
        EXPECT_EQ(idleToNextSlot(), 51);
        EXPECT_EQ(playback.step, before + 1);
    }
    EXPECT_EQ(idleToNextSlot(), 51);  // the next walk's fetch
    EXPECT_EQ(playback.scriptPos, 1);
    EXPECT_EQ(drawn.size(), 1u + 20u * 51u);
    EXPECT_TRUE(sleeps.empty());
}

TEST_F(Playback, WaitStepsComeEvery1001stCallAndEachSleeps40ms) {
    record("w");
    EXPECT_EQ(idleToNextSlot(), 1);
    EXPECT_EQ(playback.tickLimit, 1000);
    EXPECT_TRUE(sleeps.empty());  // the fetch does not sleep
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(idleToNextSlot(), 1001);
        EXPECT_EQ(playback.frame, i);
        EXPECT_EQ(sleeps.size(), static_cast<size_t>(i));  // ticks never sleep
    }
    for (int ms : sleeps) EXPECT_EQ(ms, 40);
}

TEST_F(Playback, WaitPlaysIdleFrames0To99WithoutMoving) {
    record("w");
    slots(100);
    EXPECT_EQ(playback.frame, 99);
    EXPECT_EQ(playback.motion, 0);
    EXPECT_EQ(sleeps.size(), 99u);
    EXPECT_EQ(playback.posX, 0.0);
    EXPECT_EQ(playback.posZ, -3000.0);
}

TEST_F(Playback, WalkAtHeading4EndsAtZMinus3760WithFramesInOrder) {
    record("ttttm");
    slots(4 * 6);
    ASSERT_EQ(playback.heading, 4);
    idleToNextSlot();  // the walk's fetch
    EXPECT_EQ(playback.motion, 1);
    EXPECT_EQ(playback.frame, 0);
    for (int i = 1; i <= 19; ++i) {
        idleToNextSlot();
        EXPECT_EQ(playback.frame, i);
        EXPECT_EQ(playback.posZ, -3000.0 - 40.0 * i);
        EXPECT_EQ(playback.posX, 0.0);
    }
    EXPECT_EQ(playback.posY, 100.0);
    EXPECT_EQ(playback.posZ, -3760.0);
}

TEST_F(Playback, DiagonalStepsMove40AlongBothAxes) {
    record("tm");
    slots(6 + 1);
    ASSERT_EQ(playback.heading, 1);
    for (int i = 1; i <= 19; ++i) {
        idleToNextSlot();
        EXPECT_EQ(playback.posX, 40.0 * i);
        EXPECT_EQ(playback.posZ, -3000.0 + 40.0 * i);
    }
}

TEST_F(Playback, RunMoves1160OverFrames0To29) {
    record("j");
    idleToNextSlot();
    EXPECT_EQ(playback.motion, 2);
    EXPECT_EQ(playback.tickLimit, 50);
    slots(29);
    EXPECT_EQ(playback.frame, 29);
    EXPECT_EQ(playback.posZ, -3000.0 + 1160.0);  // heading 0 moves towards +z
}

// The yaw drawn at each slot of n consecutive turns from heading 0.
std::vector<int> turnYaws(int turns) {
    std::vector<int> yaws;
    for (int i = 0; i < turns * 6; ++i) {
        int calls = 0;
        do {
            onIdle();
            ++calls;
        } while (playback.tick != 0);
        yaws.push_back(playback.yawDeg);
        EXPECT_EQ(playback.frame, 0);
        EXPECT_EQ(playback.motion, 0);
    }
    return yaws;
}

TEST_F(Playback, TurnFromHeading0CountsUpInNineDegreeSteps) {
    record("t");
    EXPECT_EQ(turnYaws(1), (std::vector<int>{0, 0, 9, 18, 27, 36}));
    EXPECT_EQ(playback.heading, 1);
    EXPECT_EQ(playback.step, 100);
}

TEST_F(Playback, TurnFromHeading7WrapsToMinus45ThenClimbsToMinus9) {
    record("tttttttt");
    std::vector<int> yaws = turnYaws(8);
    std::vector<int> last(yaws.end() - 6, yaws.end());
    EXPECT_EQ(last, (std::vector<int>{315, -45, -36, -27, -18, -9}));
    EXPECT_EQ(playback.heading, 0);
}

TEST_F(Playback, DragYawSurvivesWalksAndWaitsUntilTheNextTurnButTiltStays) {
    record("tmwt");
    slots(6 + 1);  // the turn, then the walk's fetch
    ASSERT_EQ(playback.yawDeg, 36);
    playback.yawDeg += 20;  // what a drag does
    playback.tiltDeg += -5;
    slots(19 + 1 + 99);  // rest of the walk, all of the wait
    EXPECT_EQ(playback.yawDeg, 56);
    idleToNextSlot();  // the second turn's fetch
    EXPECT_EQ(playback.yawDeg, 45);
    EXPECT_EQ(playback.heading, 2);
    EXPECT_EQ(playback.tiltDeg, -5);
}

TEST_F(Playback, DemoScriptWalksAClosedSquareAndEndsAtHeading0Yaw9Short) {
    record(demoScript);
    record("w");
    double minX = 0, maxX = 0, minZ = -3000, maxZ = -3000;
    int guard = 0;
    while (playback.scriptPos < 28 && guard++ < 10000) {
        idleToNextSlot();
        minX = std::min(minX, playback.posX);
        maxX = std::max(maxX, playback.posX);
        minZ = std::min(minZ, playback.posZ);
        maxZ = std::max(maxZ, playback.posZ);
    }
    ASSERT_EQ(playback.scriptPos, 28);  // the final wait was fetched
    EXPECT_EQ(playback.posX, 0.0);
    EXPECT_EQ(playback.posY, 100.0);
    EXPECT_EQ(playback.posZ, -3000.0);
    EXPECT_EQ(playback.heading, 0);
    EXPECT_EQ(playback.yawDeg, -9);
    EXPECT_EQ(playback.motion, 0);
    EXPECT_EQ(playback.tickLimit, 1000);
    EXPECT_EQ(minX, -2280.0);
    EXPECT_EQ(maxX, 0.0);
    EXPECT_EQ(minZ, -3000.0 - 2280.0);
    EXPECT_EQ(maxZ, -3000.0);
}

TEST_F(Playback, ALastWalkRepeatsForEverWithoutFetching) {
    record("m");
    slots(20);
    EXPECT_EQ(playback.posZ, -3000.0 + 760.0);
    slots(20);  // the repeat's restart, then 19 more steps
    EXPECT_EQ(playback.posZ, -3000.0 + 1520.0);
    EXPECT_EQ(playback.scriptPos, 0);
    EXPECT_EQ(playback.motion, 1);
    EXPECT_EQ(playback.frame, 19);
}

TEST_F(Playback, ALastTurnRepeatsItsStepsWithoutTurningFurther) {
    record("t");
    std::vector<int> yaws = turnYaws(3);
    EXPECT_EQ(yaws,
              (std::vector<int>{0, 0, 9, 18, 27, 36, 36, 0, 9, 18, 27, 36, 36, 0, 9, 18, 27, 36}));
    EXPECT_EQ(playback.heading, 1);
}

TEST_F(Playback, AFinalWaitKeepsPlayingIdleFramesInPlace) {
    record("mw");
    slots(20 + 100);
    EXPECT_EQ(playback.frame, 99);
    idleToNextSlot();
    EXPECT_EQ(playback.frame, 0);
    EXPECT_EQ(playback.motion, 0);
    EXPECT_EQ(playback.tickLimit, 1000);
    idleToNextSlot();
    EXPECT_EQ(playback.frame, 1);
    EXPECT_EQ(playback.posZ, -3000.0 + 760.0);
}

TEST_F(Playback, AnEmptyScriptStandsStillWithoutReadingTheBuffer) {
    slots(5);
    EXPECT_EQ(playback.scriptPos, -1);
    EXPECT_EQ(playback.motion, 1);
    EXPECT_EQ(playback.frame, 0);
    EXPECT_EQ(playback.posZ, -3000.0);
    EXPECT_EQ(drawn.size(), 1u + 4u * 51u);
}

}  // namespace
