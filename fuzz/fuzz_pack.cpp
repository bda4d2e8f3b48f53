// Feeds arbitrary bytes to the resource pack reader as a pack file: opens it,
// reads every lump whole and decodes every lump as the loaders would (image
// lumps as TGA, lump 0 also as a MilkShape model). A lump the reader hands
// out must lie inside the file. Seeds: small texture and model packs
// (seeds/fuzz_pack).
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "assets/Alerts.h"
#include "base/FileIO.h"
#include "assets/ResFile.h"
#include "assets/TGALoader.h"
#include "model/MilkshapeModel.h"

namespace {

std::string packPath;

void ReadEveryLump(RESFILE* pack) {
    const int count = static_cast<int>(pack->header.lumpCount);
    for (int i = 0; i < count; ++i) {
        uint8_t* data = nullptr;
        if (pack->LoadData(i, &data)) {
            const RESLUMP& lump = pack->directory[i];
            if (uint64_t{lump.offset} + lump.size > pack->fileLength) std::abort();
            delete[] data;
        }
        if (!pack->SeekLump(i)) continue;
        Texture texture;
        LoadTGA2(&texture, &pack->file);
    }
    if (count > 0 && pack->SeekLump(0)) {
        MS3D model;
        model.LoadFromFStream(&pack->file);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    SetAlertSink(SilentAlertSink);
    // The reader opens packs by path, so every input goes through a file;
    // memory-backed when possible.
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : (tmp && *tmp ? tmp : "/tmp");
    packPath = folder + "/dovel-fuzz-pack-" + std::to_string(getpid()) + ".ple";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A new file each time: rewriting one in place makes some file systems
    // flush it to disk on every close.
    unlink(packPath.c_str());
    if (!WriteFileBytes(packPath, std::vector<uint8_t>(data, data + size), nullptr)) std::abort();
    RESFILE pack;
    if (pack.Open(packPath.c_str())) {
        if (!pack.directory || pack.fileLength != size) std::abort();
        ReadEveryLump(&pack);
    }
    pack.Close();
    pack.Close();
    unlink(packPath.c_str());
    return 0;
}
