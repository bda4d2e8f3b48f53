// Reading what a monitor shows: the root window's area before our windows
// cover it, or the screenshot XScreenSaver saved before it blanked; and
// whether the user lets XScreenSaver's hacks see the desktop at all.
#pragma once

#include <string>

#include "host/view/ViewBackend.h"
#include "host/x11/X11Monitors.h"

// The monitor's area of the root window as 8-bit RGBA rows from the bottom
// up. False when it cannot be read.
bool ReadRootArea(Display* dpy, int screen, const X11Monitor& monitor, SnapshotImage* out);

// The pixmap named by the _SCREENSAVER_SCREENSHOT property (type PIXMAP) of
// saverWindow, cropped to the monitor. The pixmap holds either the whole
// screen (when it has the root window's size) or what lay under the saver
// window. False when there is no such property or pixmap.
bool ReadSaverScreenshot(Display* dpy, int screen, unsigned long saverWindow, const X11Monitor& monitor,
                         SnapshotImage* out);

// XScreenSaver's grabDesktopImages in X resource text ("grabDesktopImages:
// False" in ~/.xscreensaver, "*grabDesktopImages: False" in app-defaults):
// 1 for true, 0 for false, -1 when the text does not set it.
int GrabDesktopImagesSetting(const std::string& resourceText);

// Whether XScreenSaver lets hacks grab the desktop: the user's file decides,
// else the system's app-defaults file, else XScreenSaver's built-in true.
bool DesktopGrabAllowed(const std::string& userFile, const std::string& appDefaultsFile);

// ~/.xscreensaver and /etc/X11/app-defaults/XScreenSaver.
std::string XScreenSaverUserFile();
constexpr char kXScreenSaverAppDefaults[] = "/etc/X11/app-defaults/XScreenSaver";
