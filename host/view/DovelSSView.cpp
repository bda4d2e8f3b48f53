#include "host/view/DovelSSView.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdlib>
#include <ctime>
#include <new>

#include "assets/Pics.h"
#include "host/view/DesktopTexture.h"
#include "base/FileIO.h"
#include "base/HostLog.h"

namespace {

// The resource folder path handed to the scene: at most this many
// characters, ending in "/".
constexpr size_t kMaxResourcePath = 1023;
// The desktop picture path is copied into a buffer of 1024 bytes, at most
// this many characters; one of 4 characters or fewer means none.
constexpr size_t kMaxPicturePath = 1022;
constexpr size_t kShortestPicturePath = 5;

constexpr char kDistributionWallpaper[] = "/usr/share/images/desktop-base/desktop-background";
constexpr char kOwnBackground[] = "background.png";

double ThreadCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

}  // namespace

std::string FallbackDesktopPicture(const std::string& resourcePath) {
    if (IsRegularFile(kDistributionWallpaper)) return kDistributionWallpaper;
    return resourcePath + kOwnBackground;
}

DovelSSView::DovelSSView(const ViewRect& frame, bool isPreview, std::unique_ptr<ViewBackend> backend,
                         const HostEnvironment& env)
    : ScreenSaverView(frame, isPreview), glView(std::move(backend)), environment(env) {}

std::unique_ptr<DovelSSView> DovelSSView::initWithFrame(const ViewRect& frame, bool isPreview,
                                                        std::unique_ptr<ViewBackend> backend,
                                                        const HostEnvironment& env, std::string* error) {
    std::string scratch;
    if (error == nullptr) error = &scratch;
    if (!backend || env.clock == nullptr) {
        *error = "no window system backend or clock";
        return nullptr;
    }
    ScreenSaverDefaults defaults(env.prefsPath);
    std::unique_ptr<DovelSSView> view(new DovelSSView(frame, isPreview, std::move(backend), env));
    if (!view->glView->CreateContext(error)) return nullptr;
    view->viewAllocated = true;
    view->glReady = false;

    StoredSettings stored;
    LoadSettings(&defaults, &stored);
    env.overrides.ApplyTo(&stored);
    view->MainMonitorOnly = stored.mainMonitorOnly;
    view->mySettings = stored.settings;

    view->Scrn = view->bounds();
    view->ThisScreenIsOn = true;
    view->initialized = false;
    if (view->mySettings.BGTYPE == BG_SNAPSHOT) {
        view->DeskTex.texID = 0;
        int detail = isPreview ? 0 : view->mySettings.BGRES;
        view->GetDesktopTexture(&view->DeskTex.texID, detail, frame);
        if (view->DeskTex.texID == 0) view->mySettings.BGTYPE = BG_DESKTOP;
    }
    view->setAnimationTimeInterval(kAnimationInterval);
    return view;
}

DovelSSView::~DovelSSView() {
    if (viewAllocated) glView->MakeCurrent();
    DestroyScene();
    if (viewAllocated) DeskTex.Cleanup();
}

void DovelSSView::DestroyScene() {
    if (ssMain == nullptr) return;
    ssMain->Cleanup();
    delete ssMain;
    ssMain = nullptr;
}

void DovelSSView::setFrameSize(double width, double height) {
    ScreenSaverView::setFrameSize(width, height);
    if (viewAllocated) {
        int w = width >= 1.0 ? static_cast<int>(width) : 1;
        int h = height >= 1.0 ? static_cast<int>(height) : 1;
        glView->SetDrawableSize(w, h);
    }
    glReady = false;
}

void DovelSSView::startAnimation() {
    ThisScreenIsOn = true;
    if (MainMonitorOnly && glView->ScreenNumber() != glView->MainScreenNumber()) ThisScreenIsOn = false;
    glView->MakeCurrent();
    if (ThisScreenIsOn)
        glClearColor(mySettings.BGCR, mySettings.BGCG, mySettings.BGCB, 0.0f);
    else
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glView->FlushBuffer();
    ScreenSaverView::startAnimation();
}

void DovelSSView::stopAnimation() {
    ScreenSaverView::stopAnimation();
}

