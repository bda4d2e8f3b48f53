#include "tests/assets/AssetTestSupport.h"

#include <GL/gl.h>
#include <stdlib.h>

#include <filesystem>

#include "assets/Alerts.h"
#include "base/FileIO.h"
#include "assets/TGAWriter.h"

std::vector<std::string> AlertCapture::alerts;
std::vector<std::string> AlertCapture::hooks;

AlertCapture::AlertCapture() {
    alerts.clear();
    hooks.clear();
    SetAlertSink(
        [](const char* title, const char* text) { alerts.push_back(std::string(title) + "|" + text); });
    SetErrorHookSink([](const char* message) { hooks.push_back(message); });
}

AlertCapture::~AlertCapture() {
    SetAlertSink(nullptr);
    SetErrorHookSink(nullptr);
}

ScratchDir::ScratchDir() {
    std::string pattern = std::filesystem::temp_directory_path().string() + "/dovel-assets-XXXXXX";
    if (mkdtemp(pattern.data())) path = pattern + "/";
    EXPECT_FALSE(path.empty()) << "cannot make a scratch folder";
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    if (!path.empty()) std::filesystem::remove_all(path, ignored);
}

std::string ScratchDir::Write(const std::string& name, const Bytes& bytes) const {
    std::string error;
    EXPECT_TRUE(WriteFileBytes(path + name, bytes, &error)) << error;
    return path + name;
}

std::string ScratchDir::Pack(const std::vector<PackLump>& lumps) const {
    static int packs = 0;
    return Write("pack" + std::to_string(++packs) + ".ple", EncodePack(lumps));
}

Bytes PatternPixels(int width, int height, int bpp) {
    Bytes pixels;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            pixels.insert(pixels.end(), {uint8_t(x * 40 + 1), uint8_t(y * 50 + 2), uint8_t(x + y * 7 + 3)});
            if (bpp == 32) pixels.push_back(uint8_t(255 - x - y));
        }
    return pixels;
}

Bytes PatternTGA(int width, int height, int bpp, bool rle, bool topOrigin) {
    return EncodeTGA(PatternPixels(width, height, bpp).data(), width, height, bpp, rle, topOrigin);
}

Bytes ModeProbeTGA() {
    const Bytes pixels = {200, 10, 30, 50, 60, 70};
    return EncodeTGA(pixels.data(), 2, 1, 24, false, false);
}

Bytes TexelsOf(const Texture& texture) {
    Bytes texels(size_t(texture.width) * texture.height * 4);
    glBindTexture(GL_TEXTURE_2D, texture.texID);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    return texels;
}

Bytes AlphasOf(const Texture& texture) {
    Bytes texels = TexelsOf(texture), alphas;
    for (size_t i = 3; i < texels.size(); i += 4) alphas.push_back(texels[i]);
    return alphas;
}
