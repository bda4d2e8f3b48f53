#include "assets/Pics.h"

#include <GL/gl.h>
#include <dirent.h>
#include <fcntl.h>
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

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

// ---------------------------------------------------------------------------
// Reading the file

// Reads the regular file at path whole. Anything else (a folder, a pipe, a
// device) is refused without blocking, and so is a file above the size limit.
bool ReadRegularFile(const char* path, std::vector<uint8_t>* bytes) {
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info;
    bool ok = fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0 &&
              info.st_size <= kMaxPicFileBytes;
    if (ok) {
        bytes->resize(static_cast<size_t>(info.st_size));
        size_t done = 0;
        while (done < bytes->size()) {
            ssize_t got = read(fd, bytes->data() + done, bytes->size() - done);
            if (got <= 0) break;
            done += static_cast<size_t>(got);
        }
        ok = done == bytes->size();
    }
    close(fd);
    return ok;
}

// ---------------------------------------------------------------------------
// Structure checks: a JPEG must reach its end-of-image marker and a PNG its
// IEND chunk. The decoders fill a picture that stops early with grey or
// leave its remaining rows blank without reporting it.

bool IsJpeg(const std::vector<uint8_t>& d) {
    return d.size() >= 3 && d[0] == 0xFF && d[1] == 0xD8 && d[2] == 0xFF;
}

bool IsPng(const std::vector<uint8_t>& d) {
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    return d.size() >= 8 && memcmp(d.data(), kSignature, 8) == 0;
}

bool IsRestartOrStuffing(uint8_t marker) {
    return marker == 0x00 || marker == 0xFF || (marker >= 0xD0 && marker <= 0xD7);
}

// Index of the first marker after the entropy-coded data that starts at i.
size_t SkipEntropyData(const std::vector<uint8_t>& d, size_t i) {
    while (i + 1 < d.size() && !(d[i] == 0xFF && !IsRestartOrStuffing(d[i + 1]))) ++i;
    return i;
}

bool JpegReachesEnd(const std::vector<uint8_t>& d) {
    size_t i = 2;
    while (i + 1 < d.size()) {
        if (d[i] != 0xFF || d[i + 1] == 0xFF) {  // stray bytes or fill before a marker
            ++i;
            continue;
        }
        uint8_t marker = d[i + 1];
        if (marker == 0xD9) return true;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            i += 2;
            continue;
        }
        if (i + 3 >= d.size()) return false;
        size_t length = (static_cast<size_t>(d[i + 2]) << 8) | d[i + 3];
        if (length < 2) return false;
        i += 2 + length;
        if (marker == 0xDA) i = SkipEntropyData(d, i);
    }
    return false;
}

uint32_t ReadBigEndian32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

bool PngReachesEnd(const std::vector<uint8_t>& d) {
    size_t i = 8;
    while (i + 8 <= d.size()) {
        size_t length = ReadBigEndian32(&d[i]);
        if (memcmp(&d[i + 4], "IEND", 4) == 0) return true;
        if (length > d.size()) return false;
        i += 12 + length;
    }
    return false;
}

bool StructureComplete(const std::vector<uint8_t>& d) {
    if (IsJpeg(d)) return JpegReachesEnd(d);
    if (IsPng(d)) return PngReachesEnd(d);
    return true;  // other kinds: the decoder's own checks
}

// ---------------------------------------------------------------------------
// Decoding

struct DecodeWatch {
    bool jpeg = false;  // the data is a JPEG, which can be decoded reduced
    int width = 0;      // the picture's own size, from the decoder
    int height = 0;
    bool refused = false;  // the size is beyond the limits
    int rowsReached = 0;   // bottom edge of the rows the decoder reported done
};

int CeilDiv(int a, int b) {
    return (a + b - 1) / b;
}

// The largest JPEG reduction (1/2, 1/4 or 1/8) that still leaves both sides
// at least the texture's size, so that nearest-neighbour resampling gives
// every texel its own source pixel; 1 when none does.
int JpegReduction(int w, int h) {
    for (int d = 8; d > 1; d /= 2)
        if (CeilDiv(w, d) >= kPicTextureSize && CeilDiv(h, d) >= kPicTextureSize) return d;
    return 1;
}

void OnSizePrepared(GdkPixbufLoader* loader, int w, int h, gpointer data) {
    DecodeWatch* watch = static_cast<DecodeWatch*>(data);
    watch->width = w;
    watch->height = h;
    int reduction = watch->jpeg ? JpegReduction(w, h) : 1;
    int outW = CeilDiv(w, reduction);
    int outH = CeilDiv(h, reduction);
    if (w <= 0 || h <= 0 || w > kMaxPicSide || h > kMaxPicSide || int64_t{outW} * outH > kMaxDecodedPixels) {
        // A size of zero tells the decoder to stop before it allocates.
        watch->refused = true;
        gdk_pixbuf_loader_set_size(loader, 0, 0);
        return;
    }
    // The JPEG decoder picks the reduction that yields exactly this size, so
    // no scaling pass follows and row updates keep arriving.
    if (reduction > 1) gdk_pixbuf_loader_set_size(loader, outW, outH);
}

