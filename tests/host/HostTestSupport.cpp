#include "tests/host/HostTestSupport.h"

#include <dirent.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

int RemoveEntry(const char* path, const struct stat*, int, struct FTW*) {
    chmod(path, 0700);
    return remove(path);
}

}  // namespace

ScratchFolder::ScratchFolder() {
    const char* tmp = getenv("TMPDIR");
    std::string pattern = std::string(tmp != nullptr && tmp[0] != '\0' ? tmp : "/tmp") + "/dovel-host-XXXXXX";
    if (mkdtemp(&pattern[0]) != nullptr) path = pattern;
    EXPECT_FALSE(path.empty()) << "cannot make a scratch folder";
}

ScratchFolder::~ScratchFolder() {
    if (!path.empty()) nftw(path.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
}

std::string ReadFileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream os;
    os << in.rdbuf();
    return os.str();
}

void WriteFileText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

bool PathExists(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

std::vector<std::string> ListFolder(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return names;
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

std::string DataFolder() {
    const char* dir = getenv("DOVEL_DATA_DIR");
    std::string path = dir != nullptr ? dir : "";
    if (path.empty() || path.back() != '/') path += '/';
    return path;
}

std::string PrefsText(int bgType, const std::string& extraLines) {
    std::ostringstream os;
    os << "version = \"1.1\"\nMainMonitorOnly = false\nNumHearts = 40\nPicDelay = 20\n"
          "Transparent = false\nRandomShades = true\nAllowCollisions = true\nFitScreen = true\n"
          "ShowCountdown = true\nBGType = "
       << bgType
       << "\nBGPath = \"/nonexistent/\"\nBGRes = 1\nHCR = 1.0\nHCG = 0.0\nHCB = 0.0\n"
          "BGCR = 0.2\nBGCG = 0.4\nBGCB = 0.6\n"
       << extraLines;
    return os.str();
}

std::unique_ptr<DovelSSView> MakeViewOn(const HostEnvironment& env, int w, int h, bool preview,
                                        std::unique_ptr<ViewBackend> backend) {
    std::string error;
    ViewRect frame{0.0, 0.0, static_cast<double>(w), static_cast<double>(h)};
    std::unique_ptr<DovelSSView> view =
        DovelSSView::initWithFrame(frame, preview, std::move(backend), env, &error);
    EXPECT_TRUE(view != nullptr) << "no view: " << error;
    if (view) view->setFrameSize(w, h);
    return view;
}

std::unique_ptr<DovelSSView> MakeView(const HostEnvironment& env, int w, int h, bool preview,
                                      std::shared_ptr<const SnapshotImage> snapshot) {
    return MakeViewOn(env, w, h, preview, std::make_unique<HeadlessBackend>(w, h, std::move(snapshot)));
}

std::shared_ptr<SnapshotImage> GradientSnapshot(int w, int h) {
    auto shot = std::make_shared<SnapshotImage>();
    shot->width = w;
    shot->height = h;
    shot->rgba.resize(static_cast<size_t>(w) * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &shot->rgba[(static_cast<size_t>(y) * w + x) * 4];
            p[0] = static_cast<uint8_t>(x * 255 / (w > 1 ? w - 1 : 1));
            p[1] = static_cast<uint8_t>(y * 255 / (h > 1 ? h - 1 : 1));
            p[2] = 128;
            p[3] = 255;
        }
    return shot;
}
