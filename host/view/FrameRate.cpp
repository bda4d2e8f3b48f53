#include "host/view/FrameRate.h"

#include <GL/gl.h>

#include <cstdio>
#include <cstring>

#include "assets/Text.h"

namespace {

constexpr double kMeasuringSeconds = 1.0;
constexpr float kLetterSize = 20.0f;
constexpr float kMargin = 8.0f;
// Letters advance by this part of their size (the font's spacing).
constexpr float kAdvance = 0.75f;

}  // namespace

void FrameRateCounter::Presented(double now) {
    if (windowStart < 0.0) windowStart = now;
    ++frames;
    double elapsed = now - windowStart;
    if (elapsed < kMeasuringSeconds) return;
    rate = static_cast<double>(frames - 1) / elapsed;
    windowStart = now;
    frames = 1;
}

void DrawFrameRate(double rate, int width, int height, uint32_t fontTex) {
    if (rate < 0.0 || fontTex == 0 || width <= 0 || height <= 0) return;
    char text[32];
    std::snprintf(text, sizeof text, "FPS: %.1f", rate);
    const float textWidth = static_cast<float>(std::strlen(text)) * kLetterSize * kAdvance;
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_COLOR_BUFFER_BIT | GL_TEXTURE_BIT | GL_VIEWPORT_BIT);
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, width, 0.0, height, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glTranslatef(kMargin + textWidth / 2.0f, static_cast<float>(height) - kMargin - kLetterSize / 2.0f, 0.0f);
    DrawString(text, kLetterSize, 1.0f, fontTex);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopAttrib();
}
