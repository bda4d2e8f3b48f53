// The backend without a display: one display, number 0 and the main one, of
// a given size; the view draws into an EGL pbuffer; a snapshot is a picture
// given in advance (none: the snapshot fails); the desktop picture is a file
// given in advance (none: the fallback picture).
#pragma once

#include <memory>

#include "host/egl/EglOffscreen.h"
#include "host/view/ViewBackend.h"

class HeadlessBackend : public ViewBackend {
public:
    // snapshot, when not null, stands for what the display shows; it is
    // shared by every view of the display and must have the display's size.
    HeadlessBackend(int displayWidth, int displayHeight, std::shared_ptr<const SnapshotImage> snapshot);

    bool CreateContext(std::string* error) override;
    bool MakeCurrent() override;
    void SetDrawableSize(int width, int height) override;
    // Waits until the frame is rendered: it can then be read back.
    void FlushBuffer() override;
    int ScreenNumber() override { return 0; }
    int MainScreenNumber() override { return 0; }
    int ScreenForFrame(const ViewRect& frame) override;
    bool TakeSnapshot(uint32_t displayMask, SnapshotImage* out) override;
    std::string DesktopPicturePath(int screenNumber) override { return desktopPicture; }
    // The picture file that stands for the desktop's (none by default).
    void SetDesktopPicture(const std::string& path) { desktopPicture = path; }

    int DrawableWidth() const { return gl.width; }
    int DrawableHeight() const { return gl.height; }

private:
    int displayWidth;
    int displayHeight;
    std::shared_ptr<const SnapshotImage> snapshot;
    std::string desktopPicture;
    EglOffscreen gl;
};
