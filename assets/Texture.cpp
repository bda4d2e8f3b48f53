#include "assets/Texture.h"

#include <GL/gl.h>

#include <cstdlib>
#include <new>
#include <utility>

Texture::Texture(Texture&& other) noexcept {
    *this = std::move(other);
}

Texture& Texture::operator=(Texture&& other) noexcept {
    if (this == &other) return *this;
    Cleanup();
    imageData = std::exchange(other.imageData, nullptr);
    bpp = std::exchange(other.bpp, 0);
    width = std::exchange(other.width, 0);
    height = std::exchange(other.height, 0);
    texID = std::exchange(other.texID, 0);
    type = std::exchange(other.type, 0);
    return *this;
}

void Texture::FreePixels() {
    std::free(imageData);
    imageData = nullptr;
}

void Texture::Cleanup() {
    FreePixels();
    if (texID != 0) {
        GLuint name = texID;
        glDeleteTextures(1, &name);
        texID = 0;
    }
}

namespace {

size_t PixelCount(const Texture& texture) {
    return static_cast<size_t>(texture.width) * texture.height;
}

uint8_t AlphaFor(const uint8_t* rgb, const uint8_t* key, int alphaMode) {
    if (alphaMode == kAlphaColourKey)
        return (rgb[0] == key[0] && rgb[1] == key[1] && rgb[2] == key[2]) ? 0 : 255;
    if (alphaMode == kAlphaBrightness) {
        uint8_t m = rgb[0] > rgb[1] ? rgb[0] : rgb[1];
        return m > rgb[2] ? m : rgb[2];
    }
    return 255;
}

// Generates and binds a new texture name into texture->texID.
void GenerateName(Texture* texture) {
    GLuint name = 0;
    glGenTextures(1, &name);
    texture->texID = name;
    glBindTexture(GL_TEXTURE_2D, name);
}

// Uploads the RGBA texels at the image's own size and sets clamping to the
// edge (plain clamping would blend the black border colour into the outer
// texels under linear filtering: a dark frame round every picture) and
// linear filtering; then frees the decoded pixels.
void UploadAndFinish(Texture* texture, const uint8_t* rgba) {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexImage2D(GL_TEXTURE_2D, 0, 4, static_cast<GLsizei>(texture->width),
                 static_cast<GLsizei>(texture->height), 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    texture->FreePixels();
}

bool HasPixels(const Texture* texture) {
    return texture && texture->imageData && texture->width > 0 && texture->height > 0;
}

}  // namespace

void ExpandToRGBA(const Texture& texture, int alphaMode, uint8_t* rgba) {
    const int sourceBytes = texture.type == GL_RGBA ? 4 : 3;
    const uint8_t* source = texture.imageData;
    const uint8_t key[3] = {source[0], source[1], source[2]};
    const size_t count = PixelCount(texture);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* in = source + i * sourceBytes;
        uint8_t* out = rgba + i * 4;
        out[0] = in[0];
        out[1] = in[1];
        out[2] = in[2];
        out[3] = AlphaFor(in, key, alphaMode);
    }
}

bool BuildTexture(Texture* texture, int alphaMode) {
    if (!HasPixels(texture)) return false;
    GenerateName(texture);
    uint8_t* rgba = static_cast<uint8_t*>(std::malloc(PixelCount(*texture) * 4));
    if (!rgba) return false;
    ExpandToRGBA(*texture, alphaMode, rgba);
    UploadAndFinish(texture, rgba);
    std::free(rgba);
    return true;
}

bool BuildTGATextureWithAlpha(Texture* texture, const Texture* alphaImage) {
    // Both images are read 3 bytes per pixel over the first image's size, so
    // they must both be 24-bit and of the same size.
    if (!HasPixels(texture) || !HasPixels(alphaImage)) return false;
    if (texture->type == GL_RGBA || alphaImage->type == GL_RGBA) return false;
    if (texture->width != alphaImage->width || texture->height != alphaImage->height) return false;
    GenerateName(texture);
    const size_t count = PixelCount(*texture);
    uint8_t* rgba = static_cast<uint8_t*>(std::malloc(count * 4));
    if (!rgba) return false;
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* in = texture->imageData + i * 3;
        uint8_t* out = rgba + i * 4;
        out[0] = in[0];
        out[1] = in[1];
        out[2] = in[2];
        out[3] = alphaImage->imageData[i * 3];
    }
    UploadAndFinish(texture, rgba);
    std::free(rgba);
    return true;
}
