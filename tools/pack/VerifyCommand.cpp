// verify: decodes every image lump of a pack (and, for a model pack, the
// model in lump 0) the way the loaders read them, without GL.
#include <cstdio>
#include <string>

#include "assets/ResFile.h"
#include "assets/TGALoader.h"
#include "model/MilkshapeModel.h"
#include "tools/pack/PackTool.h"

namespace {

const char kUsage[] = "dovel-pack verify [--model] PACK";
const char kHelp[] =
    "usage: dovel-pack verify [--model] PACK\n"
    "Opens PACK and decodes every image lump (type 1). With --model, lump 0 is\n"
    "read as a MilkShape model and every later lump as an image, whatever its\n"
    "type, as the model loader reads them. Exit status 0 only when all decode.\n";

std::string LumpProblem(int index, const std::string& what) {
    return "lump " + std::to_string(index) + ": " + what;
}

// The decoders read their own format from the lump's start whatever the
// lump's size says; in a sound pack they stop inside the lump.
bool StayedInside(RESFILE* pack, int index, const char* kind, std::string* what) {
    const RESLUMP& lump = pack->directory[index];
    const std::streamoff end = pack->file.tellg();
    if (end >= 0 && static_cast<uint64_t>(end) <= uint64_t{lump.offset} + lump.size) return true;
    *what = LumpProblem(index, std::string(kind) + " runs past the end of its lump (" +
                                   std::to_string(lump.size) + " bytes)");
    return false;
}

// Decodes lump index as an image; on failure says why in *what.
bool VerifyImage(RESFILE* pack, int index, std::string* what) {
    if (!pack->SeekLump(index)) {
        *what = LumpProblem(index, pack->problem);
        return false;
    }
    Texture texture;
    if (!LoadTGA2(&texture, &pack->file)) {
        *what = LumpProblem(index, TakeAlerts());
        return false;
    }
    return StayedInside(pack, index, "image", what);
}

bool VerifyModel(RESFILE* pack, std::string* what) {
    if (!pack->SeekLump(0)) {
        *what = LumpProblem(0, pack->problem);
        return false;
    }
    MS3D model;
    if (!model.LoadFromFStream(&pack->file)) {
        *what = LumpProblem(0, "not a valid MS3D model: " + model.lastError);
        return false;
    }
    return StayedInside(pack, 0, "model", what);
}

}  // namespace

int RunVerify(const Args& args) {
    if (WantsHelp(args)) return std::fputs(kHelp, stdout), kExitOk;
    bool modelPack = false;
    std::string path;
    for (const std::string& arg : args) {
        if (arg == "--model") {
            modelPack = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return UsageError("verify", kUsage, "unknown option '" + arg + "'");
        } else if (path.empty()) {
            path = arg;
        } else {
            return UsageError("verify", kUsage, "needs exactly one pack");
        }
    }
    if (path.empty()) return UsageError("verify", kUsage, "needs a pack");
    RESFILE pack;
    if (!pack.Open(path.c_str())) return BadInput(path, pack.problem);
    const int count = static_cast<int>(pack.header.lumpCount);
    std::string what;
    if (modelPack && count == 0) return BadInput(path, "no model lump");
    if (modelPack && !VerifyModel(&pack, &what)) return BadInput(path, what);
    int images = 0;
    for (int i = modelPack ? 1 : 0; i < count; ++i) {
        if (!modelPack && pack.directory[i].type != 1) continue;
        if (!VerifyImage(&pack, i, &what)) return BadInput(path, what);
        ++images;
    }
    std::printf("%s: ok, %s%d image%s\n", path.c_str(), modelPack ? "a model and " : "", images,
                images == 1 ? "" : "s");
    return kExitOk;
}
