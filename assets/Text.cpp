#include "assets/Text.h"

#include <GL/gl.h>

#include <cstdlib>
#include <cstring>

const float cWidth = 0.0625f;
const float cHeight = 0.125f;
float FontData[kNumGlyphs][2];

namespace {

constexpr float kAdvance = 0.75f;  // pen advance per letter, as a share of the size

bool HasGlyph(unsigned char b) {
    return b > 32 && b <= 127;
}

// Moves the pen to the start of a line of n letters of size s, centred on
// the current origin.
void StartLine(int n, float size) {
    glTranslatef(-0.375f * size * static_cast<float>(n + 2), 0.0f, 0.0f);
}

// Advances the pen by one letter and draws byte b's glyph there, if it has
// one.
void PutLetter(unsigned char b, float size) {
    glTranslatef(kAdvance * size, 0.0f, 0.0f);
    if (!HasGlyph(b)) return;
    const float* cell = FontData[b - 32];
    float u = cell[0];
    float v = cell[1];
    float ur = u + cWidth;
    float vb = v + cHeight;
    float half = size * 0.5f;
    glBegin(GL_QUADS);
    glTexCoord2f(ur, 1.0f - v);
    glVertex3f(size, half, 0.0f);
    glTexCoord2f(u, 1.0f - v);
    glVertex3f(0.0f, half, 0.0f);
    glTexCoord2f(u, 1.0f - vb);
    glVertex3f(0.0f, -half, 0.0f);
    glTexCoord2f(ur, 1.0f - vb);
    glVertex3f(size, -half, 0.0f);
    glEnd();
}

void BeginText(uint32_t fontTex) {
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_BLEND);
    glBindTexture(GL_TEXTURE_2D, fontTex);
}

void EndText() {
    glDisable(GL_BLEND);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}

}  // namespace

void SetupText() {
    for (int c = 0; c < kNumGlyphs; ++c) {
        FontData[c][0] = static_cast<float>(c % 16) * cWidth;
        FontData[c][1] = static_cast<float>(c / 16) * cHeight;
    }
}

void DrawString(const char* text, float size, float opacity, uint32_t fontTex) {
    if (text == nullptr) text = "";
    int n = static_cast<int>(strlen(text));
    glColor4f(1.0f, 0.0f, 0.0f, opacity);
    BeginText(fontTex);
    StartLine(n, size);
    for (int i = 0; i < n; ++i) PutLetter(static_cast<unsigned char>(text[i]), size);
    EndText();
}

Caption::Caption() {
    memset(cap, 0, sizeof cap);
    memset(alpha, 0, sizeof alpha);
}

void Caption::Set(const char* text, VECTOR3D colour, float showTime, float letterSize) {
    if (text == nullptr) text = "";
    timer = showTime;
    size = letterSize;
    ACTIVE = true;
    col = colour;
    length = static_cast<int32_t>(strnlen(text, kCaptionLength));
    for (int i = 0; i < length; ++i) {
        cap[i] = text[i];
        alpha[i] = static_cast<float>((rand() % 200) / -100.0 - 2.5);
    }
}

void Caption::Draw(uint32_t fontTex, double step) {
    if (!ACTIVE) return;
    timer = static_cast<float>(timer - step);
    BeginText(fontTex);
    StartLine(length, size);
    bool finished = true;
    for (int i = 0; i < length; ++i) {
        if (timer < 0.0f) {
            alpha[i] = static_cast<float>(alpha[i] - 0.5 * step);
            if (alpha[i] > 0.0f) finished = false;
        } else {
            alpha[i] = alpha[i] < 1.0f ? static_cast<float>(alpha[i] + 0.5 * step) : 1.0f;
            finished = false;
        }
        glColor4f(col.x, col.y, col.z, alpha[i]);
        PutLetter(static_cast<unsigned char>(cap[i]), size);
    }
    EndText();
    if (finished) ACTIVE = false;
}