void OnAreaUpdated(GdkPixbufLoader*, int, int y, int, int h, gpointer data) {
    DecodeWatch* watch = static_cast<DecodeWatch*>(data);
    if (y + h > watch->rowsReached) watch->rowsReached = y + h;
}

// Decodes bytes with gdk-pixbuf; returns a new reference to the image, or
// null when the decoder fails, the size is refused, or the image was not
// decoded to its last row.
GdkPixbuf* DecodeBytes(const std::vector<uint8_t>& bytes, DecodeWatch* watch) {
    GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
    g_signal_connect(loader, "size-prepared", G_CALLBACK(OnSizePrepared), watch);
    g_signal_connect(loader, "area-updated", G_CALLBACK(OnAreaUpdated), watch);
    GError* error = nullptr;
    bool ok = gdk_pixbuf_loader_write(loader, bytes.data(), bytes.size(), &error);
    g_clear_error(&error);
    // Closing is needed either way; after a failed write its result is moot.
    ok = gdk_pixbuf_loader_close(loader, ok ? &error : nullptr) && ok;
    g_clear_error(&error);
    GdkPixbuf* image = ok && !watch->refused ? gdk_pixbuf_loader_get_pixbuf(loader) : nullptr;
    if (image != nullptr) g_object_ref(image);
    g_object_unref(loader);
    return image;
}

// The decoded image is what the resampler reads: 8-bit RGB or RGBA rows,
// every row reported decoded. (The loader stops reporting rows only when it
// scales the image itself, which the JPEG reduction above avoids.)
bool UsableImage(GdkPixbuf* image, const DecodeWatch& watch) {
    int channels = gdk_pixbuf_get_n_channels(image);
    bool alpha = gdk_pixbuf_get_has_alpha(image);
    int h = gdk_pixbuf_get_height(image);
    return gdk_pixbuf_get_colorspace(image) == GDK_COLORSPACE_RGB &&
           gdk_pixbuf_get_bits_per_sample(image) == 8 && channels == (alpha ? 4 : 3) &&
           gdk_pixbuf_get_width(image) > 0 && h > 0 && watch.rowsReached >= h;
}

// Resamples the image by nearest neighbour into a new malloc'd square of
// kPicTextureSize texels of texelBytes each, rows from the bottom up; only
// R, G, B come from the picture, alpha is 255.
uint8_t* Resample(GdkPixbuf* image, int texelBytes) {
    const int n = kPicTextureSize;
    uint8_t* staging = static_cast<uint8_t*>(malloc(static_cast<size_t>(n) * n * texelBytes));
    if (staging == nullptr) return nullptr;
    const int w = gdk_pixbuf_get_width(image);
    const int h = gdk_pixbuf_get_height(image);
    const int stride = gdk_pixbuf_get_rowstride(image);
    const int pixelBytes = gdk_pixbuf_get_n_channels(image);
    const uint8_t* pixels = gdk_pixbuf_read_pixels(image);
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

bool DecodePicFile(const char* path, Texture* staging, int* picWidth, int* picHeight) {
    if (path == nullptr || staging == nullptr) return false;
    std::vector<uint8_t> bytes;
    if (!ReadRegularFile(path, &bytes) || !StructureComplete(bytes)) return false;
    DecodeWatch watch;
    watch.jpeg = IsJpeg(bytes);
    GdkPixbuf* image = DecodeBytes(bytes, &watch);
    if (image == nullptr) return false;
    if (watch.width <= 0 || watch.height <= 0) {  // a decoder that never announced its size
        watch.width = gdk_pixbuf_get_width(image);
        watch.height = gdk_pixbuf_get_height(image);
    }
    uint8_t* pixels = nullptr;
    bool alpha = gdk_pixbuf_get_has_alpha(image);
    if (UsableImage(image, watch)) pixels = Resample(image, alpha ? 4 : 3);
    g_object_unref(image);
    if (pixels == nullptr) return false;
    staging->FreePixels();
    staging->imageData = pixels;
    staging->width = staging->height = kPicTextureSize;
    staging->type = alpha ? GL_RGBA : GL_RGB;
    staging->bpp = alpha ? 32 : 24;
    if (picWidth != nullptr) *picWidth = watch.width;
    if (picHeight != nullptr) *picHeight = watch.height;
    return true;
}

bool loadPicFile(const char* path, Texture* texture) {
    if (texture == nullptr) return false;
    Texture built;
    int w = 0;
    int h = 0;
    if (!DecodePicFile(path, &built, &w, &h)) return false;
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
