// Reading of the MilkShape 3D binary format (versions 3 and 4) into an
// MS3DSource. The reader never reads past the data it is given and never
// allocates more than the remaining data can fill: a count is believed only
// as far as bytes arrive to back it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>

#include "model/MS3DSource.h"

// Where the model's bytes come from: a stream (read from its current
// position) or a block of memory. `remaining` is the number of bytes known to
// be left, or kUnknownRemaining for a stream that cannot be measured.
struct MS3DByteSource {
    static constexpr uint64_t kUnknownRemaining = UINT64_MAX;

    std::istream* stream = nullptr;
    const uint8_t* data = nullptr;
    size_t offset = 0;
    uint64_t remaining = kUnknownRemaining;

    // Copies n bytes to out, or fails (reading nothing more) when fewer are
    // left.
    bool Read(void* out, size_t n);
    // False when fewer than n bytes are known to be left.
    bool MayHold(uint64_t n) const { return remaining == kUnknownRemaining || n <= remaining; }
};

// Measures what is left of the stream after its current position (seeking
// to the end and back); the position is unchanged.
MS3DByteSource StreamByteSource(std::istream* stream);
MS3DByteSource MemoryByteSource(const void* data, size_t size);

// The fixed id and the versions read.
constexpr char kMS3DId[] = "MS3D000000";
constexpr int kMS3DIdBytes = 10;

// Result of reading: a bad header is told apart from damaged contents so
// that callers can report the former as "Not a valid MS3D file!".
enum class MS3DReadResult { kOk, kBadHeader, kTruncated };

// Reads one model: header, vertices, triangles, groups, materials, the
// animation header and the joints with their keyframes. Stops right after
// the last translation key of the last joint. On failure *error says where.
MS3DReadResult ReadMS3D(MS3DByteSource* source, MS3DSource* model, std::string* error);
