// The run statistics take the world's own running totals and count its live
// heart slots; -stats prints them as they were taken.
#include <gtest/gtest.h>

#include <string>

#include "host/view/RunStats.h"
#include "world/VDMain.h"

namespace {

TEST(RunStats, CopiesTheWorldsTotalsAndAveragesItsLiveSlots) {
    VDMAIN world;  // a heart pool and nothing else: no GL resources
    world.numHearts = 6;
    world.hearts = new ONEHEART[6];
    RunStats stats;
    world.hearts[0].active = world.hearts[1].active = true;
    world.hearts[1].state = kFragment;  // fragments are live slots too
    world.arrowsLoosed = 1;
    stats.ObserveWorld(world);
    for (int i = 0; i < 6; ++i) world.hearts[i].active = true;
    world.arrowsLoosed = 2;
    world.heartsBurst = 3;
    stats.ObserveWorld(world);
    EXPECT_TRUE(stats.heartsLiveFrames == 2 && stats.heartsLiveSum == 8.0);
    EXPECT_EQ(stats.arrowsLoosed, 2) << "running totals are taken, not added up";
    EXPECT_EQ(stats.heartsBurst, 3);
    std::string json = stats.ToJson();
    for (const char* key : {"\"hearts_live_mean\":4.000,", "\"arrows_loosed\":2,", "\"hearts_burst\":3,"})
        EXPECT_NE(json.find(key), std::string::npos) << key << " in " << json;

    // A world whose pool is gone has no live slots.
    world.Cleanup();
    stats.ObserveWorld(world);
    EXPECT_TRUE(stats.heartsLiveFrames == 3 && stats.heartsLiveSum == 8.0);
}

}  // namespace
