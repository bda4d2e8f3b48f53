// The base of every saver view: frame, preview flag, animation interval and
// the animating state. The program's engine loop calls animateOneFrame at
// the interval between startAnimation and stopAnimation. The only virtual
// functions of Dovel live here and in the backends.
#pragma once

#include "host/view/ViewBackend.h"

class ScreenSaverView {
public:
    ScreenSaverView(const ViewRect& frame, bool isPreview) : viewFrame(frame), preview(isPreview) {}
    virtual ~ScreenSaverView() = default;
    ScreenSaverView(const ScreenSaverView&) = delete;
    ScreenSaverView& operator=(const ScreenSaverView&) = delete;

    virtual void setFrameSize(double width, double height) {
        viewFrame.width = width;
        viewFrame.height = height;
    }
    virtual void startAnimation() { animating = true; }
    virtual void stopAnimation() { animating = false; }
    virtual void animateOneFrame() {}

    void setAnimationTimeInterval(double seconds) { interval = seconds; }
    double animationTimeInterval() const { return interval; }
    bool isAnimating() const { return animating; }
    bool isPreview() const { return preview; }
    ViewRect frame() const { return viewFrame; }
    // The view's own area: origin 0, the frame's size.
    ViewRect bounds() const { return ViewRect{0.0, 0.0, viewFrame.width, viewFrame.height}; }

private:
    ViewRect viewFrame;
    bool preview;
    bool animating = false;
    double interval = 1.0 / 30.0;
};
