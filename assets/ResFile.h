// Resource packs ("PLEF" files): a 24-byte header, a directory of 28-byte
// entries and the lumps, each an embedded TGA image or MilkShape model.
// All integers are unsigned 32-bit little-endian.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>

#include "assets/Texture.h"

struct MS3D;

struct RESHEADER {
    char magic[4] = {0, 0, 0, 0};  // "PLEF"
    uint32_t reserved1 = 0;
    uint32_t reserved2 = 0;
    uint32_t lumpCount = 0;
    uint32_t lengthCheck = 0;  // bitwise complement of the file's length
    uint32_t dirOffset = 0;    // where the directory starts
};

struct RESLUMP {
    uint32_t size = 0;       // bytes
    uint32_t offset = 0;     // from the start of the file
    uint32_t type = 0;       // 1 = TGA image
    uint32_t alphaMode = 0;  // BuildTexture's alpha mode
};

struct RESFILE {
    uint32_t fileLength = 0;       // measured when opened
    std::fstream file;             // the pack, open for binary reading
    RESHEADER header;              // copy of the header
    RESLUMP* directory = nullptr;  // header.lumpCount entries, null until opened
    // Why the last Open, SeekLump or LoadData failed (a fixed text), or null.
    const char* problem = nullptr;

    RESFILE() = default;
    ~RESFILE() { Close(); }
    RESFILE(const RESFILE&) = delete;
    RESFILE& operator=(const RESFILE&) = delete;

    // Opens and checks the pack at path (magic, length check, a directory
    // that lies inside the file) and reads its directory.
    bool Open(const char* path);
    // Frees the directory and closes the file; safe to call again.
    void Close();
    // Positions the file at the first byte of lump index. False for an index
    // outside the directory (the file is not touched), for a lump that does
    // not lie inside the file, or when the seek fails.
    bool SeekLump(int index);
    // Reads lump index whole into a new[]'d array of its size, handed out in
    // *data (freed by the caller with delete[]); *data is untouched on
    // failure.
    bool LoadData(int index, uint8_t** data);

private:
    // Closes, notes the problem and returns false.
    bool Fail(const char* why);
};

// Loads every image lump (type 1) of the pack at path into a new texture
// table of one slot per lump (slot k is lump k; other lumps leave their slot
// empty) and builds each GL texture with its entry's alpha mode. The table
// is handed out as soon as it exists and belongs to the caller (delete[])
// even when a later lump fails. On failure *why (when given) names the file
// and says what failed.
bool LoadTexturesFromDataFile(const char* path, Texture** textures, int* count, std::string* why = nullptr);

// Loads lump 0 of the pack at path into model and lumps 1 and on as images
// into a new texture table of lumpCount - 1 slots; texture k is built with
// the alpha mode of directory entry k (the entry before its own lump). The
// table belongs to the caller as soon as it is handed out. On failure *why
// (when given) names the file and says what failed (the model loader's
// lastError for the model).
bool LoadModel(const char* path, MS3D* model, Texture** textures, int* count, std::string* why = nullptr);
