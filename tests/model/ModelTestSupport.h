// Shared helpers of the model tests: models built with the writer, and a
// recorder for the messages passed to ERRORCLOSE.
#pragma once

#include <cstdint>
#include <streambuf>
#include <string>
#include <vector>

#include "model/MS3DWriter.h"
#include "model/MilkshapeModel.h"

// Bytes read through a stream that cannot be measured or sought, like a
// pipe.
struct UnseekableBuffer : std::streambuf {
    explicit UnseekableBuffer(const std::vector<uint8_t>& bytes) : data(bytes) {
        char* begin = reinterpret_cast<char*>(data.data());
        setg(begin, begin, begin + data.size());
    }
    pos_type seekoff(off_type, std::ios_base::seekdir, std::ios_base::openmode) override {
        return pos_type(-1);
    }
    pos_type seekpos(pos_type, std::ios_base::openmode) override { return pos_type(-1); }
    std::vector<uint8_t> data;
};

// Records every ERRORCLOSE / ERRORBOX message while it lives.
struct ErrorHookRecorder {
    ErrorHookRecorder();
    ~ErrorHookRecorder();
    std::vector<std::string> Messages() const;
};

// Encodes the source as a file (version and trailing sections from options).
std::vector<uint8_t> EncodeSource(const MS3DSource& source, const MS3DWriteOptions& options = {});

// Loads bytes into model from memory; the result of LoadFromMemory.
bool LoadBytes(MS3D* model, const std::vector<uint8_t>& bytes);

// Offsets of the sections of an encoded model without trailing sections.
struct SectionOffsets {
    size_t vertexCount, vertices, triangleCount, triangles, groupCount, groups, materialCount, materials,
        animation, jointCount, joints, end;
};
SectionOffsets OffsetsOf(const MS3DSource& source);

// Writes a little-endian value into bytes at offset.
void Poke16(std::vector<uint8_t>* bytes, size_t offset, uint16_t value);
void Poke32(std::vector<uint8_t>* bytes, size_t offset, uint32_t value);
