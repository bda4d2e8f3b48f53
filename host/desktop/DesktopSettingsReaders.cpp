#include "host/desktop/DesktopSettingsReaders.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <map>

#include "base/Text.h"
#include "host/desktop/DesktopSettingsFiles.h"

namespace {

// ---------------------------------------------------------------------------
// INI-style files (KDE's KConfig, nitrogen)

struct IniEntry {
    std::string section;  // the header line as written, brackets included
    std::string key;
    std::string value;
};

std::vector<IniEntry> ParseIni(const std::string& text) {
    std::vector<IniEntry> entries;
    std::string section;
    size_t from = 0;
    while (from < text.size()) {
        size_t end = std::min(text.find('\n', from), text.size());
        std::string line = Trim(text.substr(from, end - from));
        from = end + 1;
        if (line.empty() || line[0] == '#' || line[0] == ';') continue;
        if (line[0] == '[') {
            section = line;
            continue;
        }
        size_t equals = line.find('=');
        if (equals == std::string::npos) continue;
        std::string key = Trim(line.substr(0, equals));
        key = key.substr(0, key.find('['));  // KConfig's flags and locales: "Image[$e]"
        entries.push_back({section, key, Trim(line.substr(equals + 1))});
    }
    return entries;
}

// "[Containments][7][General]" as {"Containments", "7", "General"}.
std::vector<std::string> KConfigGroups(const std::string& section) {
    std::vector<std::string> groups;
    size_t at = 0;
    while (at < section.size() && section[at] == '[') {
        size_t close = section.find(']', at);
        if (close == std::string::npos) break;
        groups.push_back(section.substr(at + 1, close - at - 1));
        at = close + 1;
    }
    return groups;
}

// Undoes KConfig's escapes: \s \t \n \r and \\.
std::string KConfigUnescape(const std::string& value) {
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out.push_back(value[i]);
            continue;
        }
        char c = value[++i];
        out.push_back(c == 's' ? ' ' : c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c);
    }
    return out;
}

// ---------------------------------------------------------------------------
// Xfce's xfconf XML: nested <property name=".." value=".."> elements

struct XfceImage {
    std::string monitor;    // "eDP-1" of "monitoreDP-1"
    std::string workspace;  // "0" of "workspace0"
    std::string value;
};

// Reads the attributes of the tag whose name ends at at, up to its '>'.
// Returns the position after the '>' (npos when there is none) and whether
// the tag closes itself ("/>").
size_t ReadAttributes(const std::string& xml, size_t at, std::map<std::string, std::string>* attributes,
                      bool* selfClosing) {
    *selfClosing = false;
    while (at < xml.size()) {
        at = xml.find_first_not_of(" \t\r\n", at);
        if (at == std::string::npos) return at;
        if (xml[at] == '>') return at + 1;
        if (xml.compare(at, 2, "/>") == 0) {
            *selfClosing = true;
            return at + 2;
        }
        size_t equals = xml.find('=', at);
        if (equals == std::string::npos || equals + 1 >= xml.size()) return std::string::npos;
        char quote = xml[equals + 1];
        size_t close = quote == '"' || quote == '\'' ? xml.find(quote, equals + 2) : std::string::npos;
        if (close == std::string::npos) return std::string::npos;
        (*attributes)[Trim(xml.substr(at, equals - at))] =
            DecodeXmlEntities(xml.substr(equals + 2, close - equals - 2));
        at = close + 1;
    }
    return std::string::npos;
}

// The monitor and workspace named along a property path.
void NamePlace(const std::vector<std::string>& path, XfceImage* image) {
    for (const std::string& name : path) {
        if (name.compare(0, 7, "monitor") == 0) image->monitor = name.substr(7);
        if (name.compare(0, 9, "workspace") == 0) image->workspace = name.substr(9);
    }
}

std::vector<XfceImage> XfceLastImages(const std::string& xml) {
    std::vector<XfceImage> images;
    std::vector<std::string> path;
    size_t at = 0;
    while ((at = xml.find('<', at)) != std::string::npos) {
        if (xml.compare(at, 4, "<!--") == 0) {
            at = xml.find("-->", at);
            continue;
        }
        if (xml.compare(at, 11, "</property>") == 0) {
            if (!path.empty()) path.pop_back();
            at += 11;
            continue;
        }
        if (xml.compare(at, 9, "<property") != 0 || at + 9 == xml.size() ||
            !isspace(static_cast<unsigned char>(xml[at + 9]))) {
            ++at;
            continue;
        }
        std::map<std::string, std::string> attributes;
        bool selfClosing = false;
        at = ReadAttributes(xml, at + 9, &attributes, &selfClosing);
        const std::string& name = attributes["name"];
        if (name == "last-image" && attributes.count("value") != 0) {
            XfceImage image;
            NamePlace(path, &image);
            image.value = attributes["value"];
            images.push_back(image);
        }
        if (!selfClosing) path.push_back(name);
    }
    return images;
}

// ---------------------------------------------------------------------------
// The shell command line of ~/.fehbg

bool IsFehCommand(const std::string& word) {
    size_t slash = word.rfind('/');
    return word.substr(slash == std::string::npos ? 0 : slash + 1) == "feh";
}

// The feh options .fehbg may hold that take the next word as their value.
bool TakesValue(const std::string& option) {
    static const char* const kOptions[] = {"--image-bg", "--geometry", "-g", "--xinerama-index", "--output"};
    for (const char* name : kOptions)
        if (option == name) return true;
    return false;
}

