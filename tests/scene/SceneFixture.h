// A GL fixture that plays the host view's part for the scene controller:
// the host's GL set-up, its frame (clear, Update, DoUnderlay unless the
// background is the plain colour, perspective camera, Draw), and pixel
// read-back helpers. Scenes are set up from the generated resource packs
// in $DOVEL_DATA_DIR.
#pragma once

#include <GL/gl.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "scene/SSMain.h"
#include "tests/support/GLHarness.h"

inline std::string DataDir() {
    const char* dir = getenv("DOVEL_DATA_DIR");
    return dir != nullptr ? dir : "";
}

using PixelTest = std::function<bool(const uint8_t*)>;

// Any colour but the fixture's clear colour, pure blue.
inline bool NotBlue(const uint8_t* p) {
    return !(p[0] == 0 && p[1] == 0 && p[2] == 255);
}

// The rectangle covered by the pixels that pass a test; empty when none do.
struct PixelBox {
    int x0 = 0, y0 = 0, x1 = -1, y1 = -1;  // inclusive
    int count = 0;
};

class SceneTest : public GLTest {
protected:
    SETTINGS settings;

    SceneTest() {
        width = 512;
        height = 384;
        settings.BGTYPE = BG_COLOUR;
        settings.SETNUMHEARTS = 20;
        settings.BGCR = settings.BGCG = 0.0f;
        settings.BGCB = 1.0f;
    }

    void SetUp() override {
        GLTest::SetUp();
        HostGLInit();
    }

    // The host's glInit: shading, clear values, depth test, colour material.
    void HostGLInit() {
        glViewport(0, 0, width, height);
        glShadeModel(GL_SMOOTH);
        glClearColor(settings.BGCR, settings.BGCG, settings.BGCB, 0.0f);
        glClearDepth(1.0);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
        glEnable(GL_COLOR_MATERIAL);
        glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    }

    bool SetupScene(SSMAIN* scene, bool preview = false) {
        return scene->Setup(preview, width, height, &settings, DataDir().c_str());
    }

    // One drawn frame of the host.
    void HostFrame(SSMAIN* scene, double step) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        scene->Update(step);
        if (settings.BGTYPE != BG_COLOUR) scene->DoUnderlay();
        SetSceneCamera(width, height);
        scene->Draw();
    }

    // Only the overlay, on a cleared frame (as Draw calls it, with 2D
    // texturing on).
    void OverlayFrame(SSMAIN* scene, double step) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        scene->Update(step);
        glEnable(GL_TEXTURE_2D);
        scene->DoOverlay();
        glDisable(GL_TEXTURE_2D);
    }

    // The pixels of rows y0..y1 that pass a test: how many, and their box.
    PixelBox FindPixels(const PixelTest& test, int y0 = 0, int y1 = INT_MAX) {
        std::vector<uint8_t> pixels = ReadFramebuffer(width, height);
        PixelBox box{width, height, -1, -1, 0};
        for (int y = std::max(0, y0); y <= std::min(height - 1, y1); ++y) {
            for (int x = 0; x < width; ++x) {
                if (!test(&pixels[(static_cast<size_t>(y) * width + x) * 4])) continue;
                ++box.count;
                box.x0 = std::min(box.x0, x);
                box.y0 = std::min(box.y0, y);
                box.x1 = std::max(box.x1, x);
                box.y1 = std::max(box.y1, y);
            }
        }
        return box.count == 0 ? PixelBox{} : box;
    }
};
