// The screen saver's view: one per display it draws on, plus one for a
// preview. Turns the engine's life cycle (create, size, start, one tick at
// 60 per second, stop, destroy) into the scene controller's calls, and owns
// the frame timing, the settings record and the desktop background.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "assets/Texture.h"
#include "host/view/HostClock.h"
#include "host/view/ScreenSaverView.h"
#include "host/prefs/SettingsOverrides.h"
#include "host/prefs/StoredSettings.h"
#include "host/view/ViewBackend.h"
#include "scene/SSMain.h"

// What every view of the program shares.
struct HostEnvironment {
    HostClock* clock = nullptr;  // not owned; frame steps and the random seed
    std::string prefsPath;       // the preferences file of module qvDovelSS
    std::string resourcePath;    // the resource folder, ending in "/"
    // Settings given for this run: every view puts them over what it reads
    // from the preferences; they are never stored.
    SettingsOverrides overrides;
};

// Frame timing: a step of this much or less is carried over to the next
// tick; a longer one than kMaxFrameStep only restarts the time.
constexpr double kMinFrameStep = 0.01;
constexpr double kMaxFrameStep = 2.0;
constexpr double kAnimationInterval = 1.0 / 60.0;

class DovelSSView : public ScreenSaverView {
public:
    // Creates a view of the given frame: reads the preferences, makes the GL
    // context through backend and, for background kind 0, takes the
    // snapshot. Null (with *error filled) when there is no GL context.
    static std::unique_ptr<DovelSSView> initWithFrame(const ViewRect& frame, bool isPreview,
                                                      std::unique_ptr<ViewBackend> backend,
                                                      const HostEnvironment& env, std::string* error);
    // Cleans up and destroys the scene, releases the desktop background.
    ~DovelSSView() override;

    void setFrameSize(double width, double height) override;
    void startAnimation() override;
    void stopAnimation() override;
    void animateOneFrame() override;
    // The engine does not fade the displays' gamma.
    static bool performGammaFade() { return false; }

    void glInit();
    void glReshape();
    bool mainSetup();
    // Puts a texture of what the display shows into *name, or 0 when no
    // snapshot can be had. detail: 0 up to 512 texels a side, 1 up to 1024,
    // anything else up to the GL implementation's largest.
    void GetDesktopTexture(uint32_t* name, int detail, const ViewRect& frame);
    // The display mask (bit n for display n) of the display the snapshot
    // reads: the one under frame, else the main display.
    uint32_t getScreenMaskForFrame(const ViewRect& frame);

    ViewBackend* backend() { return glView.get(); }

    // State, in the order the view keeps it.
    bool MainMonitorOnly = false;
    bool ThisScreenIsOn = true;
    bool viewAllocated = false;
    bool glReady = false;
    bool initialized = false;
    SETTINGS mySettings;
    double animtime = 0.0;
    ViewRect Scrn;
    SSMAIN* ssMain = nullptr;
    Texture DeskTex;

    // What the last ticks did, for the program's statistics and the tests.
    int64_t framesPresented = 0;      // frames drawn and presented by animateOneFrame
    double lastStep = 0.0;            // the step of the last drawn frame, seconds
    double lastDrawCpuSeconds = 0.0;  // CPU time of the scene's Draw (world and overlay)
    // Why the scene could not be set up (the file and what was wrong with
    // it); empty while it could. Written once on standard error.
    std::string setupError;

private:
    DovelSSView(const ViewRect& frame, bool isPreview, std::unique_ptr<ViewBackend> backend,
                const HostEnvironment& env);
    void LoadDesktopPicture();
    // Notes and reports why the scene could not be set up; returns false.
    bool SetupFailed(const std::string& why);
    void DestroyScene();
    std::string ResourceFolder() const;

    std::unique_ptr<ViewBackend> glView;
    HostEnvironment environment;
};

// The picture used when the desktop names none: the distribution's default
// wallpaper where it exists, else Dovel's own background in the resource
// folder.
std::string FallbackDesktopPicture(const std::string& resourcePath);