std::vector<std::string> FehFiles(const std::vector<std::string>& command) {
    std::vector<std::string> files;
    for (size_t i = 1; i < command.size(); ++i) {
        if (command[i].empty() || command[i][0] != '-')
            files.push_back(command[i]);
        else if (TakesValue(command[i]))
            ++i;
    }
    return files;
}

// The value at index first (when there is one), then the others in order.
std::vector<std::string> ThisOneFirst(std::vector<std::string> values, int index) {
    if (index > 0 && static_cast<size_t>(index) < values.size())
        std::rotate(values.begin(), values.begin() + index, values.begin() + index + 1);
    return values;
}

}  // namespace

std::vector<std::vector<std::string>> ShellCommands(const std::string& script) {
    std::vector<std::vector<std::string>> commands(1);
    std::string word;
    bool inWord = false;
    auto endWord = [&] {
        if (inWord) commands.back().push_back(word);
        word.clear();
        inWord = false;
    };
    for (size_t i = 0; i < script.size(); ++i) {
        char c = script[i];
        if (c == '\\' && i + 1 < script.size()) {
            ++i;
            if (script[i] == '\n') continue;  // a continued line
            word.push_back(script[i]);
            inWord = true;
        } else if (c == '\'') {
            size_t close = script.find('\'', i + 1);
            if (close == std::string::npos) close = script.size();
            word.append(script, i + 1, close - i - 1);
            inWord = true;
            i = close;
        } else if (c == '"') {
            for (++i; i < script.size() && script[i] != '"'; ++i) {
                if (script[i] == '\\' && i + 1 < script.size() && strchr("\\\"$`", script[i + 1]) != nullptr)
                    ++i;
                word.push_back(script[i]);
            }
            inWord = true;
        } else if (c == '#' && !inWord) {
            i = std::min(script.find('\n', i), script.size()) - 1;
        } else if (strchr(" \t\r", c) != nullptr) {
            endWord();
        } else if (strchr("\n;&|", c) != nullptr) {
            endWord();
            if (!commands.back().empty()) commands.emplace_back();
        } else {
            word.push_back(c);
            inWord = true;
        }
    }
    endWord();
    return commands;
}


std::vector<std::string> XfceWallpapers(int monitorIndex, const std::string& monitorName,
                                        const std::string& configHome) {
    std::string xml;
    if (!ReadSettingsFile(configHome + "/xfce4/xfconf/xfce-perchannel-xml/xfce4-desktop.xml", &xml))
        return {};
    std::vector<XfceImage> images = XfceLastImages(xml);
    auto rank = [&](const XfceImage& image) {
        bool thisMonitor = (!monitorName.empty() && image.monitor == monitorName) ||
                           image.monitor == std::to_string(monitorIndex);
        return (thisMonitor ? 0 : 2) + (image.workspace == "0" ? 0 : 1);
    };
    std::stable_sort(images.begin(), images.end(),
                     [&](const XfceImage& a, const XfceImage& b) { return rank(a) < rank(b); });
    std::vector<std::string> values;
    for (const XfceImage& image : images) values.push_back(image.value);
    return values;
}

std::vector<std::string> PlasmaWallpapers(int monitorIndex, const std::string& configHome) {
    std::string text;
    if (!ReadSettingsFile(configHome + "/plasma-org.kde.plasma.desktop-appletsrc", &text)) return {};
    std::map<std::string, std::string> screenOf;              // containment id -> lastScreen
    std::vector<std::pair<std::string, std::string>> images;  // containment id, Image
    for (const IniEntry& entry : ParseIni(text)) {
        std::vector<std::string> g = KConfigGroups(entry.section);
        if (g.size() == 2 && g[0] == "Containments" && entry.key == "lastScreen")
            screenOf[g[1]] = entry.value;
        if (g.size() == 5 && g[0] == "Containments" && g[2] == "Wallpaper" && g[4] == "General" &&
            entry.key == "Image")
            images.emplace_back(g[1], KConfigUnescape(entry.value));
    }
    std::vector<std::string> values;
    for (const auto& [id, image] : images)
        if (screenOf[id] == std::to_string(monitorIndex)) values.push_back(image);
    for (const auto& [id, image] : images)
        if (screenOf[id] != std::to_string(monitorIndex)) values.push_back(image);
    return values;
}

std::vector<std::string> FehWallpapers(int monitorIndex, const std::string& home) {
    std::string script;
    if (!ReadSettingsFile(home + "/.fehbg", &script)) return {};
    for (const std::vector<std::string>& command : ShellCommands(script))
        if (!command.empty() && IsFehCommand(command[0]))
            return ThisOneFirst(FehFiles(command), monitorIndex);
    return {};
}

std::vector<std::string> NitrogenWallpapers(int monitorIndex, const std::string& configHome) {
    std::string text;
    if (!ReadSettingsFile(configHome + "/nitrogen/bg-saved.cfg", &text)) return {};
    std::vector<IniEntry> entries = ParseIni(text);
    std::vector<std::string> values;
    const std::string preferred[] = {"[xin_" + std::to_string(monitorIndex) + "]", "[xin_-1]"};
    for (const std::string& section : preferred)
        for (const IniEntry& entry : entries)
            if (entry.section == section && entry.key == "file") values.push_back(entry.value);
    for (const IniEntry& entry : entries)
        if (entry.section != preferred[0] && entry.section != preferred[1] && entry.key == "file")
            values.push_back(entry.value);
    return values;
}
