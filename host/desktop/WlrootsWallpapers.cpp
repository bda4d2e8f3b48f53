#include "host/desktop/WlrootsWallpapers.h"

#include <dirent.h>
#include <glob.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>

#include "host/desktop/DesktopSettingsFiles.h"
#include "host/desktop/DesktopSettingsReaders.h"

namespace {

// How deep sway's "include" lines are followed, and how many files at most.
constexpr int kMaxIncludeDepth = 8;
constexpr size_t kMaxConfigFiles = 64;
// Processes looked at for swaybg.
constexpr int kMaxProcesses = 65536;

struct OutputPicture {
    std::string output;  // "*" for every output
    std::string value;
};

// This output's settings first (the last one set first, as it is the one
// in force), then those for every output, then the others.
std::vector<std::string> ForOutput(const std::vector<OutputPicture>& found, const std::string& outputName) {
    std::vector<std::string> values;
    for (int pass = 0; pass < 3; ++pass)
        for (auto it = found.rbegin(); it != found.rend(); ++it) {
            const bool mine = !outputName.empty() && it->output == outputName;
            const bool every = it->output == "*" || it->output.empty();
            if ((pass == 0 && mine) || (pass == 1 && every) || (pass == 2 && !mine && !every))
                values.push_back(it->value);
        }
    return values;
}

std::string Folder(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

// --- sway

struct SwayReader {
    std::string home;
    std::vector<std::pair<std::string, std::string>> variables;  // "$name", value
    std::vector<OutputPicture> found;
    size_t files = 0;

    std::string Expand(std::string word) const {
        if (word.find('$') == std::string::npos) return word;
        // Longest name first, so $wall is not taken for $wallpaper.
        for (const auto& [name, value] : variables)
            for (size_t at = word.find(name); at != std::string::npos;
                 at = word.find(name, at + value.size()))
                word.replace(at, name.size(), value);
        return word;
    }

    void Set(const std::string& name, const std::string& value) {
        variables.erase(std::remove_if(variables.begin(), variables.end(),
                                       [&](const auto& v) { return v.first == name; }),
                        variables.end());
        variables.emplace_back(name, value);
        std::stable_sort(variables.begin(), variables.end(),
                         [](const auto& a, const auto& b) { return a.first.size() > b.first.size(); });
    }

    // words: "bg FILE MODE" or "background FILE MODE" for output.
    // words: "bg FILE MODE" or "background FILE MODE" for output; a
    // relative FILE is taken from the folder of the config naming it.
    void Background(const std::string& output, const std::vector<std::string>& words, size_t at,
                    const std::string& from) {
        if (at + 1 >= words.size() || (words[at] != "bg" && words[at] != "background")) return;
        const std::string mode = at + 2 < words.size() ? words[at + 2] : "";
        std::string file = words[at + 1];
        if (mode == "solid_color" || file.empty()) return;
        if (file[0] != '/' && file[0] != '~') file = Folder(from) + "/" + file;
        found.push_back({output, file});
    }

    void Include(const std::string& pattern, const std::string& from, int depth) {
        std::string path = pattern;
        if (path == "~" || path.rfind("~/", 0) == 0) path = home + path.substr(1);
        if (path.empty()) return;
        if (path[0] != '/') path = Folder(from) + "/" + path;
        glob_t matches{};
        if (glob(path.c_str(), GLOB_NOSORT | GLOB_NOCHECK, nullptr, &matches) == 0) {
            std::vector<std::string> paths(matches.gl_pathv, matches.gl_pathv + matches.gl_pathc);
            std::sort(paths.begin(), paths.end());
            for (const std::string& file : paths) Read(file, depth + 1);
        }
        globfree(&matches);
    }

    void Read(const std::string& path, int depth) {
        std::string text;
        if (depth > kMaxIncludeDepth || files >= kMaxConfigFiles || !ReadSettingsFile(path, &text)) return;
        ++files;
        std::string block;  // the output of an open "output NAME {" block
        for (std::vector<std::string> words : ShellCommands(text)) {
            if (words.empty()) continue;
            if (words[0] == "}") {
                block.clear();
                continue;
            }
            if (words[0] == "set" && words.size() >= 3 && words[1].size() > 1 && words[1][0] == '$') {
                Set(words[1], Expand(words[2]));
                continue;
            }
            for (std::string& word : words) word = Expand(word);
            if (!block.empty()) {
                Background(block, words, 0, path);
            } else if (words[0] == "output" && words.size() >= 3 && words[2] == "{") {
                block = words[1];
            } else if (words[0] == "output" && words.size() >= 3) {
                Background(words[1], words, 2, path);
            } else if (words[0] == "include" && words.size() >= 2) {
                Include(words[1], path, depth);
            }
        }
    }
};

bool Exists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

// --- swaybg

std::vector<OutputPicture> SwaybgPictures(const std::vector<std::string>& args) {
    std::vector<OutputPicture> pictures;
    std::string output = "*";
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        std::string value;
        auto take = [&](const char* shortName, const char* longName) {
            const std::string longEq = std::string(longName) + "=";
            if (a == shortName || a == longName) {
                if (i + 1 >= args.size()) return false;
                value = args[++i];
                return true;
            }
            if (a.rfind(longEq, 0) == 0) {
                value = a.substr(longEq.size());
                return true;
            }
            if (a.size() > 2 && a.compare(0, 2, shortName) == 0) {
                value = a.substr(2);
                return true;
            }
            return false;
        };
        if (take("-o", "--output"))
            output = value;
        else if (take("-i", "--image"))
            pictures.push_back({output, value});
    }
    return pictures;
}

}  // namespace

