// Shared helper of the model tests: models built with the writer and loaded
// the way the program loads them.
#pragma once

#include <cstdint>
#include <vector>

#include "model/MS3DWriter.h"
#include "model/MilkshapeModel.h"

// Encodes the source as a file (version and trailing sections from options);
// empty when the source cannot be built.
inline std::vector<uint8_t> EncodeSource(const MS3DSource& source, const MS3DWriteOptions& options = {}) {
    MS3D model;
    return BuildMS3D(source, &model) ? EncodeMS3D(model, options) : std::vector<uint8_t>();
}

// Loads bytes into model from memory; the result of LoadFromMemory.
inline bool LoadBytes(MS3D* model, const std::vector<uint8_t>& bytes) {
    return model->LoadFromMemory(bytes.data(), bytes.size());
}
