// The settings window's live preview: a preview view of 320 x 180 drawn off
// screen and read back, as the window shows it 30 times a second, and a
// restart of that view with new settings, which the window runs on its
// main loop after each change.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "host/view/DovelSSView.h"
#include "host/egl/EglOffscreen.h"
#include "host/headless/HeadlessBackend.h"
#include "host/view/ResourcePath.h"

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 180;

struct PreviewBench {
    VirtualClock clock{30.0, 1};
    std::string prefs;
    HostEnvironment env;

    PreviewBench() {
        const char* tmp = getenv("TMPDIR");
        prefs = std::string(tmp != nullptr && tmp[0] != '\0' ? tmp : "/tmp") + "/dovel-bench-preview-" +
                std::to_string(getpid()) + ".toml";
        env = HostEnvironment{&clock, prefs, ResourceFolderOfExecutable(), {}};
        SettingValue colour;
        colour.number = BG_COLOUR;
        env.overrides.Give(*FindSettingByKey("BGType"), colour);
    }
    ~PreviewBench() { unlink(prefs.c_str()); }

    std::unique_ptr<DovelSSView> Start() {
        ViewRect frame{0.0, 0.0, kWidth, kHeight};
        auto view = DovelSSView::initWithFrame(
            frame, true, std::make_unique<HeadlessBackend>(kWidth, kHeight, nullptr), env, nullptr);
        if (view) {
            view->setFrameSize(kWidth, kHeight);
            view->startAnimation();
        }
        return view;
    }
};

// A new preview view up to its first presented frame.
void BM_PreviewRestart(benchmark::State& state) {
    PreviewBench bench;
    for (auto _ : state) {
        auto view = bench.Start();
        if (!view) {
            state.SkipWithError("no GL context");
            return;
        }
        for (int64_t t = 0; view->framesPresented == 0 && t < 10; ++t) {
            bench.clock.SetTick(t);
            view->animateOneFrame();
        }
    }
}
BENCHMARK(BM_PreviewRestart)->Unit(benchmark::kMillisecond);

// One frame of a running preview with 200 hearts, read back.
void BM_PreviewFrame(benchmark::State& state) {
    PreviewBench bench;
    auto view = bench.Start();
    if (!view) {
        state.SkipWithError("no GL context");
        return;
    }
    int64_t tick = 0;
    for (auto _ : state) {
        bench.clock.SetTick(tick++);
        view->animateOneFrame();
        benchmark::DoNotOptimize(ReadFramePixels(kWidth, kHeight));
    }
}
BENCHMARK(BM_PreviewFrame)->Unit(benchmark::kMillisecond);

}  // namespace
