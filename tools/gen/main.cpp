// dovel-gen: writes Dovel's artwork into a resource folder: the texture pack
// "tarnwick.works", the archer pack "dovel.ple", the object pack "obj.ple"
// and the background picture "background.png". Run by the build.
//
//   dovel-gen [--fonts DIR] [--pictures | --icon] OUTPUT_DIR
//
// With --pictures it writes every picture of the packs as a PNG instead;
// with --icon the application icon, "dovel.svg" and the 256 x 256
// "dovel.png".
//
// The fonts (DejaVu, from fonts-dejavu-core) are read from DIR, by default
// /usr/share/fonts/truetype/dejavu. The output is the same, byte for byte,
// on every run.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/FileIO.h"
#include "tools/gen/Icon.h"
#include "tools/gen/Packs.h"
#include "tools/gen/PngFile.h"

namespace {

constexpr const char* kDefaultFontDir = "/usr/share/fonts/truetype/dejavu";

int Usage() {
    std::fprintf(stderr, "usage: dovel-gen [--fonts DIR] [--pictures | --icon] OUTPUT_DIR\n");
    return 2;
}

constexpr int kIconPixels = 256;

std::vector<GeneratedFile> IconFiles() {
    std::string svg = IconSvg();
    Image png = IconImage(kIconPixels);
    return {{"dovel.svg", std::vector<uint8_t>(svg.begin(), svg.end())},
            {"dovel.png", EncodePNG(TopDownBytes(png, true).data(), png.width, png.height, true)}};
}

}  // namespace

int main(int argc, char** argv) {
    std::string fontDir = kDefaultFontDir;
    std::string outDir;
    bool pictures = false;
    bool icon = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--fonts") == 0 && i + 1 < argc) {
            fontDir = argv[++i];
        } else if (std::strcmp(argv[i], "--pictures") == 0) {
            pictures = true;
        } else if (std::strcmp(argv[i], "--icon") == 0) {
            icon = true;
        } else if (argv[i][0] == '-' || !outDir.empty()) {
            return Usage();
        } else {
            outDir = argv[i];
        }
    }
    if (outDir.empty()) return Usage();
    if (outDir.back() != '/') outDir += '/';

    std::vector<GeneratedFile> files;
    std::string error;
    bool made = true;
    if (icon)
        files = IconFiles();
    else
        made = pictures ? PicturesAsPng(fontDir, &files, &error) : GenerateArt(fontDir, &files, &error);
    if (!made) {
        std::fprintf(stderr, "dovel-gen: %s\n", error.c_str());
        return 1;
    }
    for (const GeneratedFile& f : files) {
        if (!WriteFileBytes(outDir + f.name, f.bytes, &error)) {
            std::fprintf(stderr, "dovel-gen: %s\n", error.c_str());
            return 1;
        }
    }
    return 0;
}
