#include "tests/scene/PictureFiles.h"

#include <ftw.h>
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

TempFolder::TempFolder() {
    const char* tmp = getenv("TMPDIR");
    std::string pattern =
        std::string(tmp != nullptr && tmp[0] != '\0' ? tmp : "/tmp") + "/dovel-scene-XXXXXX";
    if (mkdtemp(&pattern[0]) != nullptr) path = pattern + "/";
}

TempFolder::~TempFolder() {
    auto removeEntry = [](const char* entry, const struct stat*, int, struct FTW*) { return remove(entry); };
    if (!path.empty()) nftw(path.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
}

PixelFunction SolidColour(uint8_t r, uint8_t g, uint8_t b) {
    return [=](int, int, uint8_t* p) { p[0] = r, p[1] = g, p[2] = b, p[3] = 255; };
}

bool SavePicture(const std::string& path, int w, int h, const PixelFunction& pixel, PicKind kind,
                 bool interlaced) {
    const struct {
        int colourType, samples, depth;
    } formats[] = {{PNG_COLOR_TYPE_RGB, 3, 8},     {PNG_COLOR_TYPE_RGB_ALPHA, 4, 8},
                   {PNG_COLOR_TYPE_GRAY, 1, 8},    {PNG_COLOR_TYPE_GRAY_ALPHA, 2, 8},
                   {PNG_COLOR_TYPE_PALETTE, 1, 8}, {PNG_COLOR_TYPE_RGB, 3, 16},
                   {PNG_COLOR_TYPE_RGB, 3, 8},     {PNG_COLOR_TYPE_RGB, 3, 8}};  // JPEG's and WebP's rows
    const auto& f = formats[static_cast<int>(kind)];
    const size_t rowBytes = static_cast<size_t>(w) * f.samples * f.depth / 8;
    std::vector<uint8_t> data(rowBytes * h);
    uint8_t* out = data.data();
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            uint8_t p[4] = {0, 0, 0, 255};
            pixel(x, y, p);
            if (kind == PicKind::Palette) p[0] = p[0] % 4;
            if (kind == PicKind::GreyAlpha) p[1] = p[3];
            for (int s = 0; s < f.samples; ++s)
                for (int b = 0; b < f.depth / 8; ++b) *out++ = p[s];  // 16-bit: v * 257
        }
    }
    if (kind == PicKind::Jpeg || kind == PicKind::Webp) {
        GdkPixbuf* image = gdk_pixbuf_new_from_data(data.data(), GDK_COLORSPACE_RGB, FALSE, 8, w, h,
                                                    static_cast<int>(rowBytes), nullptr, nullptr);
        bool ok = gdk_pixbuf_save(image, path.c_str(), kind == PicKind::Jpeg ? "jpeg" : "webp", nullptr,
                                  "quality", "95", nullptr);
        g_object_unref(image);
        return ok;
    }
    FILE* file = fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (png == nullptr || info == nullptr || setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, w, h, f.depth, f.colourType,
                 interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_color palette[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
    if (kind == PicKind::Palette) png_set_PLTE(png, info, palette, 4);
    png_write_info(png, info);
    std::vector<png_bytep> rows;
    for (int y = 0; y < h; ++y) rows.push_back(&data[y * rowBytes]);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return fclose(file) == 0;
}
