// Helpers for the artwork tests: where the generated packs and the built
// programs are, reading models and images out of the packs without GL, and
// posing the archer the way the scene does.
#pragma once

#include <string>
#include <vector>

#include "assets/Texture.h"
#include "model/MilkshapeModel.h"

// The build's resource folder (DOVEL_DATA_DIR, ending in "/").
std::string DataDir();
// The folder of the running test program (the build's bin/), ending in "/".
std::string ProgramDir();

// Reads lump `lump` of the pack as a model. False on any failure.
bool LoadModelLump(const std::string& pack, int lump, MS3D* model);
// Decodes lump `lump` of the pack as a TGA image (pixels kept, no GL).
bool LoadImageLump(const std::string& pack, int lump, Texture* image);

// Runs a shell command line; returns its exit status (-1 when it did not
// exit normally).
int RunCommand(const std::string& command);
std::string Quote(const std::string& text);

// A fresh empty folder under the temporary folder, removed on destruction.
struct TempDir {
    std::string path;  // ends in "/"
    TempDir();
    ~TempDir();
};

// Index of the group with this name, or -1.
int FindGroup(const MS3D& model, const char* name);
// The vertex indices used by a group's triangles (each once).
std::vector<int> GroupVertices(const MS3D& model, int group);
VECTOR3D VertexAt(const MS3D& model, int index);

// The archer as the scene prepares it: loaded from dovel.ple, scaled by
// 0.05, skeleton set up, posed in its bind pose.
bool LoadArcher(MS3D* archer);
// Sets the wing beat as the scene does (joint n-2 turned by w about its y
// axis, joint n-3 by -w) and poses the mesh; every other joint keeps its
// animation state.
void PoseWings(MS3D* archer, float w);
// Plays the shot as the scene does (SetAnimation(14, 40, 500, no loop,
// blend), steps of 1/60 s) until the animation clock reaches `untilMs`,
// posing the mesh after every step.
void PlayShotUntil(MS3D* archer, float untilMs);
