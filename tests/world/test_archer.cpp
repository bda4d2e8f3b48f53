// The archer's entry, flights, choice of a heart, a whole shot with its bow
// states, the wing beat, and the arrow's straight path out of the view.
#include <cmath>
#include <cstring>

#include "tests/world/WorldTestSupport.h"
#include "world/GLStuff.h"

namespace {

class ArcherTest : public WorldTest {
protected:
    ONEDOVEL* archer = nullptr;
    void SetUp() override {
        WorldTest::SetUp();
        ASSERT_TRUE(SetupWorld());
        archer = world.dovel;
    }
};

TEST_F(ArcherTest, EntersBesideTheViewOnAlternateSidesAndFliesToTargetsInView) {
    for (int entry = 0; entry < 20; ++entry) {
        bool side = archer->side;
        archer->action = kActionEnter;
        world.MoveDovel(kStep, 0.0);
        EXPECT_NE(archer->side, side);
        VECTOR3D b = GetBounds(VECTOR3D{0.0f, 0.0f, archer->pos.z});
        EXPECT_TRUE(archer->pos.z <= -7.0f && archer->pos.z >= -41.9f - 1e-4f) << archer->pos.z;
        EXPECT_FLOAT_EQ(archer->pos.x, archer->side ? -5.0f - b.x : b.x + 5.0f);
        EXPECT_TRUE(archer->pos.y <= b.y - 8.0f + 1e-5f && archer->pos.y >= -b.y - 1.0f - 1e-5f)
            << archer->pos.y;
        EXPECT_FALSE(PointInFrustum(archer->pos));
        // Then it flies at full speed to a target in view.
        EXPECT_TRUE(archer->action == kActionFly && archer->flySpeed == 5.0f &&
                    PointInFrustum(archer->target));
    }
    // A flight ends within a squared distance of 5.0 of its target; then one
    // arrival in three (the draw r % 3 being 1) turns into a shot.
    ClearHearts();
    PlaceHeart(9, {0.0f, 0.0f, -20.0f}, 0, 1.0f);
    int shots = 0;
    for (unsigned seed = 1; seed <= 12; ++seed) {
        archer->SetAction(kActionFly, &world);
        archer->flySpeed = 0.0f;
        VECTOR3D goal = archer->target;
        archer->pos = AddVectors(goal, VECTOR3D{0.0f, 0.0f, std::sqrt(5.1f)});
        archer->Move(kStep, 0.0, &world);
        EXPECT_TRUE(archer->action == kActionFly && CompareVectors(archer->target, goal))
            << "still on its way";
        archer->pos = AddVectors(goal, VECTOR3D{0.0f, 0.0f, std::sqrt(4.9f)});
        srand(seed);
        bool shoot = rand() % 3 == 1;
        srand(seed);
        archer->Move(kStep, 0.0, &world);
        EXPECT_EQ(archer->action, shoot ? kActionShoot : kActionFly) << seed;
        shots += shoot;
    }
    EXPECT_TRUE(shots > 0 && shots < 12) << "both outcomes were tried";
    // Arriving with an arrow in flight never starts a shot.
    world.arrow.active = true;
    for (int arrival = 0; arrival < 30; ++arrival) {
        VECTOR3D old = archer->target;
        archer->pos = archer->target;
        archer->Move(kStep, 0.0, &world);
        EXPECT_EQ(archer->action, kActionFly);
        EXPECT_FALSE(CompareVectors(old, archer->target));
    }
}

TEST_F(ArcherTest, BothSearchesOfSetActionEndWhenNothingQualifies) {
    // No slow whole heart among the first SETNUMHEARTS slots: fly on.
    ClearHearts();
    PlaceHeart(world.SETNUMHEARTS, {0.0f, 0.0f, -20.0f}, 0, 1.0f);  // beyond the choice
    PlaceHeart(3, {0.0f, 0.0f, -20.0f}, 0, 5.0f);                   // too fast
    PlaceHeart(4, {0.0f, 0.0f, -20.0f}, 7, 1.0f).state = kFragment;
    archer->SetAction(kActionShoot, &world);
    EXPECT_TRUE(archer->action == kActionFly && archer->targetHeart == kNoSlot) << archer->targetHeart;
    PlaceHeart(5, {0.0f, 0.0f, -20.0f}, 2, 3.0f);
    archer->SetAction(kActionShoot, &world);
    EXPECT_TRUE(archer->action == kActionShoot && archer->targetHeart == 5 && archer->bowState == kBowAiming);

    // A view that holds no point of the drawn range (no frustum yet).
    std::memset(frustum, 0, sizeof(frustum));
    archer->SetAction(kActionFly, &world);
    SetSceneCamera(width, height);
    ExtractFrustum();
    EXPECT_TRUE(archer->action == kActionFly && PointInFrustum(archer->target));
}

TEST_F(ArcherTest, AShotCoastsAimsNocksLoosesAndFliesOn) {
    ClearHearts();
    PlaceHeart(7, {2.0f, -1.0f, -25.0f}, 0, 1.0f);
    archer->pos = VECTOR3D{-3.0f, 0.0f, -20.0f};
    archer->SetAction(kActionFly, &world);
    archer->SetAction(kActionShoot, &world);
    ASSERT_EQ(archer->action, kActionShoot);
    ASSERT_EQ(archer->targetHeart, 7);

    // The action runs before the animation advances: it sees the clock the
    // previous frame left, and the bow hand posed by the previous frame.
    double t = 0.0, haltedAt = -1.0;
    float seenBefore = archer->currentTime;
    int nockedAt = -1, loosedAt = -1;
    for (int frame = 0; archer->action == kActionShoot && frame < 600; ++frame) {
        int bow = archer->bowState;
        float seen = archer->currentTime;
        MATRIX hand = BowHandMatrix(archer);
        world.MoveDovel(kStep, t += kStep);
        // While shooting it aims one unit above the heart.
        EXPECT_TRUE(archer->action != kActionShoot || std::fabs(archer->target.y) < 1e-5f)
            << archer->target.y;
        if (haltedAt < 0.0 && archer->flySpeed == 0.0f) haltedAt = t;
        if (bow == kBowAiming && archer->bowState == kBowNocked) {
            nockedAt = frame;
            EXPECT_TRUE(seen >= 750.0f && seenBefore < 750.0f) << seenBefore << " " << seen;
        }
        if (bow != kBowLoosed && archer->bowState == kBowLoosed) {
            loosedAt = frame;
            EXPECT_TRUE(seen >= 1416.6667f && seenBefore < 1416.6667f) << seenBefore << " " << seen;
            // The arrow leaves the bow hand along the archer's heading, and
            // has made one step since.
            EXPECT_TRUE(world.arrow.active);
            EXPECT_NEAR(VectorLength(world.arrow.vel), 25.0, 1e-3);
            EXPECT_NEAR(VectorDotProduct(world.arrow.vel, archer->heading), 25.0, 1e-3);
            VECTOR3D held = MatrixPointMultiply(hand, VECTOR3D{0.0f, 0.0f, 0.7f});
            VECTOR3D nock = AddVectors(MatrixPointMultiply(archer->orient, held), archer->pos);
            VECTOR3D back = SubtractVectors(world.arrow.pos, ScaleVector(world.arrow.vel, kStep));
            EXPECT_LT(DistanceBetweenVectors(back, nock), 1e-8);
        }
        seenBefore = seen;
    }
    EXPECT_NEAR(haltedAt, 2.0, 1.5 * kStep);  // 5.0 - 2.5 t
    EXPECT_TRUE(nockedAt > 0 && loosedAt > nockedAt) << nockedAt << " " << loosedAt;
    // The shot animation reached its end: it flies on at full speed.
    EXPECT_TRUE(archer->action == kActionFly && archer->flySpeed == 5.0f);
    EXPECT_EQ(world.arrowsLoosed, 1) << "one shot looses one arrow";
    // Flight: frames 2 to 14 looping at speed 100; the shot: 14 to 40 once at 500.
    auto expectAnimation = [this](double first, double last, float speed, bool looping) {
        const double frameMs = 1000.0 / archer->animationFPS;
        EXPECT_NEAR(archer->startTime, first * frameMs, 1e-3);
        EXPECT_NEAR(archer->endTime, last * frameMs, 1e-3);
        EXPECT_TRUE(archer->speed == speed && archer->looping == looping);
    };
    expectAnimation(2.0, 14.0, 100.0f, true);
    archer->SetAction(kActionShoot, &world);
    expectAnimation(14.0, 40.0, 500.0f, false);
}

TEST_F(ArcherTest, TheWingsBeatInOppositeSensesAndBothTurnsFaceTheTarget) {
    int n = archer->numJoints;
    world.MoveDovel(kStep, 0.0);
    EXPECT_FLOAT_EQ(archer->skeleton[n - 2].animRotation.y, 0.0f);
    world.MoveDovel(kStep, kPi * kPi / 80.0);
    EXPECT_FLOAT_EQ(archer->skeleton[n - 2].animRotation.y, -45.0f);
    EXPECT_FLOAT_EQ(archer->skeleton[n - 3].animRotation.y, 45.0f);
    MATRIX expected = QuatToRotationMatrix(RotationToQuat(VECTOR3D{0.0f, 45.0f, 0.0f}));
    for (int k = 0; k < 16; ++k) EXPECT_NEAR(archer->skeleton[n - 3].animMatrix.m[k], expected.m[k], 1e-9);

    archer->pos = VECTOR3D{0.0f, 0.0f, -20.0f};
    archer->target = VECTOR3D{3.0f, 4.0f, -20.0f};
    archer->turn = 0.0f;
    archer->QuatTurnToTarget(0.05f, 1.0);
    EXPECT_FLOAT_EQ(archer->turn, 0.05f);
    for (int i = 0; i < 2000; ++i) archer->QuatTurnToTarget(0.05f, kStep * 10);
    EXPECT_GT(VectorDotProduct(archer->heading, VECTOR3D{0.6f, 0.8f, 0.0f}), 0.999);
    archer->target = VECTOR3D{0.0f, -5.0f, -25.0f};
    archer->TurnToTarget(-1.0f, kStep);
    EXPECT_GT(VectorDotProduct(archer->heading, NormalizeVector(VECTOR3D{0.0f, -5.0f, -5.0f})), 0.999);
}

TEST_F(ArcherTest, TheArrowFliesStraightUntilItsSphereLeavesTheView) {
    struct Case {
        VECTOR3D from, vel;
        double retiredAfter;  // seconds
    } cases[] = {{{0, 0, -10}, {0, 0, -25}, 111.0 / 25.0}, {{0, 0, -3}, {0, 0, 25}, 0.12}};
    for (const Case& c : cases) {
        ONEARROW arrow;
        arrow.pos = c.from;
        arrow.vel = c.vel;
        arrow.active = true;
        double t = 0.0;
        for (; arrow.active && t < 10.0; t += 0.001) {
            arrow.Move(0.001);
            VECTOR3D axis{float(arrow.orient.m[8]), float(arrow.orient.m[9]), float(arrow.orient.m[10])};
            EXPECT_NEAR(VectorLength(axis), 1.0, 1e-4);
            EXPECT_GT(VectorDotProduct(axis, c.vel), 24.99);
        }
        EXPECT_NEAR(t, c.retiredAfter, 0.0015);
        VECTOR3D at = arrow.pos;
        arrow.Move(1.0);  // a retired arrow stays where it was
        EXPECT_TRUE(CompareVectors(at, arrow.pos));
    }
}

}  // namespace
