// Shared helpers of the world tests: the GL state the scene controller
// leaves for the world, one frame driven as the controller drives it, and
// the shipped packs.
#pragma once

#include <string>

#include "scene/Settings.h"
#include "tests/support/GLHarness.h"
#include "world/VDMain.h"

// The seed every world test starts from: the whole scene replays from it.
constexpr unsigned kWorldSeed = 20240214u;
// The host's steady step at 60 frames per second.
constexpr double kStep = 1.0 / 60.0;

// The folder of the shipped packs (DOVEL_DATA_DIR, ending in "/").
std::string DataDir();

// A world on the shipped packs, with the GL state the host and the scene
// controller leave for it.
class WorldTest : public GLTest {
protected:
    SETTINGS settings;
    VDMAIN world;
    double clock = 0.0;

    void SetUp() override;
    void TearDown() override;
    // Sets the world up on the shipped packs; false when that fails.
    bool SetupWorld() { return world.Setup(&settings, DataDir().c_str()); }
    // n frames as the scene controller runs them: camera, frustum, Draw.
    void Frames(int n);
    // Active slots (whole hearts and fragments).
    int ActiveHearts() const;
    // Empties the pool: every slot inactive.
    void ClearHearts();
    // Makes slot i an active whole heart of class `size` at p, at rest.
    ONEHEART& PlaceHeart(int i, VECTOR3D p, int size = 0, float rise = 1.0f);
};
