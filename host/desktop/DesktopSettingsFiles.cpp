#include "host/desktop/DesktopSettingsFiles.h"

#include <dirent.h>
#include <sys/stat.h>

#include <strings.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/FileIO.h"
#include "base/Text.h"

namespace {

bool EndsWithNoCase(const std::string& text, const char* ending) {
    size_t n = strlen(ending);
    return text.size() >= n && strncasecmp(text.c_str() + text.size() - n, ending, n) == 0;
}

// The path of a file:// URI, or "" when the URI names another host or is
// malformed.
std::string PathFromFileUri(const std::string& uri) {
    std::string rest = uri.substr(strlen("file://"));
    if (rest.compare(0, strlen("localhost/"), "localhost/") == 0) rest.erase(0, strlen("localhost"));
    if (rest.empty() || rest[0] != '/') return "";
    size_t end = rest.find_first_of("?#");  // a query or fragment is no part of the path
    std::string path;
    if (!PercentDecode(rest.substr(0, end), &path)) return "";
    return path;
}

// The text between the end of the opening tag that starts at open and the
// closing tag, or "" when either is missing.
std::string ElementText(const std::string& xml, size_t open, const char* closeTag, size_t limit) {
    size_t start = xml.find('>', open);
    size_t end = xml.find(closeTag, start);
    if (start == std::string::npos || end == std::string::npos || end > limit) return "";
    return xml.substr(start + 1, end - start - 1);
}

// Position of the first tag "<name" (followed by '>', '/' or white space) at
// or after from, or npos.
size_t FindTag(const std::string& xml, const char* name, size_t from) {
    std::string open = std::string("<") + name;
    for (size_t at = xml.find(open, from); at != std::string::npos; at = xml.find(open, at + 1)) {
        size_t next = at + open.size();
        if (next < xml.size() && strchr(">/ \t\r\n", xml[next]) != nullptr) return at;
    }
    return std::string::npos;
}

std::string WithoutXmlComments(const std::string& xml) {
    std::string out;
    size_t from = 0;
    for (size_t at = xml.find("<!--"); at != std::string::npos; at = xml.find("<!--", from)) {
        out.append(xml, from, at - from);
        size_t end = xml.find("-->", at + 4);
        if (end == std::string::npos) return out;
        from = end + 3;
    }
    return out.append(xml, from, std::string::npos);
}

bool IsFolder(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The picture of a wallpaper package (KDE's: a folder whose contents/images/
// holds one picture per size, named "WIDTHxHEIGHT.ext"): the largest up to
// 3840 x 2160, since the texture is small and a larger one only costs
// decoding time; else the smallest. "" when the folder holds none.
std::string PackagePicture(const std::string& folder) {
    std::string images = folder + (folder.back() == '/' ? "" : "/") + "contents/images/";
    DIR* dir = opendir(images.c_str());
    if (dir == nullptr) return "";
    std::string best;
    long bestArea = 0;
    while (const dirent* entry = readdir(dir)) {
        long w = 0, h = 0;
        if (sscanf(entry->d_name, "%5ldx%5ld.", &w, &h) != 2 || w <= 0 || h <= 0) continue;
        long area = w <= 3840 && h <= 2160 ? w * h : -w * h;  // too large: below every fitting one
        bool better = best.empty() || (area > 0 ? area > bestArea : bestArea < 0 && area > bestArea);
        if (better && IsRegularFile(images + entry->d_name)) {
            best = images + entry->d_name;
            bestArea = area;
        }
    }
    closedir(dir);
    return best;
}

}  // namespace

bool ReadSettingsFile(const std::string& path, std::string* text) {
    return ReadFileText(path, text, nullptr, kMaxSettingsFileBytes) == ReadStatus::kRead;
}

std::string DecodeXmlEntities(const std::string& text) {
    static const struct {
        const char* name;
        char c;
    } kNamed[] = {{"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        bool replaced = false;
        for (const auto& entity : kNamed) {
            size_t n = strlen(entity.name);
            if (text.compare(i, n, entity.name) == 0) {
                out.push_back(entity.c);
                i += n - 1;
                replaced = true;
                break;
            }
        }
        if (!replaced && text.compare(i, 2, "&#") == 0) {
            size_t end = text.find(';', i);
            bool hex = i + 2 < text.size() && (text[i + 2] == 'x' || text[i + 2] == 'X');
            std::string digits =
                end == std::string::npos ? "" : text.substr(i + (hex ? 3 : 2), end - i - (hex ? 3 : 2));
            char* stop = nullptr;
            long code =
                digits.empty() || digits.size() > 6 ? 0 : strtol(digits.c_str(), &stop, hex ? 16 : 10);
            if (code > 0 && code < 128 && stop != nullptr && *stop == '\0') {
                out.push_back(static_cast<char>(code));
                i = end;
                replaced = true;
            }
        }
        if (!replaced) out.push_back(text[i]);
    }
    return out;
}

std::string FirstSlideshowPicture(const std::string& document) {
    std::string xml = WithoutXmlComments(document);
    size_t background = FindTag(xml, "background", 0);
    size_t open = background == std::string::npos ? background : FindTag(xml, "static", background);
    if (open == std::string::npos) return "";
    size_t close = xml.find("</static>", open);
    if (close == std::string::npos) return "";
    size_t file = FindTag(xml, "file", open);
    if (file == std::string::npos || file > close) return "";
    std::string content = ElementText(xml, file, "</file>", close);
    size_t size = FindTag(content, "size", 0);
    if (size != std::string::npos) content = ElementText(content, size, "</size>", content.size());
    return DecodeXmlEntities(Trim(content));
}

std::string PathFromSetting(const std::string& setting, const std::string& home) {
    std::string value = Trim(setting);
    if (value.find('\0') != std::string::npos) return "";  // a damaged file: no path holds a NUL
    if (value.compare(0, strlen("file://"), "file://") == 0) return PathFromFileUri(value);
    if (value == "~" || value.compare(0, 2, "~/") == 0)
        return home.empty() || home[0] != '/' ? "" : home + value.substr(1);
    if (!value.empty() && value[0] == '/') return value;
    return "";
}

std::string ExistingPicture(const std::string& value, const std::string& home) {
    std::string path = PathFromSetting(value, home);
    if (EndsWithNoCase(path, ".xml")) {
        std::string xml;
        if (!ReadSettingsFile(path, &xml)) return "";
        path = PathFromSetting(FirstSlideshowPicture(xml), home);
        if (EndsWithNoCase(path, ".xml")) return "";  // one level only: a slideshow never names another
    }
    if (!path.empty() && IsFolder(path)) path = PackagePicture(path);
    return !path.empty() && IsRegularFile(path) ? path : "";
}
