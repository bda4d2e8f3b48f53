// The whole world running on the shipped packs: it replays exactly from one
// seed, and over half a minute the archer flies and shoots, an arrow bursts
// a heart and the pool keeps its number.
#include <vector>

#include "tests/world/WorldTestSupport.h"

namespace {

struct Snapshot {
    std::vector<float> numbers;
    void Add(VECTOR3D v) { numbers.insert(numbers.end(), {v.x, v.y, v.z}); }
};

Snapshot Take(const VDMAIN& world) {
    Snapshot s;
    s.Add(world.dovel->pos);
    s.Add(world.dovel->target);
    s.Add(world.arrow.pos);
    for (int i = 0; i < world.numHearts; ++i) {
        const ONEHEART& h = world.hearts[i];
        s.Add(h.pos);
        s.Add(h.vel);
        s.numbers.push_back(h.active ? float(h.size) : -1.0f);
    }
    return s;
}

TEST_F(WorldTest, TheSceneReplaysFromOneSeed) {
    ASSERT_TRUE(SetupWorld());
    Frames(400);
    Snapshot first = Take(world);
    world.Cleanup();
    srand(kWorldSeed);
    clock = 0.0;
    ASSERT_TRUE(SetupWorld());
    Frames(400);
    EXPECT_TRUE(first.numbers == Take(world).numbers);
}

int CountFragments(const VDMAIN& world) {
    int n = 0;
    for (int i = 0; i < world.numHearts; ++i)
        n += world.hearts[i].active && world.hearts[i].state == kFragment;
    return n;
}

// Half a minute of frames: flights and shots come and go, whole hearts stay
// below the set number, a heart put in the path of the first arrow bursts
// into a full set of fragments, and the world's totals count the shots and
// the burst.
TEST_F(WorldTest, HalfAMinuteOfFramesWithShotsAndABurst) {
    settings.TRANSPARENTHEARTS = true;
    ASSERT_TRUE(SetupWorld());
    int shots = 0, flights = 0, burstFragments = -1;
    bool arrowWasActive = false;
    int lastAction = world.dovel->action;
    for (int frame = 0; frame < 30 * 60; ++frame) {
        int fragmentsBefore = CountFragments(world);
        Frame();
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
}

}  // namespace
