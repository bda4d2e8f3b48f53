// dovel-pack: builds, lists, checks and inspects Dovel's resource packs, TGA
// images and MilkShape models.
#include <cstdio>
#include <cstring>

#include "tools/pack/PackTool.h"

namespace {

const char kUsage[] =
    "usage: dovel-pack COMMAND [ARGS]\n"
    "\n"
    "  create OUT FILE[:type=N][:alpha=M] ...  build a pack, lumps in the order given\n"
    "  list PACK                                show the directory\n"
    "  extract PACK INDEX OUT                   write one lump's bytes to OUT\n"
    "  verify [--model] PACK                    decode every image (and the model)\n"
    "  inspect FILE                             describe a pack, .tga or .ms3d as JSON\n"
    "  convert [--alpha=M] IN.tga OUT.png       write the image upright as PNG\n"
    "\n"
    "Each command takes --help. Exit status: 0 done, 1 bad input, 2 usage error.\n";

struct Command {
    const char* name;
    int (*run)(const Args&);
};

const Command kCommands[] = {{"create", RunCreate}, {"list", RunList},       {"extract", RunExtract},
                             {"verify", RunVerify}, {"inspect", RunInspect}, {"convert", RunConvert}};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    if (!std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h") || !std::strcmp(argv[1], "help")) {
        std::fputs(kUsage, stdout);
        return kExitOk;
    }
    CaptureAlerts();
    for (const Command& command : kCommands) {
        if (std::strcmp(argv[1], command.name) == 0) return command.run(Args(argv + 2, argv + argc));
    }
    std::fprintf(stderr, "dovel-pack: unknown command '%s'\n%s", argv[1], kUsage);
    return kExitUsage;
}
