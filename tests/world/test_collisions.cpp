// The three kinds of contact, each at its threshold, with the archer parked
// far away unless it is the subject.
#include "tests/world/WorldTestSupport.h"

namespace {

class CollisionTest : public WorldTest {
protected:
    void SetUp() override {
        WorldTest::SetUp();
        ASSERT_TRUE(SetupWorld());
        ClearHearts();
        world.dovel->pos = VECTOR3D{100.0f, 100.0f, 100.0f};
        world.arrow.active = false;
    }
    bool Bounced(int i, int j) { return world.hearts[i].lastHit == j && world.hearts[j].lastHit == i; }
};

TEST_F(CollisionTest, HeartsBounceWithinTheBoxAndTheSumOfTheirReaches) {
    PlaceHeart(0, {0.0f, 0.0f, -20.0f}, 0, 2.0f);
    PlaceHeart(1, {1.0f, 0.0f, -20.0f}, 0, 4.0f);  // 1.0 < 2.2
    PlaceHeart(2, {10.0f, 0.0f, -20.0f});
    PlaceHeart(3, {11.2f, 0.0f, -20.0f});  // 1.44 < 2.2, but 1.2 is outside the box
    PlaceHeart(4, {20.0f, 0.0f, -20.0f});
    PlaceHeart(5, {20.9f, 0.9f, -20.0f});  // 1.62 < 2.2
    PlaceHeart(6, {30.0f, 0.0f, -20.0f}, 4);
    PlaceHeart(7, {31.0f, 0.0f, -20.0f}, 4);  // 1.0 > 2 x 0.26
    world.CheckCollisions();
    EXPECT_TRUE(Bounced(0, 1));
    EXPECT_TRUE(CompareVectors(world.hearts[1].vel, VECTOR3D{3.0f, 0.0f, 0.0f}));  // apart at the mean rise
    EXPECT_TRUE(CompareVectors(world.hearts[0].vel, VECTOR3D{-3.0f, 0.0f, 0.0f}));
    EXPECT_EQ(world.hearts[2].lastHit, kNoSlot);
    EXPECT_TRUE(Bounced(4, 5));
    EXPECT_EQ(world.hearts[6].lastHit, kNoSlot);

    // The pair is not tested again until one of them bounces off a third.
    world.hearts[0].vel = world.hearts[1].vel = VECTOR3D{};
    world.CheckCollisions();
    EXPECT_FLOAT_EQ(world.hearts[0].vel.x, 0.0f);
    PlaceHeart(8, {-0.5f, 0.0f, -20.0f});
    world.CheckCollisions();
    EXPECT_TRUE(Bounced(0, 8));
    EXPECT_EQ(world.hearts[1].lastHit, 0);

    // Two fragments pass through each other; so does everything when
    // collisions are off.
    PlaceHeart(9, {40.0f, 0.0f, -20.0f}).state = kFragment;
    PlaceHeart(10, {40.5f, 0.0f, -20.0f}).state = kFragment;
    world.HEARTCOLLISIONS = false;
    PlaceHeart(11, {50.0f, 0.0f, -20.0f});
    PlaceHeart(12, {50.5f, 0.0f, -20.0f});
    world.CheckCollisions();
    EXPECT_EQ(world.hearts[11].lastHit, kNoSlot);
    world.HEARTCOLLISIONS = true;
    world.CheckCollisions();
    EXPECT_EQ(world.hearts[9].lastHit, kNoSlot);
    EXPECT_TRUE(Bounced(11, 12));
}

TEST_F(CollisionTest, TheArcherPushesHeartsAwayAndNothingElseTouchesThemThatFrame) {
    world.dovel->pos = VECTOR3D{0.0f, 0.0f, -20.0f};
    world.dovel->flySpeed = 5.0f;
    PlaceHeart(0, {0.0f, 2.0f, -20.0f}, 0, 2.0f);  // 4.0 < 5.1
    world.arrow.active = true;                     // on heart 0, which the push takes first
    world.arrow.pos = world.hearts[0].pos;
    PlaceHeart(2, {-2.0f, 0.0f, -20.0f}, 0, 8.0f);
    PlaceHeart(3, {0.0f, 0.0f, -17.8f}, 4);  // 4.84 > 5.1 - 0.84
    world.CheckCollisions();
    EXPECT_FLOAT_EQ(world.hearts[0].vel.y, 5.0f);   // the archer's speed beats a rise of 2
    EXPECT_FLOAT_EQ(world.hearts[2].vel.x, -8.0f);  // a rise of 8 beats the archer
    EXPECT_FLOAT_EQ(world.hearts[3].vel.z, 0.0f);
    EXPECT_TRUE(world.hearts[0].active && world.heartsBurst == 0)
        << "the arrow does not touch a pushed heart";
}

TEST_F(CollisionTest, TheArrowBurstsWholeHeartsIntoFragmentsAndFliesOn) {
    world.arrow.active = true;
    world.arrow.pos = VECTOR3D{0.0f, 0.0f, -20.0f};
    PlaceHeart(0, {1.0f, 0.0f, -20.0f}, 0);    // 1.0 < 1.2
    PlaceHeart(1, {0.0f, 0.56f, -20.0f}, 4);   // 0.3136 < 0.32
    PlaceHeart(2, {0.0f, -0.57f, -20.0f}, 4);  // 0.3249 > 0.32
    PlaceHeart(3, {0.0f, 0.0f, -20.5f}).state = kFragment;
    world.dovel->targetHeart = 40;  // never used for fragments
    world.CheckCollisions();
    // A burst frees its slot, and the first of its fragments takes it.
    EXPECT_TRUE(world.hearts[0].state == kFragment && world.hearts[0].pos.x == 1.0f);
    EXPECT_TRUE(world.hearts[1].state == kFragment && world.hearts[1].pos.y == 0.56f);
    // Beyond its reach a heart stays whole; a fragment stays; the arrow flies on.
    EXPECT_TRUE(world.hearts[2].state == kWholeHeart && world.hearts[3].active && world.arrow.active);
    EXPECT_EQ(world.heartsBurst, 2);
    // Two bursts of 200 x 0.1 + 5 fragments each, in the first free slots.
    EXPECT_EQ(FragmentsPerBurst(200), 25);
    EXPECT_EQ(FragmentsPerBurst(100), 15);
    int fragments = 0;
    for (int i = 0; i < world.numHearts; ++i) {
        const ONEHEART& h = world.hearts[i];
        if (!h.active || h.state != kFragment || i == 3) continue;
        ++fragments;
        EXPECT_TRUE(h.size >= 5 && h.size <= 9) << i << ": " << h.size;
        EXPECT_TRUE(h.vel.y >= -4.0f && h.vel.y < 6.0f) << i << ": " << h.vel.y;
    }
    EXPECT_EQ(fragments, 50);
    EXPECT_FALSE(world.hearts[40].active);
    // The fragments under the arrow and the heart beyond its reach add none.
    world.CheckCollisions();
    EXPECT_EQ(world.heartsBurst, 2);
}

}  // namespace
