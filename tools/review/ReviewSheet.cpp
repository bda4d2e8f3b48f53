#include "tools/review/ReviewSheet.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstring>
#include <vector>

#include "base/FileIO.h"
#include "assets/Text.h"
#include "host/egl/EglOffscreen.h"
#include "tools/gen/PngFile.h"
#include "tools/review/ReviewArt.h"

namespace {

constexpr int kSheetWidth = 1680;
constexpr int kSheetHeight = 2140;
constexpr float kSkyBlue[3] = {0.6f, 0.8f, 1.0f};  // the scene's default background colour

// A rectangle of the sheet, x and y from the top-left corner.
struct Panel {
    int x, y, w, h;
};

void ScissorTo(const Panel& p) {
    int glY = kSheetHeight - p.y - p.h;
    glViewport(p.x, glY, p.w, p.h);
    glScissor(p.x, glY, p.w, p.h);
}

// Pixel space over the panel: origin bottom-left, one unit per pixel.
void PixelSpace(const Panel& p) {
    ScissorTo(p);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, p.w, 0, p.h, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void SceneSpace(const Panel& p) {
    ScissorTo(p);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, static_cast<float>(p.w) / p.h, 1.0, 120.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void Clear(const Panel& p, float r, float g, float b) {
    ScissorTo(p);
    glClearColor(r, g, b, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void TexturedQuad(unsigned tex, float x0, float y0, float x1, float y1) {
    glBindTexture(GL_TEXTURE_2D, tex);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2f(x0, y0);
    glTexCoord2f(1, 0);
    glVertex2f(x1, y0);
    glTexCoord2f(1, 1);
    glVertex2f(x1, y1);
    glTexCoord2f(0, 1);
    glVertex2f(x0, y1);
    glEnd();
}

// 2D state as the overlay sets it.
void Begin2D(const Panel& p) {
    PixelSpace(p);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glColor4f(1, 1, 1, 1);
}

void End2D() {
    glDisable(GL_BLEND);
    glColor4f(1, 1, 1, 1);
    glEnable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
}

// The backdrop picture stretched over the panel (as the desktop background).
void Backdrop(ReviewArt* art, const Panel& p) {
    Clear(p, 0, 0, 0);
    Begin2D(p);
    TexturedQuad(art->backdrop.texID, 0, 0, p.w, p.h);
    End2D();
}

// A line of text from the font sheet in any colour, laid out as the
// program lays out its captions (cells of the letter size, 0.75 apart),
// centred on (cx, cy) of the current 2D space.
void Label(unsigned font, const char* text, float cx, float cy, float size, float r, float g, float b) {
    glPushMatrix();
    glTranslatef(cx, cy, 0);
    glColor4f(r, g, b, 1.0f);
    glEnable(GL_BLEND);
    glBindTexture(GL_TEXTURE_2D, font);
    int n = static_cast<int>(std::strlen(text));
    glTranslatef(-0.375f * size * (n + 2), 0, 0);
    for (int i = 0; i < n; ++i) {
        glTranslatef(0.75f * size, 0, 0);
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c <= 32 || c > 127) continue;
        float u = FontData[c - 32][0], v = FontData[c - 32][1];
        glBegin(GL_QUADS);
        glTexCoord2f(u + cWidth, 1 - v);
        glVertex2f(size, size / 2);
        glTexCoord2f(u, 1 - v);
        glVertex2f(0, size / 2);
        glTexCoord2f(u, 1 - v - cHeight);
        glVertex2f(0, -size / 2);
        glTexCoord2f(u + cWidth, 1 - v - cHeight);
        glVertex2f(size, -size / 2);
        glEnd();
    }
    glDisable(GL_BLEND);
    glColor4f(1, 1, 1, 1);
    glPopMatrix();
}

void PanelLabel(ReviewArt* art, const Panel& p, const char* text) {
    Panel strip{p.x, p.y + p.h - 24, p.w, 24};
    Begin2D(strip);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glColor4f(1.0f, 0.97f, 0.95f, 0.85f);
    glRectf(0, 0, strip.w, strip.h);
    glEnable(GL_TEXTURE_2D);
    Label(art->pack[0].texID, text, strip.w * 0.5f, 12.0f, 16.0f, 0.45f, 0.08f, 0.2f);
    End2D();
}

// ---- Rows ---------------------------------------------------------------

struct ArcherView {
    const char* label;
    float frame;  // -1: bind pose
    float wings;
    float yaw, pitch;
    bool nocked;
};

void ArcherPanel(ReviewArt* art, const Panel& p, const ArcherView& v, float distance) {
    Clear(p, kSkyBlue[0], kSkyBlue[1], kSkyBlue[2]);
    SceneSpace(p);
    PoseArcher(&art->archer, v.frame, v.wings);
    DrawArcher(art, 0.0f, 0.0f, -distance, v.yaw, v.pitch, v.nocked);
    PanelLabel(art, p, v.label);
}

void ArcherRows(ReviewArt* art, int top) {
    const ArcherView poses[] = {
        {"bind pose", -1, 0, 0, 4, false},
        {"flight, frame 8", 8, -20, -25, 6, false},
        {"drawn, frame 18", 18, -20, -25, 6, true},
        {"loosing, frame 34", 34, -20, -25, 6, true},
        {"recovery, frame 40", 40, -20, -25, 6, false},
        {"wings +45", 8, 45, -25, 6, false},
        {"wings -45", 8, -45, -25, 6, false},
    };
    for (int i = 0; i < 7; ++i) ArcherPanel(art, Panel{i * 240, top, 240, 340}, poses[i], 4.6f);
    const ArcherView details[] = {
        {"34, from its left", 34, -20, -90, 0, true},    {"34, from above", 34, -20, 0, 90, true},
        {"18, from behind", 18, -20, 150, 10, true},     {"flight from below", 5, 30, 20, -35, false},
        {"16, raising the bow", 16, -10, -40, 6, false},
    };
    for (int i = 0; i < 5; ++i) ArcherPanel(art, Panel{i * 240, top + 340, 240, 340}, details[i], 4.6f);
    // The arrow, large, from the side and three-quarters.
    Panel arrowPanel{1200, top + 340, 480, 340};
    Clear(arrowPanel, kSkyBlue[0], kSkyBlue[1], kSkyBlue[2]);
    SceneSpace(arrowPanel);
    DrawArrow(art, 0.75f, 0.45f, -2.6f, 90, 0);
    DrawArrow(art, 0.8f, -0.4f, -2.6f, 60, 15);
    PanelLabel(art, arrowPanel, "the arrow (tip at its origin)");
}

// The ten sizes, each in a panel of its own, turned a little more each
// time, in shades from red to purple as random shades make them.
void HeartRow(ReviewArt* art, int top, bool blended) {
    for (int k = 0; k < kHeartSizes; ++k) {
        Panel p{k * 168, top, 168, 200};
        Backdrop(art, p);
        SceneSpace(p);
        float blue = k / 9.0f * 0.99f;
        DrawHeart(art, k, 0.0f, 0.12f, -3.2f, -40.0f + 10.0f * k, 1.0f, 0.0f, blue, blended);
    }
    PanelLabel(art, Panel{0, top, kSheetWidth, 200},
               blended ? "the ten heart sizes, transparent (blended)" : "the ten heart sizes, opaque");
}

// Captions as the overlay draws them on a 1280 x 720 view: overlay space
// (1024 x 768) stretched over the drawable (the panel shows a band of it).
void CaptionPanel(ReviewArt* art, const Panel& band, bool dark) {
    Clear(band, dark ? 0.0f : kSkyBlue[0], dark ? 0.0f : kSkyBlue[1], dark ? 0.0f : kSkyBlue[2]);
    Panel p{band.x + (band.w - 1280) / 2, band.y, 1280, band.h};
    Begin2D(p);
    glScalef(1280.0f / 1024.0f, 720.0f / 768.0f, 1.0f);
    unsigned font = art->pack[0].texID;
    float top = p.h / (720.0f / 768.0f);
    glPushMatrix();
    glTranslatef(512, top - 16, 0);
    DrawString("Time til St.Valentine's Day...", 16, 0.9f, font);
    glPopMatrix();
    glPushMatrix();
    glTranslatef(512, top - 32, 0);
    DrawString("43 Days,23 Hours,59 Minutes,59 Seconds.", 16, 0.9f, font);
    glPopMatrix();
    Label(font, "Did you know you can display images of your Valentine in the background?", 512, top - 58, 16,
          1, 1, 1);
    Label(font, "It's easy! See the readme file or website for instructions.", 512, top - 76, 16, 1, 1, 1);
    Label(font, "Error loading picture file!", 512, top - 112, 32, 1, 0, 0);
    End2D();
}

void FontPanel(ReviewArt* art, const Panel& p) {
    Clear(p, 0.22f, 0.05f, 0.12f);
    Begin2D(p);
    glEnable(GL_BLEND);
    TexturedQuad(art->pack[0].texID, (p.w - 512) / 2, (p.h - 256) / 2, (p.w + 512) / 2, (p.h + 256) / 2);
    End2D();
}

void StripPanel(ReviewArt* art, const Panel& p) {
    Backdrop(art, p);
    Begin2D(p);
    glEnable(GL_BLEND);
    // Corner banner and the two centre strips as the banner draws them.
    TexturedQuad(art->pack[1].texID, 20, p.h - 60, 20 + 256, p.h - 28);
    TexturedQuad(art->pack[4].texID, 300, p.h - 60, 300 + 512, p.h - 28);
    TexturedQuad(art->pack[5].texID, 300, p.h - 100, 300 + 512, p.h - 68);
    End2D();
    // The full-screen message: the strip at 1024 x 64 over black.
    Panel message{p.x, p.y + 110, p.w, 170};
    Clear(message, 0, 0, 0);
    Begin2D(message);
    glEnable(GL_BLEND);
    TexturedQuad(art->pack[4].texID, 8, 95, 8 + 1024, 95 + 64);
    TexturedQuad(art->pack[5].texID, 8, 15, 8 + 1024, 15 + 64);
    End2D();
}

// The partner picture at its largest drawn size, 512 x 512.
void PartnerPanel(ReviewArt* art, const Panel& p) {
    Clear(p, 0.12f, 0.02f, 0.06f);
    Begin2D(p);
    float x0 = (p.w - 512) * 0.5f, y0 = (p.h - 512) * 0.5f;
    TexturedQuad(art->pack[7].texID, x0, y0, x0 + 512, y0 + 512);
    End2D();
}

void Title(ReviewArt* art, const Panel& p) {
    Clear(p, 1.0f, 0.95f, 0.93f);
    Begin2D(p);
    Label(art->pack[0].texID, "Dovel - artwork review sheet", p.w * 0.5f, p.h * 0.5f, 28, 0.7f, 0.05f, 0.25f);
    End2D();
}

void DrawSheet(ReviewArt* art) {
    glEnable(GL_SCISSOR_TEST);
    SetSceneState();
    int y = 0;
    Title(art, Panel{0, y, kSheetWidth, 50});
    y += 50;
    ArcherRows(art, y);
    y += 680;
    HeartRow(art, y, false);
    y += 200;
    HeartRow(art, y, true);
    y += 200;
    CaptionPanel(art, Panel{0, y, kSheetWidth, 150}, false);
    CaptionPanel(art, Panel{0, y + 150, kSheetWidth, 150}, true);
    PanelLabel(art, Panel{0, y, kSheetWidth, 300}, "captions and countdown as drawn on a 1280 x 720 view");
    y += 300;
    StripPanel(art, Panel{0, y, 1040, 280});
    PartnerPanel(art, Panel{1040, y, 640, 580});
    FontPanel(art, Panel{0, y + 280, 1040, 300});
    y += 580;
    Panel rest{0, y, kSheetWidth, 130};
    Backdrop(art, rest);
    Begin2D(rest);
    Label(art->pack[0].texID, "Dovel's own background picture (fallback wallpaper)", rest.w * 0.5f, 65, 16,
          0.45f, 0.08f, 0.2f);
    End2D();
    glDisable(GL_SCISSOR_TEST);
}

}  // namespace

bool RenderReviewSheet(const std::string& dataDir, const std::string& outputPath, std::string* error) {
    EglOffscreen gl;
    if (!gl.Create(kSheetWidth, kSheetHeight, error)) return false;
    bool ok = false;
    {
        ReviewArt art;
        if (art.Load(dataDir, error)) {
            SetupText();
            DrawSheet(&art);
            glFinish();
            std::vector<uint8_t> pixels(static_cast<size_t>(kSheetWidth) * kSheetHeight * 3);
            glPixelStorei(GL_PACK_ALIGNMENT, 1);
            glReadPixels(0, 0, kSheetWidth, kSheetHeight, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
            // Rows arrive bottom first; PNG wants the top first.
            std::vector<uint8_t> flipped(pixels.size());
            size_t stride = static_cast<size_t>(kSheetWidth) * 3;
            for (int row = 0; row < kSheetHeight; ++row)
                std::memcpy(&flipped[row * stride], &pixels[(kSheetHeight - 1 - row) * stride], stride);
            std::vector<uint8_t> png = EncodePNG(flipped.data(), kSheetWidth, kSheetHeight, false);
            ok = !png.empty() && WriteFileBytes(outputPath, png, error);
            if (png.empty()) *error = "cannot encode the sheet";
        }
        art.Release();
    }
    gl.Destroy();
    return ok;
}
