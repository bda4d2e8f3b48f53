#include "host/x11/X11Snapshot.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <sstream>

#include "base/FileIO.h"
#include "base/Text.h"
#include "host/x11/X11Display.h"

namespace {

// Where a channel lies in a pixel value, and how to bring it to 8 bits.
struct Channel {
    unsigned long mask = 0;
    int shift = 0;
    unsigned long max = 0;

    explicit Channel(unsigned long m) : mask(m) {
        if (mask == 0) return;
        while (((mask >> shift) & 1ul) == 0) ++shift;
        max = mask >> shift;
    }
    uint8_t Of(unsigned long pixel) const {
        if (max == 0) return 0;
        return static_cast<uint8_t>(((pixel & mask) >> shift) * 255ul / max);
    }
};

// The visual whose pixels a drawable of this depth holds: the screen's
// default one for its depth, else a TrueColor visual of that depth.
bool VisualMasks(Display* dpy, int screen, int depth, unsigned long masks[3]) {
    Visual* visual = DefaultVisual(dpy, screen);
    if (depth == DefaultDepth(dpy, screen) && visual->c_class == TrueColor) {
        masks[0] = visual->red_mask;
        masks[1] = visual->green_mask;
        masks[2] = visual->blue_mask;
        return true;
    }
    XVisualInfo info;
    if (!XMatchVisualInfo(dpy, screen, depth, TrueColor, &info)) return false;
    masks[0] = info.red_mask;
    masks[1] = info.green_mask;
    masks[2] = info.blue_mask;
    return true;
}

// Reads w x h at (x, y) of a drawable of the given depth into bottom-up RGBA.
bool ReadDrawable(Display* dpy, int screen, Drawable drawable, int depth, int x, int y, int w, int h,
                  SnapshotImage* out) {
    unsigned long masks[3] = {};
    if (w <= 0 || h <= 0 || !VisualMasks(dpy, screen, depth, masks)) return false;
    XImage* image = XGetImage(dpy, drawable, x, y, static_cast<unsigned>(w), static_cast<unsigned>(h),
                              AllPlanes, ZPixmap);
    if (image == nullptr) return false;
    const Channel red(masks[0]), green(masks[1]), blue(masks[2]);
    out->width = w;
    out->height = h;
    out->rgba.assign(static_cast<size_t>(w) * static_cast<size_t>(h) * 4, 255);
    for (int row = 0; row < h; ++row) {
        uint8_t* dst = out->rgba.data() + static_cast<size_t>(h - 1 - row) * static_cast<size_t>(w) * 4;
        for (int col = 0; col < w; ++col, dst += 4) {
            unsigned long pixel = XGetPixel(image, col, row);
            dst[0] = red.Of(pixel);
            dst[1] = green.Of(pixel);
            dst[2] = blue.Of(pixel);
        }
    }
    XDestroyImage(image);
    return true;
}

// The pixmap id in the window's _SCREENSAVER_SCREENSHOT property, or 0.
Pixmap ScreenshotPixmap(Display* dpy, Window window) {
    Atom property = XInternAtom(dpy, "_SCREENSAVER_SCREENSHOT", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    Pixmap pixmap = 0;
    if (XGetWindowProperty(dpy, window, property, 0, 1, False, XA_PIXMAP, &type, &format, &count, &after,
                           &data) == Success &&
        type == XA_PIXMAP && format == 32 && count == 1 && data != nullptr)
        pixmap = static_cast<Pixmap>(*reinterpret_cast<unsigned long*>(data));
    if (data != nullptr) XFree(data);
    return pixmap;
}

// A resource file's text; "" for anything but a regular file of at most
// 1 MiB (a pipe in its place is never waited on).
std::string ReadText(const std::string& path) {
    std::string text;
    ReadFileText(path, &text, nullptr, size_t{1} << 20);
    return text;
}

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

}  // namespace

bool ReadRootArea(Display* dpy, int screen, const X11Monitor& monitor, SnapshotImage* out) {
    Window root = RootWindow(dpy, screen);
    bool read = ReadDrawable(dpy, screen, root, DefaultDepth(dpy, screen), monitor.x, monitor.y,
                             monitor.width, monitor.height, out);
    return !XRequestsFailed(dpy) && read;
}

bool ReadSaverScreenshot(Display* dpy, int screen, unsigned long saverWindow, const X11Monitor& monitor,
                         SnapshotImage* out) {
    Pixmap pixmap = ScreenshotPixmap(dpy, saverWindow);
    Window root = 0;
    int px = 0, py = 0;
    unsigned pw = 0, ph = 0, border = 0, depth = 0;
    if (pixmap == 0 || !XGetGeometry(dpy, pixmap, &root, &px, &py, &pw, &ph, &border, &depth)) {
        XRequestsFailed(dpy);
        return false;
    }
    // Where the pixmap lies on the root window: all of it, or under the
    // saver window.
    int originX = 0, originY = 0;
    const bool wholeScreen = static_cast<int>(pw) == DisplayWidth(dpy, screen) &&
                             static_cast<int>(ph) == DisplayHeight(dpy, screen);
    Window child = 0;
    if (!wholeScreen) XTranslateCoordinates(dpy, saverWindow, root, 0, 0, &originX, &originY, &child);
    int left = std::max(monitor.x, originX), top = std::max(monitor.y, originY);
    int right = std::min(monitor.x + monitor.width, originX + static_cast<int>(pw));
    int bottom = std::min(monitor.y + monitor.height, originY + static_cast<int>(ph));
    bool read = ReadDrawable(dpy, screen, pixmap, static_cast<int>(depth), left - originX, top - originY,
                             right - left, bottom - top, out);
    return !XRequestsFailed(dpy) && read;
}

int GrabDesktopImagesSetting(const std::string& resourceText) {
    std::istringstream lines(resourceText);
    std::string line;
    int setting = -1;
    while (std::getline(lines, line)) {
        size_t colon = line.find(':');
        if (colon == std::string::npos || Trim(line).rfind('!', 0) == 0) continue;
        std::string key = Trim(line.substr(0, colon));
        // "*grabDesktopImages" and "xscreensaver.grabDesktopImages" name it too.
        size_t dot = key.find_last_of("*.");
        if (dot != std::string::npos) key = key.substr(dot + 1);
        if (key != "grabDesktopImages") continue;
        std::string value = Lower(Trim(line.substr(colon + 1)));
        if (value == "true" || value == "on" || value == "yes")
            setting = 1;
        else if (value == "false" || value == "off" || value == "no")
            setting = 0;
    }
    return setting;
}

bool DesktopGrabAllowed(const std::string& userFile, const std::string& appDefaultsFile) {
    int setting = GrabDesktopImagesSetting(ReadText(userFile));
    if (setting < 0) setting = GrabDesktopImagesSetting(ReadText(appDefaultsFile));
    return setting != 0;
}

std::string XScreenSaverUserFile() {
    return HomeFolder() + "/.xscreensaver";
}
