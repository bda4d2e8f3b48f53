// Resource pack ("PLEF") encoder for the tools and tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/FileIO.h"

// One lump of a pack: a complete embedded file (TGA image or MilkShape
// model) with its directory fields.
struct PackLump {
    std::vector<uint8_t> data;
    uint32_t type = 1;       // 1: TGA image; anything else: skipped by the texture loader
    uint32_t alphaMode = 0;  // 0 opaque, 1 colour key, 2 brightness (see BuildTexture)
};

// Encodes a pack: the 24-byte header (magic "PLEF", two zero fields, lump
// count, length check = complement of the file length, directory offset),
// the directory of 28-byte entries right after the header, then the lumps
// in the order given.
std::vector<uint8_t> EncodePack(const std::vector<PackLump>& lumps);

// Size of the pack header and of one directory entry, in bytes.
constexpr uint32_t kPackHeaderSize = 24;
constexpr uint32_t kPackEntrySize = 28;
