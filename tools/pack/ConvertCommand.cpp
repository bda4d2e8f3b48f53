// convert: decodes a TGA image with Dovel's decoder and writes it as PNG the
// way Dovel shows it: upright, and with --alpha=M the alpha that
// BuildTexture makes.
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "assets/TGALoader.h"
#include "tools/pack/PackTool.h"

namespace {

const char kUsage[] = "dovel-pack convert [--alpha=M] IN.tga OUT.png";
const char kHelp[] =
    "usage: dovel-pack convert [--alpha=M] IN.tga OUT.png\n"
    "Decodes IN.tga with Dovel's own decoder and writes OUT.png upright, as Dovel\n"
    "shows it. The PNG keeps the image's channels (RGB, or RGBA for 32-bit\n"
    "images); --alpha=M writes RGBA with the alpha Dovel makes for alpha mode M\n"
    "(0 opaque, 1 colour key on the first pixel, 2 brightest channel).\n";

// The rows to write, top row first, and their layout.
struct PngImage {
    int width = 0;
    int height = 0;
    int channels = 0;
    std::vector<uint8_t> pixels;  // top row first
};

PngImage Upright(const Texture& texture, int alphaMode) {
    PngImage image;
    image.width = static_cast<int>(texture.width);
    image.height = static_cast<int>(texture.height);
    std::vector<uint8_t> source;
    if (alphaMode >= 0) {
        image.channels = 4;
        source.resize(static_cast<size_t>(image.width) * image.height * 4);
        ExpandToRGBA(texture, alphaMode, source.data());
    } else {
        image.channels = static_cast<int>(texture.bpp / 8);
        source.assign(texture.imageData,
                      texture.imageData + static_cast<size_t>(image.width) * image.height * image.channels);
    }
    // Row 0 of the texture is the bottom row; PNG starts at the top.
    const size_t rowBytes = static_cast<size_t>(image.width) * image.channels;
    image.pixels.resize(source.size());
    for (int y = 0; y < image.height; ++y) {
        const uint8_t* from = source.data() + rowBytes * (image.height - 1 - y);
        std::copy(from, from + rowBytes, image.pixels.begin() + rowBytes * y);
    }
    return image;
}

bool WritePng(const std::string& path, const PngImage& image) {
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(out);
        return false;
    }
    png_init_io(png, out);
    png_set_IHDR(png, info, image.width, image.height, 8,
                 image.channels == 4 ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const size_t rowBytes = static_cast<size_t>(image.width) * image.channels;
    for (int y = 0; y < image.height; ++y)
        png_write_row(png, const_cast<png_bytep>(image.pixels.data() + rowBytes * y));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(out) == 0;
}

}  // namespace

int RunConvert(const Args& args) {
    if (WantsHelp(args)) return std::fputs(kHelp, stdout), kExitOk;
    int alphaMode = -1;
    std::vector<std::string> files;
    for (const std::string& arg : args) {
        if (arg.rfind("--alpha=", 0) == 0) {
            unsigned long long mode = 0;
            if (!ParseNumber(arg.substr(8), 2, &mode))
                return UsageError("convert", kUsage, "bad alpha mode '" + arg.substr(8) + "' (0, 1 or 2)");
            alphaMode = static_cast<int>(mode);
        } else if (arg.size() > 1 && arg[0] == '-') {
            return UsageError("convert", kUsage, "unknown option '" + arg + "'");
        } else {
            files.push_back(arg);
        }
    }
    if (files.size() != 2) return UsageError("convert", kUsage, "needs an input image and an output file");
    Texture texture;
    if (!LoadTGA(&texture, files[0].c_str())) return BadInput(files[0], TakeAlerts());
    if (!WritePng(files[1], Upright(texture, alphaMode))) return BadInput(files[1], "cannot write the PNG");
    return kExitOk;
}
