#include "assets/TGALoader.h"

#include <GL/gl.h>

#include <cstdlib>
#include <cstring>

#include "assets/Alerts.h"

namespace {

// The first 12 header bytes of the two accepted kinds: no image-ID field, no
// colour map, origin (0, 0); true colour, uncompressed (2) or run-length (10).
const uint8_t uTGAcompare[12] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
const uint8_t cTGAcompare[12] = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0};

// Image descriptor bit 5: the first row of the file is the top row.
const uint8_t kTopOriginBit = 0x20;

bool Fail(const char* text, const char* title = "ERROR") {
    MessageBox(nullptr, text, title, MB_OK | MB_ICONERROR);
    return false;
}

// Frees the pixels so that the record is empty again, then reports.
bool FailAndFree(Texture* texture, const char* text) {
    texture->FreePixels();
    return Fail(text);
}

bool ReadBytes(std::istream& in, uint8_t* buffer, size_t count) {
    in.read(reinterpret_cast<char*>(buffer), static_cast<std::streamsize>(count));
    return static_cast<size_t>(in.gcount()) == count;
}

// Takes bytes straight from the stream's buffer. The run-length decoder asks
// for one to four bytes at a time, and the checks of a formatted read per
// packet and per pixel cost more than the decoding itself. The stream ends
// up where direct reads would leave it, failed where they would fail.
struct StreamBytes {
    explicit StreamBytes(std::istream& stream) : in(stream), buffer(stream.rdbuf()) {}
    std::istream& in;
    std::streambuf* buffer;

    bool Read(uint8_t* out, size_t count) {
        const std::streamsize want = static_cast<std::streamsize>(count);
        if (!in.good() || buffer == nullptr || buffer->sgetn(reinterpret_cast<char*>(out), want) != want) {
            in.setstate(std::ios::eofbit | std::ios::failbit);
            return false;
        }
        return true;
    }
};

// What the decoders need beyond the texture record.
struct ImageLayout {
    int bytesPerPixel = 0;
    size_t pixelCount = 0;
    size_t capacity = 0;  // pixels the buffer holds
    bool topOrigin = false;
};

// Bytes left in the stream after its position, or -1 when it cannot tell.
std::streamoff BytesLeft(std::istream& in) {
    const std::streampos here = in.tellg();
    if (here < 0) return -1;
    in.seekg(0, std::ios::end);
    const std::streampos end = in.tellg();
    in.clear();
    in.seekg(here);
    return end < 0 ? -1 : static_cast<std::streamoff>(end - here);
}

// Reads the 6-byte info header (size, depth, descriptor), checks it and
// allocates the pixels.
// A damaged file must not make the decoder allocate for pixels that it
// cannot hold: uncompressed pixels (rawPixels) that the stream visibly lacks
// fail as the read would, before allocating.
bool BeginImage(Texture* texture, std::istream& in, bool rawPixels, ImageLayout* layout) {
    uint8_t info[6];
    if (!ReadBytes(in, info, 6)) return Fail("Could not read info header");
    const uint32_t width = info[0] | (info[1] << 8);
    const uint32_t height = info[2] | (info[3] << 8);
    const uint32_t depth = info[4];
    // Sides beyond kMaxTGASide would ask for gigabytes on the word of a
    // few header bytes; no texture of this program is that large.
    if (width == 0 || height == 0 || width > kMaxTGASide || height > kMaxTGASide ||
        (depth != 24 && depth != 32))
        return Fail("Invalid texture information");
    texture->FreePixels();
    texture->width = width;
    texture->height = height;
    texture->bpp = depth;
    texture->type = depth == 32 ? GL_RGBA : GL_RGB;
    layout->bytesPerPixel = static_cast<int>(depth / 8);
    layout->pixelCount = static_cast<size_t>(width) * height;
    layout->topOrigin = (info[5] & kTopOriginBit) != 0;
    layout->capacity = layout->pixelCount;
    const std::streamoff left = BytesLeft(in);
    if (left >= 0 && rawPixels && static_cast<uint64_t>(left) < layout->pixelCount * layout->bytesPerPixel)
        return Fail("Could not read image data");
    if (left >= 0 && !rawPixels) {
        // Each packet takes at least a header and one pixel and gives at most
        // 128 pixels, so no more can come out of what the stream holds. When
        // that is short of the image the decoder fails where the data runs
        // out, with the same alert; the buffer need not be larger.
        const uint64_t most = static_cast<uint64_t>(left) / (1 + layout->bytesPerPixel) * 128;
        if (most < layout->capacity) layout->capacity = most > 0 ? static_cast<size_t>(most) : 1;
    }
    texture->imageData = static_cast<uint8_t*>(std::malloc(layout->capacity * layout->bytesPerPixel));
    if (!texture->imageData) return Fail("Could not allocate memory for image");
    return true;
}

