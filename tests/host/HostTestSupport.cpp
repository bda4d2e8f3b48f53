#include "tests/host/HostTestSupport.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "base/FileIO.h"

namespace fs = std::filesystem;

ScratchFolder::ScratchFolder() {
    std::string pattern = fs::temp_directory_path().string() + "/dovel-host-XXXXXX";
    if (mkdtemp(&pattern[0]) != nullptr) path = pattern;
    EXPECT_FALSE(path.empty()) << "cannot make a scratch folder";
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    if (!path.empty()) fs::remove_all(path, ignored);
}

std::string ReadFileText(const std::string& path) {
    std::string text;
    ReadFileText(path, &text, nullptr, uint64_t{1} << 30);
    return text;
}

void WriteFileText(const std::string& path, const std::string& text) {
    std::string error;
    EXPECT_TRUE(WriteFileAtomically(path, text, &error)) << error;
}

std::vector<std::string> ListFolder(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ignored;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, ignored))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string DataFolder() {
    const char* dir = getenv("DOVEL_DATA_DIR");
    std::string path = dir != nullptr ? dir : "";
    return path.empty() || path.back() != '/' ? path + "/" : path;
}

std::string PrefsText(int bgType, const std::string& extraLines) {
    return "version = \"1.1\"\nMainMonitorOnly = false\nNumHearts = 40\nPicDelay = 20\n"
           "Transparent = false\nRandomShades = true\nAllowCollisions = true\nFitScreen = true\n"
           "ShowCountdown = true\nBGType = " +
           std::to_string(bgType) +
           "\nBGPath = \"/nonexistent/\"\nBGRes = 1\nHCR = 1.0\nHCG = 0.0\nHCB = 0.0\n"
           "BGCR = 0.2\nBGCG = 0.4\nBGCB = 0.6\n" +
           extraLines;
}

std::unique_ptr<DovelSSView> MakeView(const HostEnvironment& env, int w, int h, bool preview,
                                      std::shared_ptr<const SnapshotImage> snapshot,
                                      std::unique_ptr<ViewBackend> backend) {
    if (!backend) backend = std::make_unique<HeadlessBackend>(w, h, std::move(snapshot));
    std::string error;
    ViewRect frame{0.0, 0.0, static_cast<double>(w), static_cast<double>(h)};
    auto view = DovelSSView::initWithFrame(frame, preview, std::move(backend), env, &error);
    EXPECT_TRUE(view != nullptr) << "no view: " << error;
    if (view) view->setFrameSize(w, h);
    return view;
}

StoredSettings LoadStoredSettings(const std::string& file, std::string* warnings) {
    testing::internal::CaptureStderr();
    StoredSettings loaded;
    {
        ScreenSaverDefaults store(file);
        LoadSettings(&store, &loaded);
    }
    const std::string said = testing::internal::GetCapturedStderr();
    if (warnings != nullptr) *warnings = said;
    return loaded;
}

ParseResult ParseFlags(const std::vector<std::string>& args, DovelOptions* o, std::string* error) {
    std::vector<const char*> argv = {"dovel"};
    for (const std::string& a : args) argv.push_back(a.c_str());
    return ParseDovelOptions(static_cast<int>(argv.size()), argv.data(), o, error);
}

std::string Describe(const StoredSettings& stored) {
    std::ostringstream os;
    for (const SettingRow& row : StoredSettingRows()) {
        const SettingValue v = row.get(stored);
        if (os.tellp() > 0) os << ' ';
        if (row.kind == SettingKind::kColour)
            os << v.rgb[0] << ',' << v.rgb[1] << ',' << v.rgb[2];
        else if (row.kind == SettingKind::kFolder)
            os << v.text;
        else
            os << v.number;
    }
    return os.str();
}

std::shared_ptr<SnapshotImage> GradientSnapshot(int w, int h) {
    auto shot = std::make_shared<SnapshotImage>();
    shot->width = w;
    shot->height = h;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            shot->rgba.insert(shot->rgba.end(),
                              {static_cast<uint8_t>(x * 255 / std::max(w - 1, 1)),
                               static_cast<uint8_t>(y * 255 / std::max(h - 1, 1)), 128, 255});
    return shot;
}
