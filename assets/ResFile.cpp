#include "assets/ResFile.h"

#include <cerrno>
#include <cstring>
#include <limits>
#include <new>

#include "base/FileIO.h"
#include "assets/TGALoader.h"
#include "model/MilkshapeModel.h"

namespace {

const size_t kHeaderSize = 24;
const size_t kEntrySize = 28;

uint32_t U32At(const uint8_t* bytes) {
    return static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
           (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
}

bool ReadBytes(std::fstream& file, uint8_t* buffer, size_t count) {
    file.read(reinterpret_cast<char*>(buffer), static_cast<std::streamsize>(count));
    return !file.fail();
}

void ParseHeader(const uint8_t* bytes, RESHEADER* header) {
    std::memcpy(header->magic, bytes, 4);
    header->reserved1 = U32At(bytes + 4);
    header->reserved2 = U32At(bytes + 8);
    header->lumpCount = U32At(bytes + 12);
    header->lengthCheck = U32At(bytes + 16);
    header->dirOffset = U32At(bytes + 20);
}

void ParseEntry(const uint8_t* bytes, RESLUMP* entry) {
    entry->size = U32At(bytes);
    entry->offset = U32At(bytes + 4);
    entry->type = U32At(bytes + 8);
    entry->alphaMode = U32At(bytes + 12);
}

}  // namespace

bool RESFILE::Fail(const char* why) {
    Close();
    problem = why;
    return false;
}

bool RESFILE::Open(const char* path) {
    Close();
    if (!path) return Fail("no path");
    // The stream would wait forever on a pipe and read a device without end.
    std::string why;
    if (!IsReadableRegularFile(path, &why)) {
        if (errno == ENOENT) return Fail("cannot open the file (no such file)");
        if (errno == EACCES) return Fail("cannot open the file (permission denied)");
        return Fail(why == "not a regular file" ? "not a regular file" : "cannot open the file");
    }
    file.open(path, std::ios::in | std::ios::binary);
    if (!file.is_open()) return Fail("cannot open the file");
    file.seekg(0, std::ios::end);
    const std::streamoff length = file.tellg();
    file.seekg(0, std::ios::beg);
    if (length < 0 || length > std::numeric_limits<uint32_t>::max()) return Fail("cannot measure the file");
    fileLength = static_cast<uint32_t>(length);
    uint8_t bytes[kHeaderSize];
    if (!ReadBytes(file, bytes, kHeaderSize)) return Fail("too short for a pack header");
    ParseHeader(bytes, &header);
    if (std::memcmp(header.magic, "PLEF", 4) != 0) return Fail("not a pack (no PLEF magic)");
    if (header.lengthCheck != ~fileLength)
        return Fail("length check does not match the file's length (truncated or extended)");
    // The whole directory must lie inside the file; this also bounds the
    // allocation below by the file's size.
    const uint64_t dirEnd = static_cast<uint64_t>(header.dirOffset) + uint64_t{header.lumpCount} * kEntrySize;
    if (dirEnd > fileLength) return Fail("directory runs past the end of the file");
    directory = new (std::nothrow) RESLUMP[header.lumpCount];
    if (!directory) return Fail("cannot allocate the directory");
    file.seekg(header.dirOffset, std::ios::beg);
    for (uint32_t i = 0; i < header.lumpCount; ++i) {
        uint8_t entry[kEntrySize];
        if (!ReadBytes(file, entry, kEntrySize)) return Fail("cannot read the directory");
        ParseEntry(entry, &directory[i]);
    }
    problem = nullptr;
    return true;
}

void RESFILE::Close() {
    delete[] directory;
    directory = nullptr;
    if (file.is_open()) file.close();
    file.clear();
    fileLength = 0;
    header = RESHEADER();
}

bool RESFILE::SeekLump(int index) {
    if (!file.is_open() || !directory) {
        problem = "no pack is open";
        return false;
    }
    if (index < 0 || static_cast<uint32_t>(index) >= header.lumpCount) {
        problem = "no such lump";
        return false;
    }
    const RESLUMP& entry = directory[index];
    if (uint64_t{entry.offset} + entry.size > fileLength) {
        problem = "lump lies outside the file";
        return false;
    }
    // A decoder that ran into the end of an earlier lump leaves the stream
    // failed; the next lump starts afresh.
    file.clear();
    file.seekg(entry.offset, std::ios::beg);
    if (file.fail()) {
        problem = "cannot seek to the lump";
        return false;
    }
    problem = nullptr;
    return true;
}

bool RESFILE::LoadData(int index, uint8_t** data) {
    if (!data || !SeekLump(index)) return false;
    const uint32_t size = directory[index].size;
    uint8_t* bytes = new (std::nothrow) uint8_t[size];
    if (!bytes) {
        problem = "cannot allocate the lump";
        return false;
    }
    if (!ReadBytes(file, bytes, size)) {
        delete[] bytes;
        problem = "cannot read the lump";
        return false;
    }
    *data = bytes;
    return true;
}

namespace {

const char* ProblemOf(const RESFILE& pack) {
    return pack.problem ? pack.problem : "cannot be read";
}

// Notes "path: what" in *why (when given) and returns false.
bool LoadFailed(std::string* why, const char* path, const std::string& what) {
    if (why) *why = std::string(path ? path : "(no path)") + ": " + what;
    return false;
}

// Decodes lump `lump` of the open pack as a TGA image into texture and
// builds it with alphaMode.
bool LoadImageLump(RESFILE* pack, int lump, Texture* texture, uint32_t alphaMode, const char* path,
                   std::string* why) {
    const std::string name = "lump " + std::to_string(lump);
    if (!pack->SeekLump(lump)) return LoadFailed(why, path, name + ": " + ProblemOf(*pack));
    if (!LoadTGA2(texture, &pack->file)) return LoadFailed(why, path, name + " is not a usable TGA image");
    if (!BuildTexture(texture, static_cast<int>(alphaMode)))
        return LoadFailed(why, path, name + ": cannot build its texture");
    return true;
}

}  // namespace

bool LoadTexturesFromDataFile(const char* path, Texture** textures, int* count, std::string* why) {
    if (!textures || !count) return LoadFailed(why, path, "nothing to load into");
    RESFILE pack;
    if (!pack.Open(path)) return LoadFailed(why, path, ProblemOf(pack));
    const uint32_t lumps = pack.header.lumpCount;
    Texture* table = new (std::nothrow) Texture[lumps];
    if (!table) return LoadFailed(why, path, "out of memory");
    *textures = table;
    *count = static_cast<int>(lumps);
    for (uint32_t k = 0; k < lumps; ++k) {
        if (pack.directory[k].type != 1) continue;
        if (!LoadImageLump(&pack, static_cast<int>(k), &table[k], pack.directory[k].alphaMode, path, why))
            return false;
    }
    return true;
}

bool LoadModel(const char* path, MS3D* model, Texture** textures, int* count, std::string* why) {
    if (!model || !textures || !count) return LoadFailed(why, path, "nothing to load into");
    RESFILE pack;
    if (!pack.Open(path)) return LoadFailed(why, path, ProblemOf(pack));
    if (!pack.SeekLump(0)) return LoadFailed(why, path, std::string("lump 0: ") + ProblemOf(pack));
    if (!model->LoadFromFStream(&pack.file)) return LoadFailed(why, path, "lump 0: " + model->lastError);
    const uint32_t images = pack.header.lumpCount - 1;
    Texture* table = new (std::nothrow) Texture[images];
    if (!table) return LoadFailed(why, path, "out of memory");
    *textures = table;
    *count = static_cast<int>(images);
    // Texture k is built with the alpha mode of entry k, the entry before
    // its own lump: the packs are laid out for this.
    for (uint32_t k = 0; k < images; ++k) {
        if (!LoadImageLump(&pack, static_cast<int>(k + 1), &table[k], pack.directory[k].alphaMode, path, why))
            return false;
    }
    return true;
}