// Turns an image stored top-down into OpenGL's bottom-up row order.
void FlipRows(Texture* texture, int bytesPerPixel) {
    const size_t rowBytes = static_cast<size_t>(texture->width) * bytesPerPixel;
    uint8_t* top = texture->imageData;
    uint8_t* bottom = texture->imageData + rowBytes * (texture->height - 1);
    while (top < bottom) {
        for (size_t i = 0; i < rowBytes; ++i) {
            uint8_t swap = top[i];
            top[i] = bottom[i];
            bottom[i] = swap;
        }
        top += rowBytes;
        bottom -= rowBytes;
    }
}

bool FinishImage(Texture* texture, const ImageLayout& layout) {
    if (layout.topOrigin) FlipRows(texture, layout.bytesPerPixel);
    return true;
}

bool DecodeUncompressed(Texture* texture, std::istream& in) {
    ImageLayout layout;
    if (!BeginImage(texture, in, true, &layout)) return false;
    const size_t bytes = layout.pixelCount * layout.bytesPerPixel;
    if (!ReadBytes(in, texture->imageData, bytes)) return FailAndFree(texture, "Could not read image data");
    for (size_t i = 0; i < bytes; i += layout.bytesPerPixel) {
        uint8_t blue = texture->imageData[i];
        texture->imageData[i] = texture->imageData[i + 2];
        texture->imageData[i + 2] = blue;
    }
    return FinishImage(texture, layout);
}

// Stores one file pixel (B, G, R, A) as R, G, B, A at pixel index.
void StorePixel(Texture* texture, const uint8_t* filePixel, int bytesPerPixel, size_t index) {
    uint8_t* out = texture->imageData + index * bytesPerPixel;
    out[0] = filePixel[2];
    out[1] = filePixel[1];
    out[2] = filePixel[0];
    if (bytesPerPixel == 4) out[3] = filePixel[3];
}

bool DecodeRunLength(Texture* texture, std::istream& in) {
    ImageLayout layout;
    if (!BeginImage(texture, in, false, &layout)) return false;
    const int bpp = layout.bytesPerPixel;
    StreamBytes bytes(in);
    size_t written = 0;
    uint8_t pixel[4];
    while (written < layout.pixelCount) {
        uint8_t packet;
        if (!bytes.Read(&packet, 1)) return FailAndFree(texture, "Could not read RLE header");
        if (packet < 128) {
            for (int i = 0; i <= packet; ++i) {
                if (!bytes.Read(pixel, bpp)) return FailAndFree(texture, "Could not read image data");
                if (written >= layout.pixelCount) return FailAndFree(texture, "Too many pixels read");
                if (written >= layout.capacity) return FailAndFree(texture, "Could not read image data");
                StorePixel(texture, pixel, bpp, written++);
            }
        } else {
            if (!bytes.Read(pixel, bpp)) return FailAndFree(texture, "Could not read from file");
            for (int i = 0; i < packet - 127; ++i) {
                if (written >= layout.pixelCount) return FailAndFree(texture, "Too many pixels read");
                if (written >= layout.capacity) return FailAndFree(texture, "Could not read image data");
                StorePixel(texture, pixel, bpp, written++);
            }
        }
    }
    return FinishImage(texture, layout);
}

}  // namespace

bool DecodeTGA(Texture* texture, std::istream& in) {
    if (!texture) return false;
    // Whatever the record held goes first, so that a failure at any step
    // leaves it empty rather than with the previous picture's pixels.
    texture->FreePixels();
    uint8_t header[12];
    if (!ReadBytes(in, header, 12)) return Fail("Could not read file header");
    if (std::memcmp(header, uTGAcompare, 12) == 0) return DecodeUncompressed(texture, in);
    if (std::memcmp(header, cTGAcompare, 12) == 0) return DecodeRunLength(texture, in);
    return Fail("TGA file be type 2 or type 10 ", "Invalid Image");
}

bool LoadTGA2(Texture* texture, std::fstream* file) {
    if (texture) texture->FreePixels();
    if (!file || !file->is_open()) return Fail("Could not open texture file");
    return DecodeTGA(texture, *file);
}

bool LoadTGA(Texture* texture, const char* path) {
    std::fstream file;
    if (path) file.open(path, std::ios::in | std::ios::binary);
    return LoadTGA2(texture, &file);
}
