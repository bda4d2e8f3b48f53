#include "tests/scene/PictureFiles.h"

#include <ftw.h>
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <png.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int RemoveEntry(const char* path, const struct stat*, int, struct FTW*) {
    return remove(path);
}

void AppendBigEndian32(std::vector<uint8_t>* out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out->push_back(static_cast<uint8_t>(v >> shift));
}

uint32_t Crc32(const uint8_t* data, size_t n) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void AppendChunk(std::vector<uint8_t>* out, const char* type, const std::vector<uint8_t>& data) {
    AppendBigEndian32(out, static_cast<uint32_t>(data.size()));
    size_t start = out->size();
    out->insert(out->end(), type, type + 4);
    out->insert(out->end(), data.begin(), data.end());
    AppendBigEndian32(out, Crc32(out->data() + start, out->size() - start));
}

void AppendLittleEndian16(std::vector<uint8_t>* out, uint16_t v) {
    out->push_back(static_cast<uint8_t>(v & 0xFF));
    out->push_back(static_cast<uint8_t>(v >> 8));
}

std::vector<uint8_t> Gif(uint16_t w, uint16_t h, const std::vector<uint8_t>& lzw) {
    std::vector<uint8_t> g = {'G', 'I', 'F', '8', '9', 'a'};
    AppendLittleEndian16(&g, w);
    AppendLittleEndian16(&g, h);
    g.insert(g.end(), {0x80, 0, 0, 0, 0, 0, 255, 255, 255});  // 2-colour table: black, white
    g.push_back(',');
    AppendLittleEndian16(&g, 0);
    AppendLittleEndian16(&g, 0);
    AppendLittleEndian16(&g, w);
    AppendLittleEndian16(&g, h);
    g.push_back(0);
    g.push_back(2);  // LZW minimum code size
    g.push_back(static_cast<uint8_t>(lzw.size()));
    g.insert(g.end(), lzw.begin(), lzw.end());
    g.push_back(0);
    g.push_back(';');
    return g;
}

}  // namespace

TempFolder::TempFolder() {
    const char* tmp = getenv("TMPDIR");
    std::string pattern =
        std::string(tmp != nullptr && tmp[0] != '\0' ? tmp : "/tmp") + "/dovel-scene-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()) != nullptr) path = std::string(buffer.data()) + "/";
}

TempFolder::~TempFolder() {
    if (!path.empty()) nftw(path.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
}

PixelFunction SolidColour(uint8_t r, uint8_t g, uint8_t b) {
    return [=](int, int, uint8_t* p) {
        p[0] = r;
        p[1] = g;
        p[2] = b;
        p[3] = 255;
    };
}

bool SavePicture(const std::string& path, int w, int h, const PixelFunction& pixel, const char* format,
                 bool alpha) {
    GdkPixbuf* image = gdk_pixbuf_new(GDK_COLORSPACE_RGB, alpha, 8, w, h);
    if (image == nullptr) return false;
    const int stride = gdk_pixbuf_get_rowstride(image);
    const int channels = gdk_pixbuf_get_n_channels(image);
    uint8_t* pixels = gdk_pixbuf_get_pixels(image);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            uint8_t rgba[4] = {0, 0, 0, 255};
            pixel(x, y, rgba);
            memcpy(pixels + static_cast<size_t>(y) * stride + static_cast<size_t>(x) * channels, rgba,
                   channels);
        }
    }
    GError* error = nullptr;
    bool ok = strcmp(format, "jpeg") == 0
                  ? gdk_pixbuf_save(image, path.c_str(), "jpeg", &error, "quality", "95", nullptr)
                  : gdk_pixbuf_save(image, path.c_str(), format, &error, nullptr);
    g_clear_error(&error);
    g_object_unref(image);
    return ok;
}

bool WritePng(const std::string& path, int w, int h, PngKind kind, bool interlaced,
              const PixelFunction& pixel) {
    FILE* file = fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    int colourType = PNG_COLOR_TYPE_RGB;
    int depth = 8;
    int samples = 3;
    if (kind == PngKind::Grey) colourType = PNG_COLOR_TYPE_GRAY, samples = 1;
    if (kind == PngKind::GreyAlpha) colourType = PNG_COLOR_TYPE_GRAY_ALPHA, samples = 2;
    if (kind == PngKind::Palette) colourType = PNG_COLOR_TYPE_PALETTE, samples = 1;
    if (kind == PngKind::Rgb16) depth = 16;
    const int bytesPerSample = depth / 8;
    std::vector<std::vector<uint8_t>> rows(
        h, std::vector<uint8_t>(static_cast<size_t>(w) * samples * bytesPerSample));
    for (int y = 0; y < h; ++y) {
        uint8_t* out = rows[y].data();
        for (int x = 0; x < w; ++x) {
            uint8_t p[4] = {0, 0, 0, 255};
            pixel(x, y, p);
            if (kind == PngKind::Palette) p[0] = p[0] % 4;
            for (int s = 0; s < samples; ++s) {
                uint8_t v = (kind == PngKind::GreyAlpha && s == 1) ? p[3] : p[s];
                for (int b = 0; b < bytesPerSample; ++b) *out++ = v;  // 16-bit: v * 257, big-endian
            }
        }
    }
    bool ok = false;
    if (png != nullptr && info != nullptr && setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, file);
        png_set_IHDR(png, info, w, h, depth, colourType,
                     interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        png_color palette[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
        if (kind == PngKind::Palette) png_set_PLTE(png, info, palette, 4);
        png_write_info(png, info);
        std::vector<png_bytep> pointers;
        for (auto& row : rows) pointers.push_back(row.data());
        png_write_image(png, pointers.data());
        png_write_end(png, nullptr);
        ok = true;
    }
    png_destroy_write_struct(&png, &info);
    fclose(file);
    return ok;
}

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* file = fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    bool ok = bytes.empty() || fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return fclose(file) == 0 && ok;
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::vector<uint8_t> bytes;
    FILE* file = fopen(path.c_str(), "rb");
    if (file == nullptr) return bytes;
    uint8_t buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, file)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
    fclose(file);
    return bytes;
}

std::vector<uint8_t> PngClaimingSize(uint32_t w, uint32_t h) {
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    AppendBigEndian32(&header, w);
    AppendBigEndian32(&header, h);
    header.insert(header.end(), {8, 2, 0, 0, 0});
    AppendChunk(&png, "IHDR", header);
    // A zlib stream of one stored block of 16 zero bytes.
    AppendChunk(&png, "IDAT", {0x78, 0x01, 0x01, 0x10, 0x00, 0xEF, 0xFF, 0, 0, 0,    0,    0,    0,   0,
                               0,    0,    0,    0,    0,    0,    0,    0, 0, 0x00, 0x10, 0x00, 0x01});
    AppendChunk(&png, "IEND", {});
    return png;
}

std::vector<uint8_t> GifClaimingSize(uint16_t w, uint16_t h) {
    return Gif(w, h, {0x4C, 0x01});
}

std::vector<uint8_t> SmallGif() {
    // Codes, least significant bit first: clear 4, 0, 1, 1 (3 bits each),
    // then 0 and end 5 (4 bits each, once the table reaches 8 entries).
    return Gif(2, 2, {0x44, 0x02, 0x05});
}
