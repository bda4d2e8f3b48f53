// The overlay: banner strips sliding in from the top or bottom edge, the
// captions, the countdown and the periodic full-screen message, drawn in
// front of the world. Banner strips are placed in pixel space; the rest in
// an overlay space of 1024 x 768 units stretched over the drawable.
#include <GL/gl.h>

#include <cstdlib>

#include "scene/CountDown.h"
#include "scene/SSMain.h"

namespace {

constexpr float kOverlayWidth = 1024.0f;
constexpr float kOverlayHeight = 768.0f;

constexpr char kHintText1[] = "Did you know you can display images of your Valentine in the background?";
constexpr char kHintText2[] = "It's easy! See the readme file or website for instructions.";

// Moves value towards target by (target - value) * step.
float Approach(float value, float target, double step) {
    return static_cast<float>(value + (target - value) * step);
}

// One textured quad from (0, 0) to (w, h), the whole texture upright on it.
void DrawQuad(float w, float h) {
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(0.0f, 0.0f, 0.0f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(w, 0.0f, 0.0f);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(w, h, 0.0f);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(0.0f, h, 0.0f);
    glEnd();
}

void DrawCaptionAt(Caption* caption, float x, float y, uint32_t fontTex, double step) {
    glPushMatrix();
    glTranslatef(x, y, 0.0f);
    caption->Draw(fontTex, step);
    glPopMatrix();
}

void DrawStringAt(const char* text, float x, float y, uint32_t fontTex) {
    glPushMatrix();
    glTranslatef(x, y, 0.0f);
    DrawString(text, 16.0f, 0.9f, fontTex);
    glPopMatrix();
}

}  // namespace

void SSMAIN::DoOverlay() {
    MoveBanner();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, width, 0.0, height, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glNormal3f(0.0f, 0.0f, 1.0f);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_BLEND);
    DrawBannerStrips();
    glDisable(GL_BLEND);
    glScalef(static_cast<float>(width) / kOverlayWidth, static_cast<float>(height) / kOverlayHeight, 1.0f);
    DrawCaptions();
    if (settings != nullptr && settings->SHOWCOUNTDOWN) DrawCountDown();
    RunMessage();
    glEnable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
}

// Banner timing and motion: the first banner comes 120 s after the start,
// stays 20 s, leaves for 30 s, and so on, alternating between the top edge
// (first) and the bottom edge. The countdown title slides out of sight
// while a banner is on show.
void SSMAIN::MoveBanner() {
    bannerTimer = static_cast<float>(bannerTimer - frameTime);
    if (bannerTimer < 0.0f) {
        bannerTimer = 30.0f;
        if (!bannerShown) {
            bannerTex = kMessageSlotA + static_cast<uint32_t>(rand() % 2);
            bannerPos.x = (rand() % 2 == 1) ? static_cast<float>(width - 256) : 0.0f;
            bannerFromTop = !bannerFromTop;
            bannerPos.y = bannerFromTop ? static_cast<float>(height + 40) : -40.0f;
            bannerTimer = 20.0f;
        }
        bannerShown = !bannerShown;
    }
    float target;
    if (bannerShown)
        target = bannerFromTop ? static_cast<float>(height - 40) : 5.0f;
    else
        target = bannerFromTop ? static_cast<float>(height + 40) : -40.0f;
    bannerPos.y = Approach(bannerPos.y, target, frameTime);
    titleY = Approach(titleY, bannerShown ? 818.0f : 748.0f, frameTime);
}

void SSMAIN::DrawBannerStrips() {
    glPushMatrix();
    glTranslatef(bannerPos.x, bannerPos.y, 0.0f);
    glBindTexture(GL_TEXTURE_2D, PackTexture(kCornerBannerSlot));
    DrawQuad(256.0f, 32.0f);
    glPopMatrix();
    glPushMatrix();
    glTranslatef(static_cast<float>(width) * 0.5f - 256.0f, bannerPos.y, 0.0f);
    glBindTexture(GL_TEXTURE_2D, PackTexture(static_cast<int>(bannerTex)));
    DrawQuad(512.0f, 32.0f);
    glPopMatrix();
}

// The picture-error caption, and, unless the background is the slideshow,
// the two hint lines: first 20 s after the start, then every 120 s.
void SSMAIN::DrawCaptions() {
    const uint32_t font = PackTexture(kFontSlot);
    if (errorCaption.ACTIVE) DrawCaptionAt(&errorCaption, 512.0f, 34.0f, font, frameTime);
    if (settings != nullptr && settings->BGTYPE == BG_SLIDESHOW) return;
    if (hintCaption1.ACTIVE) DrawCaptionAt(&hintCaption1, 512.0f, 90.0f, font, frameTime);
    if (hintCaption2.ACTIVE) DrawCaptionAt(&hintCaption2, 512.0f, 70.0f, font, frameTime);
    hintTimer = static_cast<float>(hintTimer - frameTime);
    if (hintTimer < 0.0f) {
        const VECTOR3D white = {1.0f, 1.0f, 1.0f};
        hintCaption1.Set(kHintText1, white, 20.0f, 16.0f);
        hintCaption2.Set(kHintText2, white, 20.0f, 16.0f);
        hintTimer = 120.0f;
    }
}

void SSMAIN::DrawCountDown() {
    const uint32_t font = PackTexture(kFontSlot);
    DrawStringAt(title, 512.0f, titleY, font);
    char line[kCountDownSize];
    CountDown(line, targetMonth, targetDay, 0, 0, 0);
    DrawStringAt(line, 512.0f, titleY - 16.0f, font);
}

// The full-screen message: first 90 s after the start, held 20 s, then
// every 60 s; it fades in and out over 2 s, hiding the scene behind black
// with a message strip across the middle.
void SSMAIN::RunMessage() {
    messageTimer = static_cast<float>(messageTimer - frameTime);
    if (messageTimer < 0.0f) {
        messageAlpha = messageAlpha < 1.0f ? static_cast<float>(messageAlpha + 0.5 * frameTime) : 1.0f;
        if (messageTimer < -20.0f) messageTimer = 40.0f;
    } else if (messageAlpha > 0.0f) {
        messageAlpha = static_cast<float>(messageAlpha - 0.5 * frameTime);
    } else {
        messageAlpha = 0.0f;
        return;
    }
    if (messageAlpha <= 0.0f) return;
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_BLEND);
    glColor4f(0.0f, 0.0f, 0.0f, messageAlpha);
    glDisable(GL_TEXTURE_2D);
    glBegin(GL_QUADS);
    glVertex3f(0.0f, 0.0f, 0.0f);
    glVertex3f(kOverlayWidth, 0.0f, 0.0f);
    glVertex3f(kOverlayWidth, kOverlayHeight, 0.0f);
    glVertex3f(0.0f, kOverlayHeight, 0.0f);
    glEnd();
    glEnable(GL_TEXTURE_2D);
    glColor4f(1.0f, 1.0f, 1.0f, messageAlpha);
    glPushMatrix();
    glTranslatef(0.0f, 352.0f, 0.0f);
    glBindTexture(GL_TEXTURE_2D, PackTexture(static_cast<int>(bannerTex)));
    DrawQuad(kOverlayWidth, 64.0f);
    glPopMatrix();
    glDisable(GL_BLEND);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}
