// create, list and extract.
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>

#include "assets/PackWriter.h"
#include "assets/ResFile.h"
#include "tools/pack/PackTool.h"

namespace {

const char kCreateUsage[] = "dovel-pack create OUT FILE[:type=N][:alpha=M] ...";
const char kListUsage[] = "dovel-pack list PACK";
const char kExtractUsage[] = "dovel-pack extract PACK INDEX OUT";

const char kCreateHelp[] =
    "usage: dovel-pack create OUT FILE[:type=N][:alpha=M] ...\n"
    "Builds the pack OUT from the files given, one lump each, in the order given.\n"
    "A lump's type is 1 (TGA image) for a name ending in .tga and 0 otherwise,\n"
    "its alpha mode 0 (opaque); :type=N and :alpha=M set them (alpha: 0 opaque,\n"
    "1 colour key, 2 brightness).\n";
const char kListHelp[] =
    "usage: dovel-pack list PACK\n"
    "Shows the pack's directory: index, offset, size, type and alpha mode of each lump.\n";
const char kExtractHelp[] =
    "usage: dovel-pack extract PACK INDEX OUT\n"
    "Writes the bytes of lump INDEX (from 0) of PACK to the file OUT.\n";

bool EndsWithTga(const std::string& name) {
    if (name.size() < 4) return false;
    std::string tail = name.substr(name.size() - 4);
    for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return tail == ".tga";
}

// One FILE[:type=N][:alpha=M] argument.
struct LumpSpec {
    std::string path;
    uint32_t type = 0;
    uint32_t alphaMode = 0;
};

// Takes ":type=N" and ":alpha=M" off the end of arg; false (with *what set)
// for a malformed value.
bool ParseLumpSpec(const std::string& arg, LumpSpec* spec, std::string* what) {
    std::string rest = arg;
    bool typeGiven = false;
    for (;;) {
        size_t colon = rest.rfind(':');
        if (colon == std::string::npos) break;
        std::string option = rest.substr(colon + 1);
        unsigned long long value = 0;
        if (option.rfind("type=", 0) == 0) {
            if (!ParseNumber(option.substr(5), std::numeric_limits<uint32_t>::max(), &value)) {
                *what = "bad type in '" + arg + "'";
                return false;
            }
            spec->type = static_cast<uint32_t>(value);
            typeGiven = true;
        } else if (option.rfind("alpha=", 0) == 0) {
            if (!ParseNumber(option.substr(6), 2, &value)) {
                *what = "bad alpha mode in '" + arg + "' (0, 1 or 2)";
                return false;
            }
            spec->alphaMode = static_cast<uint32_t>(value);
        } else {
            break;
        }
        rest.resize(colon);
    }
    if (rest.empty()) {
        *what = "no file name in '" + arg + "'";
        return false;
    }
    spec->path = rest;
    if (!typeGiven) spec->type = EndsWithTga(rest) ? 1 : 0;
    return true;
}

}  // namespace

int RunCreate(const Args& args) {
    if (WantsHelp(args)) return std::fputs(kCreateHelp, stdout), kExitOk;
    if (args.size() < 2) return UsageError("create", kCreateUsage, "needs an output and at least one file");
    std::vector<LumpSpec> specs;
    for (size_t i = 1; i < args.size(); ++i) {
        LumpSpec spec;
        std::string what;
        if (!ParseLumpSpec(args[i], &spec, &what)) return UsageError("create", kCreateUsage, what);
        specs.push_back(spec);
    }
    std::vector<PackLump> lumps;
    uint64_t total = kPackHeaderSize + uint64_t{kPackEntrySize} * specs.size();
    for (const LumpSpec& spec : specs) {
        PackLump lump;
        std::string error;
        // Each input is measured before it is read: what would not fit in
        // the pack is never read.
        const uint64_t room = std::numeric_limits<uint32_t>::max() - total;
        if (!ReadFileBytes(spec.path, &lump.data, &error, room)) return FileError(error);
        total += lump.data.size();
        lump.type = spec.type;
        lump.alphaMode = spec.alphaMode;
        lumps.push_back(std::move(lump));
    }
    std::string error;
    if (!WriteFileBytes(args[0], EncodePack(lumps), &error)) return FileError(error);
    return kExitOk;
}

int RunList(const Args& args) {
    if (WantsHelp(args)) return std::fputs(kListHelp, stdout), kExitOk;
    if (args.size() != 1) return UsageError("list", kListUsage, "needs exactly one pack");
    RESFILE pack;
    if (!pack.Open(args[0].c_str())) return BadInput(args[0], pack.problem);
    std::printf("%5s %10s %10s %10s %5s\n", "index", "offset", "size", "type", "alpha");
    for (uint32_t i = 0; i < pack.header.lumpCount; ++i) {
        const RESLUMP& lump = pack.directory[i];
        std::printf("%5u %10u %10u %10u %5u\n", i, lump.offset, lump.size, lump.type, lump.alphaMode);
    }
    return kExitOk;
}

int RunExtract(const Args& args) {
    if (WantsHelp(args)) return std::fputs(kExtractHelp, stdout), kExitOk;
    if (args.size() != 3) return UsageError("extract", kExtractUsage, "needs a pack, an index and an output");
    unsigned long long index = 0;
    if (!ParseNumber(args[1], std::numeric_limits<int>::max(), &index))
        return UsageError("extract", kExtractUsage, "bad lump index '" + args[1] + "'");
    RESFILE pack;
    if (!pack.Open(args[0].c_str())) return BadInput(args[0], pack.problem);
    uint8_t* data = nullptr;
    if (!pack.LoadData(static_cast<int>(index), &data))
        return BadInput(args[0], "lump " + args[1] + ": " + pack.problem + " (the pack has " +
                                     std::to_string(pack.header.lumpCount) + " lumps)");
    std::vector<uint8_t> bytes(data, data + pack.directory[index].size);
    delete[] data;
    std::string error;
    if (!WriteFileBytes(args[2], bytes, &error)) return FileError(error);
    return kExitOk;
}
