#include "tests/assets/AssetTestSupport.h"

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "assets/Alerts.h"
#include "assets/FileBytes.h"
#include "assets/TGAWriter.h"

namespace {

std::vector<AlertCapture::Alert> capturedAlerts;
std::vector<std::string> capturedHookMessages;

void RecordAlert(const char* title, const char* text) {
    capturedAlerts.push_back({title, text});
}

void RecordHookMessage(const char* message) {
    capturedHookMessages.push_back(message);
}

}  // namespace

AlertCapture::AlertCapture() {
    capturedAlerts.clear();
    capturedHookMessages.clear();
    SetAlertSink(RecordAlert);
    SetErrorHookSink(RecordHookMessage);
}

AlertCapture::~AlertCapture() {
    SetAlertSink(nullptr);
    SetErrorHookSink(nullptr);
}

const std::vector<AlertCapture::Alert>& AlertCapture::alerts() const {
    return capturedAlerts;
}

const std::vector<std::string>& AlertCapture::hookMessages() const {
    return capturedHookMessages;
}

std::string AlertCapture::Only() const {
    if (capturedAlerts.size() != 1) return std::to_string(capturedAlerts.size()) + " alerts";
    return capturedAlerts[0].title + "|" + capturedAlerts[0].text;
}

ScratchDir::ScratchDir() {
    const char* tmp = getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/dovel-assets-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data())) path = std::string(buffer.data()) + "/";
    EXPECT_FALSE(path.empty()) << "cannot make a scratch folder";
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    if (!path.empty()) std::filesystem::remove_all(path, ignored);
}

std::string ScratchDir::Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
    std::string full = path + name;
    std::string error;
    EXPECT_TRUE(WriteFileBytes(full, bytes, &error)) << error;
    return full;
}

std::vector<uint8_t> PatternPixels(int width, int height, int bpp) {
    std::vector<uint8_t> pixels;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            pixels.push_back(static_cast<uint8_t>(x * 40 + 1));
            pixels.push_back(static_cast<uint8_t>(y * 50 + 2));
            pixels.push_back(static_cast<uint8_t>(x + y * 7 + 3));
            if (bpp == 32) pixels.push_back(static_cast<uint8_t>(255 - x - y));
        }
    }
    return pixels;
}

std::vector<uint8_t> PatternTGA(int width, int height, int bpp, bool rle, bool topOrigin) {
    std::vector<uint8_t> pixels = PatternPixels(width, height, bpp);
    return EncodeTGA(pixels.data(), width, height, bpp, rle, topOrigin);
}
