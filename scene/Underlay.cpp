// The background underlay: the desktop texture full screen, or the picture
// slideshow, drawn in pixel space before the world.
#include <GL/gl.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <utility>

#include "assets/Pics.h"
#include "scene/SSMain.h"

namespace {

// Pixel space: origin bottom-left, one unit per pixel.
void SetPixelProjection(int32_t w, int32_t h) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, w, 0.0, h, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

// One textured rectangle from (x, y) to (x + w, y + h) at z = 0, the whole
// texture upright on it.
void DrawRectangle(float x, float y, float w, float h) {
    glBegin(GL_TRIANGLE_STRIP);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(x, y, 0.0f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(x + w, y, 0.0f);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(x, y + h, 0.0f);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(x + w, y + h, 0.0f);
    glEnd();
}

}  // namespace

point2d FitPicture(float w, float h, int32_t drawableW, int32_t drawableH, bool fit) {
    point2d size = {w, h};
    if (w <= 0.0f || h <= 0.0f) return size;
    const double r = static_cast<double>(w) / h;
    const point2d byWidth = {static_cast<float>(drawableW), static_cast<float>(drawableW / r)};
    const point2d byHeight = {static_cast<float>(drawableH * r), static_cast<float>(drawableH)};
    if (fit) return h > w ? byHeight : byWidth;
    if (w > h) return w > drawableW ? byWidth : size;
    return h > drawableH ? byHeight : size;
}

bool SSMAIN::UnderlayCoversDrawable() const {
    return settings != nullptr && (settings->BGTYPE == BG_SNAPSHOT || settings->BGTYPE == BG_DESKTOP);
}

void SSMAIN::DoUnderlay() {
    SetPixelProjection(width, height);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glEnable(GL_TEXTURE_2D);
    if (settings == nullptr || settings->BGTYPE != BG_SLIDESHOW) {
        if (!DrawBackdrop()) {
            glBindTexture(GL_TEXTURE_2D, deskTexID);
            DrawRectangle(0.0f, 0.0f, static_cast<float>(width), static_cast<float>(height));
            CaptureBackdrop();
        }
    } else {
        RunSlideshow();
    }
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glEnable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
}

// The filtered desktop texture covers the whole drawable with blending off,
// so once drawn the frame holds exactly the background; later frames copy
// that, one texel per pixel with nearest sampling, which gives the same
// pixels at a fraction of the cost of filtering the desktop texture.
bool SSMAIN::DrawBackdrop() {
    if (backdropTex == 0 || backdropSource != deskTexID || backdropW != width || backdropH != height)
        return false;
    glBindTexture(GL_TEXTURE_2D, backdropTex);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    DrawRectangle(0.0f, 0.0f, static_cast<float>(width), static_cast<float>(height));
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    return true;
}

// Reads the frame back and keeps it as a texture of the drawable's size.
// Read and upload in the framebuffer's own B G R A layout are plain copies;
// they wait for the frame to be rasterised, so the first frame (start-up)
// is left alone and the second frame pays for it. The frame travels in
// bands of rows, so the copy never holds more than a band besides the
// texture (a whole frame at once raised the program's peak memory by its
// size).
void SSMAIN::CaptureBackdrop() {
    if (backdropFailed || width <= 0 || height <= 0 || ++backdropWaited < 2) return;
    backdropWaited = 0;
    constexpr int32_t kBandRows = 64;
    const int32_t band = height < kBandRows ? height : kBandRows;
    const size_t bytes = static_cast<size_t>(width) * static_cast<size_t>(band) * 4;
    auto* pixels = static_cast<uint8_t*>(malloc(bytes));
    if (pixels == nullptr) return;
    while (glGetError() != GL_NO_ERROR) {
    }
    GLuint name = backdropTex;
    if (name == 0) glGenTextures(1, &name);
    backdropTex = name;
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, nullptr);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    for (int32_t y = 0; y < height; y += band) {
        const int32_t rows = height - y < band ? height - y : band;
        glReadPixels(0, y, width, rows, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, pixels);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, y, width, rows, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, pixels);
    }
    free(pixels);
    if (glGetError() != GL_NO_ERROR) {
        // No texture of the drawable's size here (an old GL without
        // textures of any size): keep filtering the desktop texture.
        ReleaseBackdrop();
        backdropFailed = true;
        return;
    }
    backdropSource = deskTexID;
    backdropW = width;
    backdropH = height;
}

void SSMAIN::ReleaseBackdrop() {
    if (backdropTex != 0) {
        GLuint name = backdropTex;
        glDeleteTextures(1, &name);
    }
    backdropTex = 0;
    backdropSource = 0;
    backdropW = backdropH = 0;
}

void SSMAIN::RunSlideshow() {
    picTimer = static_cast<float>(picTimer - frameTime);
    bool fading = true;
    if (picTimer < 0.0f) {
        picTimer = static_cast<float>(settings->SETPICDELAY);
        picFade = 0.0f;
    } else if (picFade >= 1.0f) {
        fading = false;
    }
    if (fading) {
        picFade = static_cast<float>(picFade + frameTime);
        if (picFade >= 1.0f) {
            picFade = 1.0f;
            SwapPictureSlots();
        }
    }
    glEnable(GL_BLEND);
    if (picFade < 1.0f) {
        glColor4f(1.0f, 1.0f, 1.0f, picFade);
        DrawPic(0);
        glColor4f(1.0f, 1.0f, 1.0f, 1.0f - picFade);
        DrawPic(1);
    } else {
        glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
        DrawPic(1);
    }
    glDisable(GL_BLEND);
}

void SSMAIN::DrawPic(int32_t i) {
    if (i < 0 || i > 1) return;
    glBindTexture(GL_TEXTURE_2D, pics[i].texID);
    float x0 = std::trunc((static_cast<float>(width) - picSize[i].x) * 0.5f);
    float y0 = std::trunc((static_cast<float>(height) - picSize[i].y) * 0.5f);
    DrawRectangle(x0, y0, picSize[i].x, picSize[i].y);
}

void SSMAIN::LoadPic() {
    ReleasePicture(0);
    if (!LoadPicture(settings->BGPath, &pics[0])) {
        errorCaption.Set(kPictureErrorText, VECTOR3D{1.0f, 0.0f, 0.0f}, 30.0f, 32.0f);
        settings->BGTYPE = BG_COLOUR;
        return;
    }
    picSize[0] = FitPicture(static_cast<float>(pics[0].width), static_cast<float>(pics[0].height), width,
                            height, settings->FITSCREEN);
}

void SSMAIN::StartSlideshow() {
    picFade = 0.0f;
    picTimer = 0.0f;
    LoadPic();
    ReleasePicture(1);
    Texture& partner = pics[1];
    partner.texID = PackTexture(kPartnerPictureSlot);
    picBorrowed[1] = true;
    uint32_t s = static_cast<uint32_t>(height < kPicTextureSize ? height : kPicTextureSize);
    partner.width = partner.height = s;
    picSize[1] = point2d{static_cast<float>(s), static_cast<float>(s)};
}

void SSMAIN::ReleasePicture(int slot) {
    if (picBorrowed[slot]) pics[slot].texID = 0;  // the pack owns that name
    picBorrowed[slot] = false;
    pics[slot].Cleanup();
    pics[slot].width = pics[slot].height = 0;
    picSize[slot] = point2d{};
}

void SSMAIN::SwapPictureSlots() {
    std::swap(pics[0], pics[1]);
    std::swap(picSize[0], picSize[1]);
    std::swap(picBorrowed[0], picBorrowed[1]);
}
