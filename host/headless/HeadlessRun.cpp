#include "host/headless/HeadlessRun.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <memory>
#include <sys/stat.h>

#include "base/FileIO.h"
#include "host/view/DovelSSView.h"
#include "host/egl/EglOffscreen.h"
#include "host/headless/HeadlessBackend.h"
#include "host/headless/PngWriter.h"
#include "host/headless/SnapshotFile.h"
#include "world/VDMain.h"

namespace {

// Follows one view's presented frames: timing, the world's state, PNGs.
struct FrameRecorder {
    FrameRecorder(const DovelOptions& o, RunStats* s, double start)
        : options(o), stats(s), processStart(start) {}
    const DovelOptions& options;
    RunStats* stats;
    double processStart;
    int64_t firstWritten = -1;
    int64_t lastWritten = -1;
    int64_t written = 0;
    bool writeFailed = false;

    bool Record(DovelSSView* view, double cpuSeconds);
    bool WriteFrame(DovelSSView* view, int64_t index);
};

bool FrameRecorder::Record(DovelSSView* view, double cpuSeconds) {
    int64_t index = view->framesPresented - 1;
    if (index == 0) stats->startupMs = (MonotonicSeconds() - processStart) * 1000.0;
    stats->frames = view->framesPresented;
    stats->frameMs.Add(cpuSeconds * 1000.0);
    if (view->ssMain != nullptr && view->ssMain->world != nullptr) {
        stats->worldUs.Add(view->lastDrawCpuSeconds * 1e6);
        stats->ObserveWorld(*view->ssMain->world);
    }
    if (options.outDir.empty() || index % options.every != 0) return true;
    return WriteFrame(view, index);
}

bool FrameRecorder::WriteFrame(DovelSSView* view, int64_t index) {
    auto* backend = static_cast<HeadlessBackend*>(view->backend());
    int w = backend->DrawableWidth(), h = backend->DrawableHeight();
    std::string file = FrameFileName(options.outDir, index), error;
    if (!WritePngRgb(file, w, h, ReadFramePixels(w, h), &error)) {
        std::fprintf(stderr, "dovel: cannot write %s: %s\n", file.c_str(), error.c_str());
        writeFailed = true;
        return false;
    }
    if (firstWritten < 0) firstWritten = index;
    lastWritten = index;
    ++written;
    return true;
}

bool LoadSnapshot(const DovelOptions& options, std::shared_ptr<const SnapshotImage>* out) {
    if (options.snapshotFile.empty()) return true;
    auto shot = std::make_shared<SnapshotImage>();
    std::string error;
    if (!LoadSnapshotFile(options.snapshotFile, options.width, options.height, shot.get(), &error)) {
        std::fprintf(stderr, "dovel: cannot read snapshot picture %s: %s\n", options.snapshotFile.c_str(),
                     error.c_str());
        return false;
    }
    *out = shot;
    return true;
}

// Runs the ticks; false when a frame could not be written.
bool RunTicks(DovelSSView* view, VirtualClock* clock, FrameRecorder* recorder) {
    const int64_t ticks = recorder->options.frames;
    for (int64_t t = 0; t < ticks && view->isAnimating(); ++t) {
        clock->SetTick(t);
        int64_t before = view->framesPresented;
        double cpu = ProcessCpuSeconds();
        view->animateOneFrame();
        cpu = ProcessCpuSeconds() - cpu;
        recorder->stats->ticks = t + 1;
        if (view->framesPresented == before) continue;
        recorder->stats->Presented(clock->Now());
        if (!recorder->Record(view, cpu)) return false;
    }
    return true;
}

void ReportWritten(const FrameRecorder& recorder) {
    // A run whose frames could not be written has said so; nothing more.
    if (recorder.options.outDir.empty() || recorder.writeFailed) return;
    if (recorder.written == 0) {
        std::fprintf(stderr, "dovel: no frame was presented, nothing written to %s\n",
                     recorder.options.outDir.c_str());
        return;
    }
    std::fprintf(stderr, "dovel: wrote %lld frames to %s (%s ... %s)\n",
                 static_cast<long long>(recorder.written), recorder.options.outDir.c_str(),
                 FrameFileName("", recorder.firstWritten).substr(1).c_str(),
                 FrameFileName("", recorder.lastWritten).substr(1).c_str());
}

}  // namespace

std::string FrameFileName(const std::string& folder, int64_t n) {
    char name[48];
    std::snprintf(name, sizeof name, "frame-%06lld.png", static_cast<long long>(n));
    if (!folder.empty() && folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

int RunHeadless(const DovelOptions& options, const HeadlessPaths& paths, double processStart,
                RunStats* stats) {
    std::shared_ptr<const SnapshotImage> shot;
    if (!LoadSnapshot(options, &shot)) return 2;
    if (!options.outDir.empty() && !MakeFolders(options.outDir, 0755)) {
        std::fprintf(stderr, "dovel: cannot create folder %s\n", options.outDir.c_str());
        return 1;
    }
    VirtualClock clock(60.0, options.seedGiven ? options.seed : static_cast<int64_t>(time(nullptr)));
    HostEnvironment env{&clock, paths.prefsPath, paths.resourcePath, options.settings};
    ViewRect frame{0.0, 0.0, static_cast<double>(options.width), static_cast<double>(options.height)};
    std::string error;
    std::unique_ptr<DovelSSView> view = DovelSSView::initWithFrame(
        frame, options.preview, std::make_unique<HeadlessBackend>(options.width, options.height, shot), env,
        &error);
    if (!view) {
        std::fprintf(stderr, "dovel: no OpenGL context without a display: %s\n", error.c_str());
        return 1;
    }
    view->setFrameSize(frame.width, frame.height);
    view->startAnimation();
    FrameRecorder recorder(options, stats, processStart);
    bool ok = RunTicks(view.get(), &clock, &recorder);
    const std::string setupError = view->setupError;
    view->stopAnimation();
    view.reset();
    stats->peakRssMb = PeakRssMb();
    ReportWritten(recorder);
    // A scene that could not be set up has been reported by the view.
    stats->error = setupError;
    return ok && setupError.empty() ? 0 : 1;
}
