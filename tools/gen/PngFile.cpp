#include "tools/gen/PngFile.h"

#include <png.h>

namespace {

void AppendBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void NoFlush(png_structp) {}

// libpng reports errors by longjmp; this keeps the jump inside one frame
// with nothing to destroy but the png structures.
bool EncodeRows(png_structp png, png_infop info, const uint8_t* pixels, int width, int height, bool alpha,
                std::vector<uint8_t>* out) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_write_fn(png, out, AppendBytes, NoFlush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 9);
    png_write_info(png, info);
    size_t stride = static_cast<size_t>(width) * (alpha ? 4 : 3);
    for (int y = 0; y < height; ++y) png_write_row(png, const_cast<png_bytep>(pixels + stride * y));
    png_write_end(png, nullptr);
    return true;
}

}  // namespace

std::vector<uint8_t> EncodePNG(const uint8_t* pixels, int width, int height, bool alpha) {
    std::vector<uint8_t> out;
    if (width <= 0 || height <= 0) return out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return out;
    png_infop info = png_create_info_struct(png);
    bool ok = info && EncodeRows(png, info, pixels, width, height, alpha, &out);
    png_destroy_write_struct(&png, info ? &info : nullptr);
    if (!ok) out.clear();
    return out;
}

std::vector<uint8_t> EncodePNG(const Image& image) {
    std::vector<uint8_t> rgb = TopDownBytes(image, false);
    return EncodePNG(rgb.data(), image.width, image.height, false);
}
