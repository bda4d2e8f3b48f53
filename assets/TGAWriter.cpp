#include "assets/TGAWriter.h"

#include <cstring>

namespace {

void PutU16(std::vector<uint8_t>* out, int value) {
    out->push_back(static_cast<uint8_t>(value & 0xFF));
    out->push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
}

// Appends one pixel in file order: B, G, R (, A).
void PutPixel(std::vector<uint8_t>* out, const uint8_t* rgba, int bytesPerPixel) {
    out->push_back(rgba[2]);
    out->push_back(rgba[1]);
    out->push_back(rgba[0]);
    if (bytesPerPixel == 4) out->push_back(rgba[3]);
}

void PutRawRow(std::vector<uint8_t>* out, const uint8_t* row, int width, int bytesPerPixel) {
    for (int x = 0; x < width; ++x) PutPixel(out, row + x * bytesPerPixel, bytesPerPixel);
}

// Length of the run of pixels equal to the one at x, at most 128.
int RunLength(const uint8_t* row, int x, int width, int bytesPerPixel) {
    int n = 1;
    const uint8_t* first = row + x * bytesPerPixel;
    while (x + n < width && n < 128 && std::memcmp(first, row + (x + n) * bytesPerPixel, bytesPerPixel) == 0)
        ++n;
    return n;
}

// Run-length encodes one row; packets never cross the row's end, as other
// readers expect.
void PutRleRow(std::vector<uint8_t>* out, const uint8_t* row, int width, int bytesPerPixel) {
    int x = 0;
    while (x < width) {
        int run = RunLength(row, x, width, bytesPerPixel);
        if (run >= 2) {
            out->push_back(static_cast<uint8_t>(127 + run));
            PutPixel(out, row + x * bytesPerPixel, bytesPerPixel);
            x += run;
            continue;
        }
        int raw = 1;
        while (x + raw < width && raw < 128 && RunLength(row, x + raw, width, bytesPerPixel) < 2) ++raw;
        out->push_back(static_cast<uint8_t>(raw - 1));
        for (int i = 0; i < raw; ++i) PutPixel(out, row + (x + i) * bytesPerPixel, bytesPerPixel);
        x += raw;
    }
}

}  // namespace

std::vector<uint8_t> EncodeTGA(const uint8_t* pixels, int width, int height, int bpp, bool rle,
                               bool topOrigin) {
    std::vector<uint8_t> out;
    if ((bpp != 24 && bpp != 32) || width < 1 || height < 1 || width > 65535 || height > 65535 || !pixels)
        return out;
    int bytesPerPixel = bpp / 8;
    uint8_t header[12] = {0, 0, static_cast<uint8_t>(rle ? 10 : 2), 0, 0, 0, 0, 0, 0, 0, 0, 0};
    out.assign(header, header + 12);
    PutU16(&out, width);
    PutU16(&out, height);
    out.push_back(static_cast<uint8_t>(bpp));
    out.push_back(static_cast<uint8_t>((bpp == 32 ? 8 : 0) | (topOrigin ? 0x20 : 0)));
    size_t rowBytes = static_cast<size_t>(width) * bytesPerPixel;
    for (int i = 0; i < height; ++i) {
        int y = topOrigin ? height - 1 - i : i;
        const uint8_t* row = pixels + rowBytes * y;
        if (rle) {
            PutRleRow(&out, row, width, bytesPerPixel);
        } else {
            PutRawRow(&out, row, width, bytesPerPixel);
        }
    }
    return out;
}
