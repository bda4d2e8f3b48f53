// MilkShape 3D encoder for the tools and tests: writes the records of an MS3D
// object (the same ones the loader fills) as a binary MilkShape file, and
// builds MS3D objects from plain vectors.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/MS3DSource.h"
#include "model/MilkshapeModel.h"

// What EncodeMS3D writes besides the records.
struct MS3DWriteOptions {
    int32_t version = 4;  // written as is; the loader accepts 3 and 4
    // Version 4 files as modelling tools write them carry trailing sections
    // after the joints: comments (group, material, joint, model), per-vertex
    // extra weights, joint colours and model extras. The loader never reads
    // them; writing them checks that it stops where it should.
    bool trailingSections = false;
    int32_t vertexExtraSubVersion = 2;  // 1, 2 or 3: size of the per-vertex extra data
    std::string modelComment = "Made by Dovel";
};

// Encodes the model in file order. Strings are written NUL-padded to their
// fixed widths (32 or 128 bytes); the joints' rotations are written as held,
// so encode a model before SetupSkeleton converts them to degrees.
std::vector<uint8_t> EncodeMS3D(const MS3D& model, const MS3DWriteOptions& options = {});

// Encodes and writes the model to path. On failure returns false and, when
// error is given, says why.
bool WriteMS3DFile(const std::string& path, const MS3D& model, const MS3DWriteOptions& options,
                   std::string* error);

// A small complete model that exercises every section: 4 vertices (one with
// no joint), 2 triangles, 2 groups (one empty), 1 material, 2 joints (child
// after parent) with rotation and translation keys, 24 frames per second,
// 30 frames. Used by the tests and as a fuzzing seed.
MS3DSource SampleMS3DSource();
// SampleMS3DSource encoded as a version 4 file, with trailing sections when
// asked.
std::vector<uint8_t> EncodeSampleMS3D(bool trailingSections);
