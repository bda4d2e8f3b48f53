// The world's cost per frame on the shipped packs, at 100, 200 and 1000
// hearts: one world step (archer, arrow, spawning, collisions, heart motion
// and the retiring of hearts that left the view, no drawing), the same with
// the all-pairs collision search, and one whole VDMAIN::Draw into a
// 1280 x 720 offscreen context, finished (glFinish) so that the frame is
// really rendered.
//
// Run the drawing benchmark also with GALLIUM_NOOP=1: Mesa then discards the
// rasterising, which leaves Dovel's own CPU cost per frame.
#include <GL/gl.h>
#include <GL/glu.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "assets/ResFile.h"
#include "host/egl/EglOffscreen.h"
#include "host/view/ResourcePath.h"
#include "scene/Settings.h"
#include "world/GLStuff.h"
#include "world/VDMain.h"

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 720;
constexpr double kStep = 1.0 / 60.0;
constexpr int kWarmUpFrames = 1200;  // 20 s of scene: the pool is filled and turning over

std::string DataFolder() {
    const char* dir = getenv("DOVEL_DATA_DIR");
    return dir != nullptr && dir[0] != '\0' ? dir : ResourceFolderOfExecutable();
}

void SetCamera() {
    glViewport(0, 0, kWidth, kHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, static_cast<double>(kWidth) / kHeight, 1.0, 120.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

// The GL state the host and the scene controller give the world.
void PrepareGL() {
    glShadeModel(GL_SMOOTH);
    glClearColor(0.6f, 0.8f, 1.0f, 0.0f);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_COLOR_MATERIAL);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    SetupWorldGLState(kWorldLightPos);
}

// A context, the scene's textures and a world of `hearts` hearts, from a
// fixed seed.
struct BenchWorld {
    EglOffscreen gl;
    Texture* textures = nullptr;
    VDMAIN world;
    double clock = 0.0;
    std::string error;

    bool Create(int hearts) {
        if (!gl.Create(kWidth, kHeight, &error)) return false;
        PrepareGL();
        SetCamera();
        ExtractFrustum();
        std::string folder = DataFolder();
        int count = 0;
        if (!LoadTexturesFromDataFile((folder + "tarnwick.works").c_str(), &textures, &count) || count < 7) {
            error = "cannot load " + folder + "tarnwick.works";
            return false;
        }
        world.heartTex = textures[6].texID;
        SETTINGS settings;
        settings.SETNUMHEARTS = hearts;
        srand(20240214u);
        if (!world.Setup(&settings, folder.c_str())) {
            error = "cannot set the world up from " + folder;
            return false;
        }
        return true;
    }
    ~BenchWorld() {
        world.Cleanup();
        delete[] textures;
    }
    // What drawing does besides drawing: retire the hearts that left the view.
    void RetireHearts() {
        for (int i = 0; i < world.numHearts; ++i) {
            ONEHEART& h = world.hearts[i];
            if (h.active && !SphereInFrustum(h.pos, static_cast<float>(HeartVisibleRadius(h.size))))
                h.active = false;
        }
    }
    void Step() {
        clock += kStep;
        world.MoveDovel(kStep, clock);
        world.MoveHearts(kStep);
    }
    void Frame() {
        clock += kStep;
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        SetCamera();
        glEnable(GL_TEXTURE_2D);
        glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
        ExtractFrustum();
        glPushMatrix();
        world.Draw(kStep, clock);
        glPopMatrix();
        glDisable(GL_TEXTURE_2D);
        glFinish();
    }
    void WarmUp() {
        for (int i = 0; i < kWarmUpFrames; ++i) {
            Step();
            RetireHearts();
        }
    }
};

int ActiveHearts(const VDMAIN& world) {
    int n = 0;
    for (int i = 0; i < world.numHearts; ++i) n += world.hearts[i].active ? 1 : 0;
    return n;
}

// The warmed-up world of the running benchmark, kept across its
// repetitions and iteration-count trials: only a new heart count or a new
// benchmark builds and warms up another.
BenchWorld* WarmWorld(benchmark::State& state, int kind) {
    static BenchWorld* current = nullptr;
    static int64_t currentKey = -1;
    int64_t key = state.range(0) * 4 + kind;
    if (current != nullptr && key == currentKey) {
        current->gl.MakeCurrent();
        return current;
    }
    delete current;
    current = new BenchWorld;
    currentKey = key;
    if (!current->Create(static_cast<int>(state.range(0)))) {
        state.SkipWithError(current->error.c_str());
        return nullptr;
    }
    current->WarmUp();
    return current;
}

void BM_WorldStep(benchmark::State& state) {
    BenchWorld* bench = WarmWorld(state, 0);
    if (bench == nullptr) return;
    // The retirement is timed too: it is a visibility test per heart, a
    // small part of a step, and pausing the timer would cost more.
    for (auto _ : state) {
        bench->Step();
        bench->RetireHearts();
    }
    state.counters["active"] = ActiveHearts(bench->world);
}
BENCHMARK(BM_WorldStep)
    ->Arg(100)
    ->Arg(200)
    ->Arg(1000)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// The same step with the collision pass looking at every pair of slots, the
// reference the grid search is checked against: what the grid saves.
void BM_WorldStepAllPairs(benchmark::State& state) {
    BenchWorld* bench = WarmWorld(state, 2);
    if (bench == nullptr) return;
    bench->world.heartSearch = HeartSearch::kAllPairs;
    for (auto _ : state) {
        bench->Step();
        bench->RetireHearts();
    }
    state.counters["active"] = ActiveHearts(bench->world);
}
BENCHMARK(BM_WorldStepAllPairs)
    ->Arg(200)
    ->Arg(1000)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

void BM_WorldDraw(benchmark::State& state) {
    BenchWorld* bench = WarmWorld(state, 1);
    if (bench == nullptr) return;
    for (auto _ : state) bench->Frame();
    state.counters["active"] = ActiveHearts(bench->world);
}
BENCHMARK(BM_WorldDraw)
    ->Arg(100)
    ->Arg(200)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace
