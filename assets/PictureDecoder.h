// Decoding picture files with gdk-pixbuf under fixed limits. The kind of a
// file is told from its first bytes, never from its name, and only the kinds
// the caller allows are decoded, each by its own loader: no other loader
// module ever sees the bytes. Decoding is bounded in memory and time: a
// picture whose declared size would make the decoder's working memory exceed
// kMaxDecoderBytes (its output buffer, plus the whole-picture coefficient
// buffers of a progressive or multi-scan JPEG) is refused before the decoder
// allocates, a JPEG is decoded at a reduced size where that still gives the
// caller the detail it asks for, an SVG is rendered at a size within the
// limit and only the first picture of a GIF is decoded. The time a decode
// takes follows from the declared pixels and the JPEG scans, both limited;
// besides, the bytes are fed in chunks and feeding stops once the decode has
// run for kMaxDecodeSeconds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Picture kinds, as bits of a set.
enum PictureKind : unsigned {
    kPicJpeg = 1u << 0,
    kPicPng = 1u << 1,
    kPicGif = 1u << 2,
    kPicSvg = 1u << 3,
    kPicWebp = 1u << 4,
};
// The slideshow's kinds, and those a desktop wallpaper may also be.
constexpr unsigned kSlideshowPictureKinds = kPicJpeg | kPicPng | kPicGif;
constexpr unsigned kDesktopPictureKinds = kSlideshowPictureKinds | kPicSvg | kPicWebp;

// Limits: the file's size, each declared side, the declared pixels (which
// bound the decoding time), the decoder's working memory, the scans of a
// JPEG and the wall-clock time of one decode.
constexpr int64_t kMaxPicFileBytes = int64_t{64} << 20;
constexpr int kMaxPicSide = 65535;
constexpr int64_t kMaxPicPixels = int64_t{1} << 28;
constexpr int64_t kMaxDecoderBytes = int64_t{256} << 20;
constexpr int kMaxJpegScans = 100;
constexpr double kMaxDecodeSeconds = 10.0;

// A decoded picture: 8-bit RGB or RGBA rows from the top down.
struct DecodedPicture {
    int width = 0;  // the picture's own size
    int height = 0;
    int decodedWidth = 0;  // the size of pixels, reduced while decoding where allowed
    int decodedHeight = 0;
    int channels = 0;  // 3 or 4
    std::vector<uint8_t> pixels;
};

// The kind of a file from its first bytes, 0 when it is none of the kinds.
unsigned PictureKindOf(const uint8_t* bytes, size_t size);

// Decodes the picture file at path, whose kind must be in kinds. A JPEG is
// reduced while decoding only as far as both sides stay at least minWidth x
// minHeight. False with *why (one line) when the file is not a regular
// readable file, is of another kind, is damaged or cut short, or is beyond
// the limits.
bool DecodePicture(const char* path, unsigned kinds, int minWidth, int minHeight, DecodedPicture* out,
                   std::string* why);