void DovelSSView::animateOneFrame() {
    if (!ThisScreenIsOn) {
        stopAnimation();
        return;
    }
    glView->MakeCurrent();
    if (!glReady) {
        glInit();
        glReady = true;
    }
    if (!initialized) {
        bool ready = mainSetup();
        initialized = true;
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        // A scene that could not be set up is never touched again: the view
        // shows only its background colour from now on.
        if (!ready) DestroyScene();
    }
    double now = environment.clock->Now();
    double step = now - animtime;
    if (step > kMaxFrameStep) {
        animtime = now;
        return;
    }
    if (step <= kMinFrameStep) return;
    animtime = now;
    lastStep = step;
    // A background that paints every pixel makes clearing the colour
    // buffer a full-frame write for nothing (on a software renderer a
    // noticeable part of the frame).
    const bool covered =
        ssMain != nullptr && mySettings.BGTYPE != BG_COLOUR && ssMain->UnderlayCoversDrawable();
    glClear(covered ? GL_DEPTH_BUFFER_BIT : GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (ssMain != nullptr) {
        ssMain->Update(step);
        if (mySettings.BGTYPE != BG_COLOUR) ssMain->DoUnderlay();
    }
    glReshape();
    if (ssMain != nullptr) {
        double before = ThreadCpuSeconds();
        ssMain->Draw();
        lastDrawCpuSeconds = ThreadCpuSeconds() - before;
    }
    glView->FlushBuffer();
    ++framesPresented;
}

void DovelSSView::glInit() {
    Scrn = bounds();
    int w = static_cast<int>(Scrn.width);
    int h = static_cast<int>(Scrn.height);
    int x = 0, y = 0;
    glView->DrawingOrigin(&x, &y);
    glViewport(x, y, w, h);
    if (ssMain != nullptr) ssMain->SetSize(w, h);
    glShadeModel(GL_SMOOTH);
    glClearColor(mySettings.BGCR, mySettings.BGCG, mySettings.BGCB, 0.0f);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_COLOR_MATERIAL);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    glReshape();
}

void DovelSSView::glReshape() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    // A view of no height has no aspect ratio; draw it as square.
    float aspect =
        Scrn.height > 0.0 ? static_cast<float>(Scrn.width) / static_cast<float>(Scrn.height) : 1.0f;
    gluPerspective(45.0, aspect, 1.0, 120.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

std::string DovelSSView::ResourceFolder() const {
    std::string path = environment.resourcePath.substr(0, kMaxResourcePath);
    if (path.empty() || path.back() != '/') {
        if (path.size() == kMaxResourcePath) path.pop_back();
        path += '/';
    }
    return path;
}

bool DovelSSView::mainSetup() {
    ViewRect area = bounds();
    srand(static_cast<unsigned>(environment.clock->WallSeconds()));
    DestroyScene();
    ssMain = new (std::nothrow) SSMAIN;
    if (ssMain == nullptr) return SetupFailed("out of memory");
    std::string resources = ResourceFolder();
    if (!ssMain->Setup(isPreview(), static_cast<int>(area.width), static_cast<int>(area.height), &mySettings,
                       resources.c_str()))
        return SetupFailed(ssMain->setupError);
    if (mySettings.BGTYPE == BG_DESKTOP) LoadDesktopPicture();
    ssMain->deskTexID = DeskTex.texID;
    DeskTex.texID = 0;
    animtime = environment.clock->Now();
    return true;
}

bool DovelSSView::SetupFailed(const std::string& why) {
    setupError = why.empty() ? "the scene could not be set up" : why;
    HostWarning("cannot set the scene up: %s; showing the background colour only", setupError.c_str());
    return false;
}

void DovelSSView::LoadDesktopPicture() {
    std::string path = glView->DesktopPicturePath(glView->ScreenNumber()).substr(0, kMaxPicturePath);
    if (path.size() < kShortestPicturePath) path = FallbackDesktopPicture(ResourceFolder());
    loadPicFile(path.c_str(), &DeskTex, kDesktopPictureKinds);
}

uint32_t DovelSSView::getScreenMaskForFrame(const ViewRect& frame) {
    int screen = glView->ScreenForFrame(frame);
    if (screen < 0 || screen > 31) screen = glView->MainScreenNumber();
    if (screen < 0 || screen > 31) screen = 0;
    return 1u << screen;
}

void DovelSSView::GetDesktopTexture(uint32_t* name, int detail, const ViewRect& frame) {
    SnapshotImage shot;
    if (!glView->TakeSnapshot(getScreenMaskForFrame(frame), &shot)) return;
    glView->MakeCurrent();
    BuildSnapshotTexture(shot, detail, name);
}
