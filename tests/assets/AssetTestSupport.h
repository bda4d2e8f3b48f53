// Helpers shared by the asset tests: alert capture, a scratch folder and
// small images.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

// Records every alert shown while it lives (MessageBox through the alert
// sink) and every message passed to the error hooks; restores the defaults
// when destroyed.
struct AlertCapture {
    struct Alert {
        std::string title;
        std::string text;
    };
    AlertCapture();
    ~AlertCapture();
    const std::vector<Alert>& alerts() const;
    const std::vector<std::string>& hookMessages() const;
    // The one alert shown, as "TITLE|text", or a description of how many were
    // shown when that is not exactly one.
    std::string Only() const;
};

// A fresh folder under $TMPDIR (or /tmp), removed with its files at the end.
struct ScratchDir {
    std::string path;  // ends in "/"
    ScratchDir();
    ~ScratchDir();
    // Writes bytes to path + name and returns the full path.
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const;
};

// A width x height RGB (bpp 24) or RGBA (bpp 32) image, rows bottom-up,
// whose pixel (x, y) is (x * 40 + 1, y * 50 + 2, x + y * 7 + 3[, 255 - x - y]).
std::vector<uint8_t> PatternPixels(int width, int height, int bpp);
// Pattern image encoded as TGA.
std::vector<uint8_t> PatternTGA(int width, int height, int bpp, bool rle = false, bool topOrigin = false);
