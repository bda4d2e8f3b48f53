// The heart pool: spawning, entry below the view, motion, retirement at the
// view's edges, colours and the depth sort.
#include <GL/gl.h>

#include <cmath>

#include "tests/world/WorldTestSupport.h"
#include "world/GLStuff.h"

namespace {

class HeartTest : public WorldTest {
protected:
    void SetUp() override {
        WorldTest::SetUp();
        settings.SETNUMHEARTS = 100;
        ASSERT_TRUE(SetupWorld());
    }
};

TEST_F(HeartTest, SpawnChecksKeepTheSetNumberAliveInAPoolOfTwice) {
    EXPECT_EQ(HeartsPerSpawn(50), 1);
    EXPECT_EQ(HeartsPerSpawn(100), 1);
    EXPECT_EQ(HeartsPerSpawn(250), 2);
    EXPECT_EQ(HeartsPerSpawn(1000), 10);
    world.MoveHearts(kStep);  // the first check comes at once
    EXPECT_EQ(ActiveHearts(), 1);
    EXPECT_TRUE(world.spawnTimer >= 0.0f && world.spawnTimer < 0.25f) << world.spawnTimer;
    // Checks come at most 0.24 s apart and stop once 100 slots live.
    for (int i = 0; i < 200 * 60 && world.liveHearts < 100; ++i) world.MoveHearts(kStep);
    EXPECT_EQ(world.liveHearts, 100);
    world.spawnTimer = -1.0f;
    world.MoveHearts(kStep);
    EXPECT_EQ(ActiveHearts(), 100);

    // Fragments count toward the live hearts: 60 whole hearts and 40
    // fragments hold new hearts back.
    ClearHearts();
    world.AddHeart(kWholeHeart, 60, VECTOR3D{});
    world.AddHeart(kFragment, 40, VECTOR3D{0.0f, 0.0f, -20.0f});
    world.spawnTimer = -1.0f;
    world.MoveHearts(kStep);
    EXPECT_TRUE(world.liveHearts == 100 && ActiveHearts() == 100) << world.liveHearts;

    // AddHeart never takes the archer's target and adds nothing to a full pool.
    ClearHearts();
    world.dovel->targetHeart = 0;
    world.AddHeart(kWholeHeart, 3, VECTOR3D{});
    EXPECT_TRUE(!world.hearts[0].active && world.hearts[1].active && world.hearts[3].active);
    EXPECT_FALSE(world.hearts[4].active);
    world.AddHeart(kFragment, world.numHearts, VECTOR3D{1.0f, 2.0f, -9.0f});
    EXPECT_EQ(ActiveHearts(), world.numHearts - 1);
    EXPECT_TRUE(world.hearts[4].pos.y == 2.0f && world.hearts[4].state == kFragment);
    world.AddHeart(kWholeHeart, 5, VECTOR3D{});
    EXPECT_FALSE(world.hearts[0].active);
}

TEST_F(HeartTest, WholeHeartsEnterJustBelowTheViewAndLiveTheirFirstFrame) {
    for (int n = 0; n < 300; ++n) {
        ONEHEART heart;
        heart.Reset();
        VECTOR3D bounds = GetBounds(VECTOR3D{0.0f, 0.0f, heart.pos.z});
        ASSERT_TRUE(heart.size >= 0 && heart.size <= 4) << heart.size;
        ASSERT_TRUE(heart.pos.z <= -7.0f && heart.pos.z >= -56.9f - 1e-4f) << heart.pos.z;
        EXPECT_NEAR(heart.pos.y, -bounds.y - (1.2 - 0.1 * heart.size), 1e-4);
        EXPECT_TRUE(heart.pos.x >= -bounds.x && heart.pos.x < bounds.x + 2.0f) << heart.pos.x;
        EXPECT_TRUE(SphereInFrustum(heart.pos, static_cast<float>(HeartVisibleRadius(heart.size))));
        EXPECT_TRUE(heart.rise >= 1.0f && heart.rise <= 10.0f) << heart.rise;
    }
}

TEST_F(HeartTest, WholeHeartsEaseBackToTheirRiseAndFragmentsFall) {
    ONEHEART& whole = PlaceHeart(0, {0.0f, 0.0f, -20.0f}, 0, 4.0f);
    whole.vel = VECTOR3D{2.0f, 0.0f, -2.0f};
    whole.spin.y = 10.0f;
    whole.Move(0.5);
    EXPECT_TRUE(CompareVectors(whole.vel, VECTOR3D{1.0f, 2.0f, -1.0f}));
    EXPECT_FLOAT_EQ(whole.pos.y, 1.0f);
    EXPECT_FLOAT_EQ(whole.rot.y, 5.0f);
    ONEHEART& fragment = PlaceHeart(1, {0.0f, 0.0f, -20.0f}, 7);
    fragment.state = kFragment;
    fragment.vel = VECTOR3D{2.0f, 1.0f, 0.0f};
    fragment.Move(0.5);
    EXPECT_TRUE(CompareVectors(fragment.vel, VECTOR3D{2.0f, -1.5f, 0.0f}));
    EXPECT_FLOAT_EQ(fragment.pos.x, 1.0f);
    ONEHEART idle;
    idle.vel.y = 1.0f;
    idle.Move(1.0);
    EXPECT_EQ(idle.pos.y, 0.0f);
}

TEST_F(HeartTest, HeartsAreRetiredTheFirstFrameTheyAreWhollyOutOfView) {
    ClearHearts();
    const float z = -20.0f;
    VECTOR3D b = GetBounds(VECTOR3D{0.0f, 0.0f, z});
    // How far past an edge a heart of radius r may go: r over the plane's
    // normal component along the axis it moves on.
    float top = 1.3f / std::fabs(frustum[3][1]);     // class 0, rising out
    float bottom = 0.8f / std::fabs(frustum[2][1]);  // class 5 fragment, falling out
    float side = 0.8f / std::fabs(frustum[0][0]);    // pushed out at the right
    for (int i = 0; i < 2; ++i) {
        float past = i == 0 ? 0.98f : 1.02f;  // just inside, just outside
        PlaceHeart(i, {0.0f, b.y + top * past, z});
        PlaceHeart(2 + i, {0.0f, -b.y - bottom * past, z}, 5).state = kFragment;
        PlaceHeart(4 + i, {b.x + side * past, 0.0f, z}, 5);
    }
    PlaceHeart(6, {0.0f, 0.0f, -121.5f}, 0);  // beyond the far plane
    world.DrawHearts();
    const bool expected[] = {true, false, true, false, true, false, false};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(world.hearts[i].active, expected[i]) << i;
}

TEST_F(HeartTest, OneHeartInTheCommonColourAndTheDepthOrderOfTransparentHearts) {
    // The comparator orders by ascending z: the farthest heart first.
    ONEHEART a, b;
    a.pos.z = -3.0f;
    b.pos.z = -5.0f;
    EXPECT_EQ(compare_depth(&a, &b), 1);
    EXPECT_EQ(compare_depth(&b, &a), -1);
    EXPECT_EQ(compare_depth(&a, &a), 0);
    // One class-0 heart in the middle of the view, in a plain green.
    world.RANDOMSHADES = false;
    world.heartCol = VECTOR3D{0.0f, 1.0f, 0.0f};
    ClearHearts();
    PlaceHeart(0, {0.0f, 0.0f, -6.0f}, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_TEXTURE_2D);
    world.DrawHearts();
    Rgba centre = ReadPixel(width / 2, height / 2);
    EXPECT_GT(centre.g, 60);
    EXPECT_LT(centre.r, 20);
    EXPECT_EQ(ReadPixel(2, 2).g, 0);
}

}  // namespace
