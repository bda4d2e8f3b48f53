#include "host/headless/HeadlessBackend.h"

#include <GL/gl.h>

#include "base/HostLog.h"

HeadlessBackend::HeadlessBackend(int width, int height, std::shared_ptr<const SnapshotImage> shot)
    : displayWidth(width), displayHeight(height), snapshot(std::move(shot)) {}

bool HeadlessBackend::CreateContext(std::string* error) {
    // The drawable takes its real size from SetDrawableSize.
    return gl.Create(1, 1, error);
}

bool HeadlessBackend::MakeCurrent() {
    return gl.MakeCurrent();
}

void HeadlessBackend::SetDrawableSize(int width, int height) {
    if (width == gl.width && height == gl.height) return;
    std::string error;
    if (!gl.Resize(width, height, &error)) HostWarning("cannot resize the drawable: %s", error.c_str());
}

void HeadlessBackend::FlushBuffer() {
    glFinish();
}

int HeadlessBackend::ScreenForFrame(const ViewRect& frame) {
    bool meets = frame.x < displayWidth && frame.y < displayHeight && frame.x + frame.width > 0.0 &&
                 frame.y + frame.height > 0.0 && frame.width > 0.0 && frame.height > 0.0;
    return meets ? 0 : -1;
}

bool HeadlessBackend::TakeSnapshot(uint32_t displayMask, SnapshotImage* out) {
    if ((displayMask & 1u) == 0 || !snapshot) return false;
    *out = *snapshot;
    return true;
}