std::vector<std::string> SwayWallpapers(const std::string& outputName, const std::string& home,
                                        const std::string& configHome, const std::string& systemConfig) {
    // The first of sway's own places that exists is the config.
    for (const std::string& path : {configHome + "/sway/config", home + "/.sway/config", systemConfig}) {
        if (!Exists(path)) continue;
        SwayReader reader;
        reader.home = home;
        reader.Read(path, 0);
        return ForOutput(reader.found, outputName);
    }
    return {};
}

std::vector<std::string> HyprpaperWallpapers(const std::string& outputName, const std::string& configHome) {
    std::string text;
    if (!ReadSettingsFile(configHome + "/hypr/hyprpaper.conf", &text)) return {};
    std::vector<OutputPicture> wallpapers;
    std::vector<std::string> preloads;
    size_t from = 0;
    while (from < text.size()) {
        const size_t end = std::min(text.find('\n', from), text.size());
        std::string line = text.substr(from, end - from);
        from = end + 1;
        line = line.substr(0, line.find('#'));
        const size_t equals = line.find('=');
        if (equals == std::string::npos) continue;
        auto trim = [](const std::string& s) {
            const size_t first = s.find_first_not_of(" \t\r");
            return first == std::string::npos ? std::string()
                                              : s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
        };
        const std::string key = trim(line.substr(0, equals)), value = trim(line.substr(equals + 1));
        if (key == "preload") {
            preloads.push_back(value);
        } else if (key == "wallpaper") {
            const size_t comma = value.find(',');
            if (comma == std::string::npos) continue;
            wallpapers.push_back({trim(value.substr(0, comma)), trim(value.substr(comma + 1))});
        }
    }
    std::vector<std::string> values = ForOutput(wallpapers, outputName);
    values.insert(values.end(), preloads.begin(), preloads.end());
    return values;
}

std::vector<std::string> SwaybgWallpapers(const std::string& outputName, const std::string& procDir) {
    DIR* dir = opendir(procDir.c_str());
    if (dir == nullptr) return {};
    std::vector<OutputPicture> pictures;
    int seen = 0;
    while (const dirent* entry = readdir(dir)) {
        if (++seen > kMaxProcesses) break;
        const std::string name = entry->d_name;
        if (name.empty() || !std::all_of(name.begin(), name.end(),
                                         [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
            continue;
        const std::string folder = procDir + "/" + name;
        struct stat info;
        // Another user's swaybg says nothing about this user's desktop.
        if (stat(folder.c_str(), &info) != 0 || info.st_uid != getuid()) continue;
        std::string cmdline;
        if (!ReadSettingsFile(folder + "/cmdline", &cmdline) || cmdline.empty()) continue;
        std::vector<std::string> args;
        for (size_t at = 0; at < cmdline.size();) {
            const size_t end = std::min(cmdline.find('\0', at), cmdline.size());
            args.push_back(cmdline.substr(at, end - at));
            at = end + 1;
        }
        const std::string program =
            args[0].substr(args[0].rfind('/') == std::string::npos ? 0 : args[0].rfind('/') + 1);
        if (program != "swaybg") continue;
        for (OutputPicture& p : SwaybgPictures(args)) pictures.push_back(p);
    }
    closedir(dir);
    return ForOutput(pictures, outputName);
}
