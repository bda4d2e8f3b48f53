// The grid search of the collision pass against the plain all-pairs search:
// from one seed, every frame of a long run must leave every heart, the
// archer and the random sequence exactly as the all-pairs search does.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "tests/world/WorldTestSupport.h"
#include "world/GLStuff.h"

namespace {

constexpr int kShotEvery = 60;
constexpr int kWarmUpFrames = 600;
// Optimised builds compare thousands of frames; unoptimised (sanitizer)
// builds, many times slower at the all-pairs search, a fifth of them.
#ifdef NDEBUG
constexpr int kFrameShare = 5;
#else
constexpr int kFrameShare = 1;
#endif

struct RunDigest {
    std::vector<uint64_t> frames;  // one digest of the world per frame
    int64_t bounces = 0;           // frames in which some lastHit changed
    int64_t bursts = 0;
    int nextRand = 0;  // the random sequence after the run
};

void Mix(uint64_t* h, const void* data, size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < size; ++i) *h = (*h ^ bytes[i]) * 1099511628211ull;
}

void MixVector(uint64_t* h, VECTOR3D v) {
    Mix(h, &v.x, sizeof v.x);
    Mix(h, &v.y, sizeof v.y);
    Mix(h, &v.z, sizeof v.z);
}

uint64_t Digest(const VDMAIN& world) {
    uint64_t h = 14695981039346656037ull;
    for (int i = 0; i < world.numHearts; ++i) {
        const ONEHEART& s = world.hearts[i];
        for (VECTOR3D v : {s.pos, s.rot, s.spin, s.vel, s.col}) MixVector(&h, v);
        Mix(&h, &s.rise, sizeof s.rise);
        Mix(&h, &s.size, sizeof s.size);
        Mix(&h, &s.active, sizeof s.active);
        Mix(&h, &s.state, sizeof s.state);
        Mix(&h, &s.lastHit, sizeof s.lastHit);
    }
    MixVector(&h, world.dovel->pos);
    MixVector(&h, world.arrow.pos);
    return h;
}

class CollisionSearchTest : public WorldTest {
protected:
    // One seeded run of world steps without drawing (the hearts that left
    // the view are retired as drawing would): kWarmUpFrames with the grid,
    // so that the pool is full, then `frames` with `search`, each digested.
    RunDigest Run(HeartSearch search, int64_t hearts, int frames) {
        world.Cleanup();
        srand(kWorldSeed);
        settings.SETNUMHEARTS = hearts;
        RunDigest run;
        if (!SetupWorld()) {
            ADD_FAILURE() << "the world cannot be set up from " << DataDir();
            return run;
        }
        std::vector<int32_t> marks(static_cast<size_t>(world.numHearts));
        double time = 0.0;
        int64_t burstsBefore = 0;
        for (int f = -kWarmUpFrames; f < frames; ++f) {
            world.heartSearch = f < 0 ? HeartSearch::kGrid : search;
            for (int i = 0; i < world.numHearts; ++i) marks[i] = world.hearts[i].lastHit;
            time += kStep;
            // An arrow now and then, wherever the archer faces, so that
            // bursts and their fragments take part in every run.
            if (f % kShotEvery == 0 && !world.arrow.active) world.arrow.Shoot(world.dovel);
            world.MoveDovel(kStep, time);
            world.MoveHearts(kStep);
            for (int i = 0; i < world.numHearts; ++i) {
                ONEHEART& h = world.hearts[i];
                if (h.active && !SphereInFrustum(h.pos, static_cast<float>(HeartVisibleRadius(h.size))))
                    h.active = false;
            }
            if (f < 0) {
                burstsBefore = world.heartsBurst;
                continue;
            }
            run.frames.push_back(Digest(world));
            bool bounced = false;
            for (int i = 0; i < world.numHearts; ++i) bounced |= marks[i] != world.hearts[i].lastHit;
            run.bounces += bounced ? 1 : 0;
        }
        run.bursts = world.heartsBurst - burstsBefore;
        run.nextRand = rand();
        return run;
    }
};

TEST_F(CollisionSearchTest, TheGridHandlesTheSamePairsInTheSameOrderAsAllPairs) {
    struct Case {
        const char* name;
        int64_t hearts;
        int frames;
        int64_t minBouncingFrames;
    };
    // 1000 hearts crowd the view (contacts in most frames); 100 leave it sparse.
    const Case cases[] = {{"dense", 1000, 300 * kFrameShare, 150 * kFrameShare},
                          {"sparse", 100, 600 * kFrameShare, 4 * kFrameShare}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RunDigest grid = Run(HeartSearch::kGrid, c.hearts, c.frames);
        RunDigest reference = Run(HeartSearch::kAllPairs, c.hearts, c.frames);
        ASSERT_EQ(grid.frames.size(), reference.frames.size());
        for (size_t f = 0; f < grid.frames.size(); ++f)
            ASSERT_EQ(grid.frames[f], reference.frames[f]) << "first difference at frame " << f;
        EXPECT_EQ(grid.nextRand, reference.nextRand);
        // The runs must exercise what is compared: bounces and bursts.
        EXPECT_GE(reference.bounces, c.minBouncingFrames);
        EXPECT_GT(reference.bursts, 0);
    }
}

// Fragments of a burst take free slots at once and are met by the hearts
// examined after the burst in the same pass.
TEST_F(CollisionSearchTest, ABurstsFragmentsMeetTheHeartsExaminedLaterInThePass) {
    ASSERT_TRUE(SetupWorld());
    uint64_t digests[2] = {};
    for (HeartSearch search : {HeartSearch::kGrid, HeartSearch::kAllPairs}) {
        ClearHearts();
        srand(kWorldSeed);
        world.heartSearch = search;
        world.dovel->pos = VECTOR3D{100.0f, 100.0f, 100.0f};
        world.dovel->targetHeart = kNoSlot;
        world.arrow.active = true;
        world.arrow.pos = VECTOR3D{0.0f, 0.0f, -20.0f};
        PlaceHeart(0, {1.0f, 0.0f, -20.0f});  // bursts; its fragments fill slots 0 and 2 on
        PlaceHeart(1, {0.0f, 5.0f, -20.0f});
        PlaceHeart(40, {1.5f, 0.0f, -20.0f});  // out of the arrow's reach, touching the fragments
        world.CheckCollisions();
        EXPECT_EQ(world.heartsBurst, 1);
        EXPECT_GT(world.hearts[40].lastHit, 1) << "heart 40 bounced off a fragment";
        digests[search == HeartSearch::kGrid ? 0 : 1] = Digest(world);
        world.heartsBurst = 0;
    }
    EXPECT_EQ(digests[0], digests[1]);
}

}  // namespace
