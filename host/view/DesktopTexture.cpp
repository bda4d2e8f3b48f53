#include "host/view/DesktopTexture.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <cstdlib>

namespace {

constexpr int kLargestExponent = 30;

bool ShotIsUsable(const SnapshotImage& shot) {
    if (shot.width <= 0 || shot.height <= 0) return false;
    return shot.rgba.size() == static_cast<size_t>(shot.width) * static_cast<size_t>(shot.height) * 4;
}

void DeleteName(uint32_t* name) {
    GLuint n = *name;
    if (n != 0) glDeleteTextures(1, &n);
    *name = 0;
}

// Scales the shot to tw x th into a new buffer and checks it; false when
// the result cannot be used (scaling error, all black).
bool ScaleAndUpload(const SnapshotImage& shot, int tw, int th) {
    size_t bytes = static_cast<size_t>(tw) * static_cast<size_t>(th) * 4;
    auto* scaled = static_cast<uint8_t*>(malloc(bytes));
    if (scaled == nullptr) return false;
    GLint err = gluScaleImage(GL_RGBA, shot.width, shot.height, GL_UNSIGNED_BYTE, shot.rgba.data(), tw, th,
                              GL_UNSIGNED_BYTE, scaled);
    bool usable = err == 0 && !IsAllBlack(scaled, static_cast<size_t>(tw) * static_cast<size_t>(th));
    if (usable) glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, tw, th, 0, GL_RGBA, GL_UNSIGNED_BYTE, scaled);
    free(scaled);
    return usable;
}

}  // namespace

int SnapshotMaxSide(int detail, int glMaxTextureSize) {
    if (detail == 0) return 512;
    if (detail == 1) return 1024;
    return glMaxTextureSize;
}

int SnapshotTextureSide(int side, int maxSide) {
    if (side < 1) side = 1;
    double exponent = std::floor(std::log(static_cast<double>(side)) / std::log(2.0) + 0.5);
    if (exponent > kLargestExponent) exponent = kLargestExponent;
    int texture = 1 << static_cast<int>(exponent);
    return texture < maxSide ? texture : (maxSide > 0 ? maxSide : 1);
}

bool IsAllBlack(const uint8_t* rgba, size_t pixels) {
    for (size_t i = 0; i < pixels; ++i) {
        const uint8_t* p = rgba + i * 4;
        if (p[0] != 0 || p[1] != 0 || p[2] != 0) return false;
    }
    return true;
}

void BuildSnapshotTexture(const SnapshotImage& shot, int detail, uint32_t* name) {
    if (!ShotIsUsable(shot)) {
        DeleteName(name);
        return;
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    if (*name == 0) {
        GLuint fresh = 0;
        glGenTextures(1, &fresh);
        *name = fresh;
    }
    glBindTexture(GL_TEXTURE_2D, *name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    GLint glMax = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &glMax);
    int maxSide = SnapshotMaxSide(detail, glMax);
    int tw = SnapshotTextureSide(shot.width, maxSide);
    int th = SnapshotTextureSide(shot.height, maxSide);
    if (!ScaleAndUpload(shot, tw, th)) DeleteName(name);
}
