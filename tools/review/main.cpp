// dovel-review: renders Dovel's artwork headless into one contact sheet (a
// PNG), loading the packs with the program's own loaders and drawing them
// with its own renderer and GL state, so that the look can be judged.
//
//   dovel-review [--data DIR] OUTPUT.png
//
// DIR is the resource folder holding the packs (by default the build's
// share/dovel next to this program).
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/review/ReviewSheet.h"

namespace {

std::string DefaultDataDir(const char* argv0) {
    std::string self = argv0;
    size_t slash = self.rfind('/');
    std::string bin = slash == std::string::npos ? "." : self.substr(0, slash);
    return bin + "/../share/dovel/";
}

}  // namespace

int main(int argc, char** argv) {
    std::string dataDir = DefaultDataDir(argv[0]);
    std::string output;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--data") == 0 && i + 1 < argc) {
            dataDir = argv[++i];
        } else if (argv[i][0] == '-' || !output.empty()) {
            std::fprintf(stderr, "usage: dovel-review [--data DIR] OUTPUT.png\n");
            return 2;
        } else {
            output = argv[i];
        }
    }
    if (output.empty()) {
        std::fprintf(stderr, "usage: dovel-review [--data DIR] OUTPUT.png\n");
        return 2;
    }
    if (dataDir.back() != '/') dataDir += '/';
    std::string error;
    if (!RenderReviewSheet(dataDir, output, &error)) {
        std::fprintf(stderr, "dovel-review: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
