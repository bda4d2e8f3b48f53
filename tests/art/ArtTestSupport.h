// Helpers for the artwork tests: where the generated packs and the built
// programs are, reading models and images out of the packs without GL, and
// the groups and vertices of a model.
#pragma once

#include <string>
#include <vector>

#include "assets/Texture.h"
#include "model/MilkshapeModel.h"

// The build's resource folder (DOVEL_DATA_DIR, ending in "/").
std::string DataDir();

// Runs the built program (from the folder of the running test program) with
// args, its standard output dropped; returns its exit status (-1 when it did
// not exit normally).
int RunProgram(const std::string& program, const std::vector<std::string>& args);

// Reads lump `lump` of the pack (in DataDir()) as a model. False on any failure.
bool LoadModelLump(const std::string& pack, int lump, MS3D* model);
// Decodes lump `lump` of the pack (in DataDir()) as a TGA image (pixels
// kept, no GL).
bool LoadImageLump(const std::string& pack, int lump, Texture* image);

// A fresh empty folder under the temporary folder, removed on destruction.
struct TempDir {
    std::string path;  // ends in "/"; empty when it could not be made
    TempDir();
    ~TempDir();
};

// Index of the group with this name, or -1.
int FindGroup(const MS3D& model, const char* name);
// The vertex indices used by the triangles of the named group (each once);
// empty when there is no such group.
std::vector<int> GroupVertices(const MS3D& model, const char* group);
VECTOR3D VertexAt(const MS3D& model, int index);
