// Shared helpers of the world tests: the GL state the scene controller
// leaves for the world, one frame driven as the controller drives it, the
// shipped packs, and small packs written in code for set-ups that must fail.
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

// A fresh empty folder under the temporary folder, removed with its files on
// destruction; path ends in "/".
struct ScratchFolder {
    std::string path;
    ScratchFolder();
    ~ScratchFolder();
    std::string File(const char* name) const { return path + name; }
};

// Writes an archer pack (a skinned model with `joints` joints, the last the
// bow hand, and `textures` textures) as folder + "dovel.ple".
void WriteArcherPack(const std::string& folder, int joints, int textures);
// Copies the shipped pack `name` into folder.
void CopyShippedPack(const std::string& folder, const char* name);

// The GL state the world finds: the host's depth test and colour material,
// the scene controller's light 0, back-face culling, sphere-map generation
// and blend function.
void PrepareWorldGL();

// A world on the shipped packs in a GL context of width x height.
class WorldTest : public GLTest {
protected:
    SETTINGS settings;
    VDMAIN world;
    double clock = 0.0;

    void SetUp() override;
    void TearDown() override;
    // Extracts the frustum of the system's camera, as every frame starts.
    void Camera();
    // Sets the world up on the shipped packs; false when that fails.
    bool SetupWorld();
    // One frame as the scene controller runs it: camera, frustum, Draw.
    void Frame(double dt = kStep);
    void Frames(int n, double dt = kStep);
    // Active slots (whole hearts and fragments).
    int ActiveHearts() const;
    // Empties the pool: every slot inactive.
    void ClearHearts();
    // Makes slot i an active whole heart of class `size` at p, at rest.
    ONEHEART& PlaceHeart(int i, VECTOR3D p, int size = 0, float rise = 1.0f);
};
