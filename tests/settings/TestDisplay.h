// The settings tests run real GTK widgets on an X server of their own: Xvfb,
// started by the test process on a free display, so no DISPLAY is needed.
#pragma once

#include <string>

// Starts Xvfb and opens GTK on it, once per process; later calls answer as
// the first did. False with *error filled when either fails.
bool OpenTestDisplay(std::string* error);

// Closes GTK's display and stops the Xvfb that OpenTestDisplay started.
void CloseTestDisplay();
