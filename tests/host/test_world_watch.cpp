// The run statistics follow the world from outside: the hearts the watch
// counts as burst must be the ones the world's own collision pass bursts.
#include <gtest/gtest.h>

#include <cstdlib>

#include "host/RunStats.h"
#include "world/VDMain.h"

namespace {

// A world with a pool of hearts, an archer far away and the arrow in flight,
// without any GL resources.
struct WatchedWorld : ::testing::Test {
    VDMAIN world;
    void SetUp() override {
        world.SETNUMHEARTS = 20;
        world.numHearts = 40;
        world.hearts = new ONEHEART[40];
        world.dovel = new ONEDOVEL;
        world.dovel->pos = VECTOR3D{0.0f, 50.0f, -20.0f};
        world.HEARTCOLLISIONS = false;
        world.arrow.pos = VECTOR3D{0.0f, 0.0f, -10.0f};
    }
    void Place(int slot, VECTOR3D pos, int32_t size, int32_t state) {
        ONEHEART& h = world.hearts[slot];
        h.active = true;
        h.pos = pos;
        h.size = size;
        h.state = state;
        h.rise = 2.0f;
    }
    int WholeHearts() const {
        int n = 0;
        for (int i = 0; i < world.numHearts; ++i) n += world.hearts[i].active && world.hearts[i].state == 0;
        return n;
    }
};

TEST_F(WatchedWorld, CountsExactlyTheHeartsTheArrowBursts) {
    srand(11);
    const VECTOR3D a = world.arrow.pos;
    Place(0, VECTOR3D{a.x + 1.0f, a.y, a.z}, 0, kWholeHeart);         // 1.0 < 1.2: bursts
    Place(1, VECTOR3D{a.x + 0.7f, a.y, a.z}, 4, kWholeHeart);         // 0.49 > 0.32: stays
    Place(2, VECTOR3D{a.x, a.y - 0.5f, a.z}, 4, kWholeHeart);         // 0.25 < 0.32: bursts
    Place(3, VECTOR3D{a.x, a.y, a.z + 0.2f}, 7, kFragment);           // fragments never burst
    Place(4, VECTOR3D{a.x + 1.35f, a.y, a.z}, 0, kWholeHeart);        // outside the box: stays
    Place(5, VECTOR3D{a.x + 0.9f, a.y + 0.5f, a.z}, 1, kWholeHeart);  // 1.06 > 0.98: stays
    world.arrow.active = false;

    WorldWatch watch;
    watch.Observe(world);
    world.arrow.active = true;  // loosed in this frame
    int wholeBefore = WholeHearts();
    world.CheckCollisions();
    watch.Observe(world);
    EXPECT_EQ(watch.arrowsLoosed, 1);
    EXPECT_EQ(watch.heartsBurst, wholeBefore - WholeHearts());
    EXPECT_EQ(watch.heartsBurst, 2);
}

TEST_F(WatchedWorld, TheArchersPushComesFirst) {
    srand(12);
    world.dovel->pos = world.arrow.pos;  // the archer holds the heart off before the arrow reaches it
    Place(0, VECTOR3D{world.arrow.pos.x + 0.5f, world.arrow.pos.y, world.arrow.pos.z}, 0, kWholeHeart);
    world.arrow.active = true;
    WorldWatch watch;
    watch.Observe(world);
    world.CheckCollisions();
    watch.Observe(world);
    EXPECT_EQ(WholeHearts(), 1);
    EXPECT_EQ(watch.heartsBurst, 0);
    EXPECT_EQ(watch.arrowsLoosed, 0) << "the arrow was already in flight";
}

}  // namespace
