#include "assets/Pics.h"

#include <GL/gl.h>
#include <dirent.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "assets/Alerts.h"

namespace {

// ---------------------------------------------------------------------------
// Folder listing

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// The name, with its letters lowered, is longer than ending and ends in it.
bool NameEndsIn(const char* name, const char* ending) {
    size_t n = strlen(name);
    size_t e = strlen(ending);
    if (n <= e) return false;
    const char* tail = name + (n - e);
    for (size_t i = 0; i < e; ++i)
        if (LowerAscii(tail[i]) != ending[i]) return false;
    return true;
}

// Resamples the picture by nearest neighbour into a new malloc'd square of
// kPicTextureSize texels of texelBytes each, rows from the bottom up; only
// R, G, B come from the picture, alpha is 255.
uint8_t* Resample(const DecodedPicture& picture, int texelBytes) {
    const int n = kPicTextureSize;
    uint8_t* staging = static_cast<uint8_t*>(malloc(static_cast<size_t>(n) * n * texelBytes));
    if (staging == nullptr) return nullptr;
    const int w = picture.decodedWidth;
    const int h = picture.decodedHeight;
    const size_t stride = static_cast<size_t>(w) * picture.channels;
    const int pixelBytes = picture.channels;
    const uint8_t* pixels = picture.pixels.data();
    const float sx = static_cast<float>(static_cast<double>(w) / n);
    const float sy = static_cast<float>(static_cast<double>(h) / n);
    for (int j = 0; j < n; ++j) {
        int row = static_cast<int>(static_cast<float>(j) * sy);
        if (row > h - 1) row = h - 1;
        const uint8_t* source = pixels + static_cast<size_t>(row) * stride;
        uint8_t* out = staging + static_cast<size_t>(n - 1 - j) * n * texelBytes;
        for (int i = 0; i < n; ++i, out += texelBytes) {
            int column = static_cast<int>(static_cast<float>(i) * sx);
            if (column > w - 1) column = w - 1;
            memcpy(out, source + static_cast<size_t>(column) * pixelBytes, 3);
            if (texelBytes == 4) out[3] = 255;
        }
    }
    return staging;
}

std::string JoinFolderAndName(const char* folder, const char* name) {
    std::string path = folder;
    if (!path.empty() && path.back() != '/') path += '/';
    return path + name;
}

}  // namespace

int32_t CountFiles(const char* folder, const char* ending) {
    if (folder == nullptr || ending == nullptr) return 0;
    DIR* dir = opendir(folder);
    if (dir == nullptr) return 0;
    int32_t count = 0;
    while (const dirent* entry = readdir(dir))
        if (NameEndsIn(entry->d_name, ending)) ++count;
    closedir(dir);
    return count;
}

bool FindNthFile(const char* folder, char* name, const char* ending, int32_t n) {
    if (name == nullptr || n < 0 || n >= CountFiles(folder, ending)) return false;
    DIR* dir = opendir(folder);
    if (dir == nullptr) return false;
    int32_t index = 0;
    bool found = false;
    while (const dirent* entry = readdir(dir)) {
        if (!NameEndsIn(entry->d_name, ending)) continue;
        if (index++ != n) continue;
        size_t length = strnlen(entry->d_name, kPicNameSize - 1);
        memcpy(name, entry->d_name, length);
        name[length] = '\0';
        found = true;
        break;
    }
    closedir(dir);
    return found;
}

bool ChooseRandomImageFile(const char* folder, char* name) {
    int32_t j = CountFiles(folder, ".jpg");
    int32_t g = CountFiles(folder, ".gif");
    int32_t p = CountFiles(folder, ".png");
    int32_t total = j + g + p;
    if (total < 1) return false;
    int32_t r = rand() % total;
    if (r < j) return FindNthFile(folder, name, ".jpg", r);
    r -= j;
    if (r < g) return FindNthFile(folder, name, ".gif", r);
    r -= g;
    return FindNthFile(folder, name, ".png", r);
}

bool DecodePicFile(const char* path, Texture* staging, int* picWidth, int* picHeight, unsigned kinds,
                   std::string* why) {
    std::string scratch;
    if (why == nullptr) why = &scratch;
    if (staging == nullptr) return false;
    DecodedPicture picture;
    if (!DecodePicture(path, kinds, kPicTextureSize, kPicTextureSize, &picture, why)) {
        ERRORBOX(("picture " + std::string(path ? path : "(none)") + ": " + *why).c_str());
        return false;
    }
    const bool alpha = picture.channels == 4;
    uint8_t* pixels = Resample(picture, alpha ? 4 : 3);
    if (pixels == nullptr) {
        *why = "out of memory";
        return false;
    }
    staging->FreePixels();
    staging->imageData = pixels;
    staging->width = staging->height = kPicTextureSize;
    staging->type = alpha ? GL_RGBA : GL_RGB;
    staging->bpp = alpha ? 32 : 24;
    if (picWidth != nullptr) *picWidth = picture.width;
    if (picHeight != nullptr) *picHeight = picture.height;
    return true;
}

bool loadPicFile(const char* path, Texture* texture, unsigned kinds) {
    if (texture == nullptr) return false;
    Texture built;
    int w = 0;
    int h = 0;
    if (!DecodePicFile(path, &built, &w, &h, kinds)) return false;
    if (!BuildTexture(&built, kAlphaOpaque)) return false;  // built releases what it holds
    built.width = static_cast<uint32_t>(w);
    built.height = static_cast<uint32_t>(h);
    *texture = std::move(built);
    return true;
}

bool LoadPicture(const char* folder, Texture* texture) {
    char name[kPicNameSize];
    if (!ChooseRandomImageFile(folder, name)) return false;
    return loadPicFile(JoinFolderAndName(folder, name).c_str(), texture);
}
