// The whole world running on the shipped packs: it replays exactly from one
// seed, and over half a minute the archer flies and shoots, an arrow bursts
// a heart and the pool keeps its number.
#include <GL/gl.h>

#include <vector>

#include "tests/world/WorldTestSupport.h"

namespace {

// Where the archer, the arrow and every live heart are.
std::vector<float> Snapshot(const VDMAIN& w) {
    std::vector<float> s = {w.dovel->pos.x, w.dovel->pos.y, w.dovel->pos.z, w.arrow.pos.x, w.arrow.pos.z};
    for (int i = 0; i < w.numHearts; ++i)
        if (w.hearts[i].active)
            s.insert(s.end(), {float(i), w.hearts[i].pos.x, w.hearts[i].pos.y, w.hearts[i].pos.z});
    return s;
}

int CountFragments(const VDMAIN& world) {
    int n = 0;
    for (int i = 0; i < world.numHearts; ++i)
        n += world.hearts[i].active && world.hearts[i].state == kFragment;
    return n;
}

TEST_F(WorldTest, TheSceneReplaysFromOneSeed) {
    ASSERT_TRUE(SetupWorld());
    Frames(400);
    std::vector<float> first = Snapshot(world);
    world.Cleanup();
    srand(kWorldSeed);
    clock = 0.0;
    ASSERT_TRUE(SetupWorld());
    Frames(400);
    EXPECT_TRUE(first == Snapshot(world));
}

// Half a minute of frames: flights and shots come and go, whole hearts stay
// below the set number, a heart put in the path of the first arrow bursts
// into a full set of fragments, the world's totals count the shots and the
// burst, and the hearts are drawn as set.
TEST_F(WorldTest, HalfAMinuteOfFramesWithShotsAndABurst) {
    settings.TRANSPARENTHEARTS = true;
    ASSERT_TRUE(SetupWorld());
    int shots = 0, flights = 0, burstFragments = -1, lastAction = world.dovel->action;
    bool arrowWasActive = false;
    for (int frame = 0; frame < 30 * 60; ++frame) {
        int fragmentsBefore = CountFragments(world);
        Frames(1);
        int fragments = CountFragments(world);
        if (burstFragments < 0 && fragments > fragmentsBefore) burstFragments = fragments - fragmentsBefore;
        if (world.arrow.active && !arrowWasActive && ++shots == 1) {
            int free = 0;
            while (world.hearts[free].active || free == world.dovel->targetHeart) ++free;
            PlaceHeart(free, AddVectors(world.arrow.pos, ScaleVector(world.arrow.vel, 0.1)), 0, 1.0f);
        }
        arrowWasActive = world.arrow.active;
        flights += world.dovel->action == kActionFly && lastAction != kActionFly;
        lastAction = world.dovel->action;
        // Whole hearts are added only while fewer than SETNUMHEARTS slots live.
        ASSERT_LT(ActiveHearts() - fragments, world.SETNUMHEARTS + HeartsPerSpawn(world.SETNUMHEARTS));
    }
    EXPECT_GE(shots, 2);
    EXPECT_GE(flights, 3);
    EXPECT_EQ(burstFragments, FragmentsPerBurst(world.SETNUMHEARTS));
    EXPECT_EQ(world.arrowsLoosed, shots);
    EXPECT_GE(world.heartsBurst, 1);
    // Random shades of red, blended hearts drawn farthest first, and the
    // drawing leaves the state as it found it.
    for (int i = 0; i < world.numHearts; ++i) {
        const ONEHEART& h = world.hearts[i];
        EXPECT_TRUE(!h.active || (h.col.x == 1.0f && h.col.y == 0.0f && h.col.z >= 0.0f && h.col.z <= 0.99f))
            << i;
        EXPECT_TRUE(i == 0 || world.hearts[i - 1].pos.z <= h.pos.z) << i;
    }
    EXPECT_FALSE(glIsEnabled(GL_BLEND) || glIsEnabled(GL_CULL_FACE) || glIsEnabled(GL_TEXTURE_GEN_S));
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(colour[0] + colour[1] + colour[2] + colour[3], 4.0f);
    GLint depth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 1);
}

}  // namespace
