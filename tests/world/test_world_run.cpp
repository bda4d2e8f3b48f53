// The whole world running on the shipped packs: its random draws come in
// their set order from one seed, and over half a minute the archer flies and shoots, an arrow bursts
// a heart and the pool keeps its number.
#include <GL/gl.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "tests/world/WorldTestSupport.h"
#include "world/GLStuff.h"

namespace {

int CountFragments(const VDMAIN& world) {
    int n = 0;
    for (int i = 0; i < world.numHearts; ++i)
        n += world.hearts[i].active && world.hearts[i].state == kFragment;
    return n;
}

// The first frame of a seeded world, drawn again here from the rules, in
// their order: the set-up's side bit; the archer's entry (depth, height, the
// entry target's x) and its first flight target (r1, r2, r3 until one lies
// in view); the first spawn check's two hearts (colour, class, depth,
// column, rise, spin, turn) and the next check's delay. Then a fragment's
// draws (colour, r1, r2, r3 for its velocity, class, rise, spin, turn). The
// golden values of this seed were worked out once from the same rules.
TEST_F(WorldTest, TheFirstFrameDrawsItsRandomNumbersInTheirOrder) {
    ASSERT_TRUE(SetupWorld());
    Frames(1);
    const ONEDOVEL& archer = *world.dovel;
    srand(kWorldSeed);
    const bool side = (rand() & 1) == 0;  // flipped by the entry
    const float z = static_cast<float>((rand() % 350) / -10.0 - 7.0);
    const VECTOR3D b = GetBounds(VECTOR3D{0.0f, 0.0f, z});
    double y = (-2.0f - b.y) + ((rand() % (static_cast<int>(2.0 * b.y) * 10)) / 10.0 + 1.0);
    const float entryY = static_cast<float>(std::min(y, b.y - 8.0));
    rand();  // the entry target's x, replaced at once by the flight target
    VECTOR3D target;
    do {
        int r1 = rand(), r2 = rand(), r3 = rand();
        target = VECTOR3D{static_cast<float>(r3 % 40 - 20), static_cast<float>((r2 % 10) + entryY - 5.0),
                          static_cast<float>(-7 - r1 % 33)};
    } while (!PointInFrustum(target));
    EXPECT_EQ(archer.side, side);
    EXPECT_TRUE(CompareVectors(archer.pos, VECTOR3D{side ? -5.0f - b.x : b.x + 5.0f, entryY, z}));
    EXPECT_TRUE(CompareVectors(archer.target, target));
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        const ONEHEART& h = world.hearts[i];
        EXPECT_EQ(h.col.z, static_cast<float>((rand() % 100) / 100.0));
        EXPECT_EQ(h.size, rand() % 5);
        const float hz = static_cast<float>((rand() % 500) / -10.0 - 7.0);
        const VECTOR3D hb = GetBounds(VECTOR3D{0.0f, 0.0f, hz});
        const float hx = static_cast<float>(rand() % static_cast<int>(2.0 * (hb.x + 1.0f))) - hb.x;
        EXPECT_TRUE(h.pos.z == hz && h.pos.x == hx) << h.pos.x << " " << h.pos.z;
        EXPECT_EQ(h.rise, rand() % 10 + 1);
        EXPECT_EQ(h.spin.y, rand() % 40 - 20);
        EXPECT_FLOAT_EQ(h.rot.y, static_cast<float>(rand() % 360) + static_cast<float>(kStep) * h.spin.y);
    }
    EXPECT_FALSE(world.hearts[2].active);
    EXPECT_EQ(world.spawnTimer, static_cast<float>((rand() % 25) / 100.0));
    // Golden values of the seed.
    EXPECT_FLOAT_EQ(archer.pos.z, -39.7f);
    EXPECT_FLOAT_EQ(world.hearts[0].pos.z, -42.5f);

    srand(kWorldSeed);
    world.AddHeart(kFragment, 4, VECTOR3D{1.0f, 2.0f, -9.0f});
    srand(kWorldSeed);
    for (int i = 2; i < 6; ++i) {
        SCOPED_TRACE(i);
        const ONEHEART& f = world.hearts[i];
        EXPECT_EQ(f.col.z, static_cast<float>((rand() % 100) / 100.0));
        int r1 = rand(), r2 = rand(), r3 = rand();
        EXPECT_TRUE(CompareVectors(f.vel, VECTOR3D{static_cast<float>((r3 % 400 - 200) / 50.0),
                                                   static_cast<float>((r2 % 500 - 200) / 50.0),
                                                   static_cast<float>((r1 % 400 - 200) / 50.0)}));
        EXPECT_EQ(f.size, rand() % 5 + 5);
        EXPECT_EQ(f.rise, rand() % 10 + 1);
        EXPECT_EQ(f.spin.y, rand() % 80 - 40);
        EXPECT_EQ(f.rot.y, rand() % 360);
    }
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
