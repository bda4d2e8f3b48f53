#include "assets/PictureDecoder.h"

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

#include "base/FileIO.h"

namespace {

// ---------------------------------------------------------------------------
// Reading the file

// Reads the regular file at path whole. Anything else (a folder, a pipe, a
// device) is refused without waiting, and so is a file above the size limit.
bool ReadPictureFile(const char* path, std::vector<uint8_t>* bytes, std::string* why) {
    std::string error;
    if (!ReadFileBytes(path, bytes, &error, kMaxPicFileBytes)) {
        // The caller names the file: keep only the reason.
        const std::string prefix = std::string(path) + ": ";
        *why = error.compare(0, prefix.size(), prefix) == 0 ? error.substr(prefix.size()) : error;
        return false;
    }
    if (bytes->empty()) *why = "empty";
    return why->empty();
}

// ---------------------------------------------------------------------------
// What the headers declare, read before any decoder sees the bytes. A JPEG
// must reach its end-of-image marker and a PNG its IEND chunk: the decoders
// fill a picture that stops early with grey, or leave its remaining rows
// blank, without reporting it.

struct Declared {
    int width = 0;
    int height = 0;
    int64_t extraBytes = 0;  // decoder memory beyond the output buffer
    size_t feedBytes = 0;    // how much of the file the decoder is given
};

uint32_t BigEndian32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}
int BigEndian16(const uint8_t* p) {
    return (p[0] << 8) | p[1];
}
int LittleEndian16(const uint8_t* p) {
    return p[0] | (p[1] << 8);
}

bool IsRestartOrStuffing(uint8_t marker) {
    return marker == 0x00 || marker == 0xFF || (marker >= 0xD0 && marker <= 0xD7);
}

// Index of the first marker after the entropy-coded data that starts at i.
size_t SkipEntropyData(const std::vector<uint8_t>& d, size_t i) {
    while (i + 1 < d.size() && !(d[i] == 0xFF && !IsRestartOrStuffing(d[i + 1]))) ++i;
    return i;
}

bool IsFrameMarker(uint8_t m) {
    return m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC;
}

int64_t CeilDiv64(int64_t a, int64_t b) {
    return (a + b - 1) / b;
}

// Bytes of the whole-picture coefficient buffers that libjpeg keeps for a
// progressive or multi-scan JPEG: 64 two-byte coefficients per 8 x 8 block of
// every component at full resolution, rounded up to whole MCUs.
int64_t JpegCoefficientBytes(const std::vector<uint8_t>& d, size_t frame, int w, int h) {
    int components = d[frame + 7];
    int hmax = 1, vmax = 1;
    for (int c = 0; c < components; ++c) {
        uint8_t sampling = d[frame + 9 + 3 * c];
        hmax = std::max(hmax, sampling >> 4);
        vmax = std::max(vmax, sampling & 15);
    }
    int64_t total = 0;
    for (int c = 0; c < components; ++c) {
        uint8_t sampling = d[frame + 9 + 3 * c];
        int hs = std::max(1, sampling >> 4), vs = std::max(1, sampling & 15);
        int64_t bw = CeilDiv64(CeilDiv64(int64_t{w} * hs, hmax), 8);
        int64_t bh = CeilDiv64(CeilDiv64(int64_t{h} * vs, vmax), 8);
        total += CeilDiv64(bw, hs) * hs * CeilDiv64(bh, vs) * vs * 128;
    }
    return total;
}

bool ReadJpeg(const std::vector<uint8_t>& d, Declared* out, std::string* why) {
    size_t frame = 0;
    bool progressive = false;
    int scans = 0;
    size_t i = 2;
    while (i + 1 < d.size()) {
        if (d[i] != 0xFF || d[i + 1] == 0xFF) {  // stray bytes or fill before a marker
            ++i;
            continue;
        }
        uint8_t marker = d[i + 1];
        if (marker == 0xD9) break;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            i += 2;
            continue;
        }
        if (i + 3 >= d.size()) break;
        size_t length = static_cast<size_t>(BigEndian16(&d[i + 2]));
        if (length < 2) break;
        if (IsFrameMarker(marker) && frame == 0 && i + 2 + length <= d.size() && length >= 8) {
            frame = i + 2;
            progressive = marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE;
            if (length < 8u + 3u * d[frame + 7]) frame = 0;
        }
        i += 2 + length;
        if (marker == 0xDA) {
            if (++scans > kMaxJpegScans) {
                *why = "more than " + std::to_string(kMaxJpegScans) + " scans";
                return false;
            }
            i = SkipEntropyData(d, i);
        }
    }
    if (!(i + 1 < d.size() && d[i] == 0xFF && d[i + 1] == 0xD9)) {
        *why = "cut short (no end-of-image marker)";
        return false;
    }
    if (frame == 0) {
        *why = "no frame header";
        return false;
    }
    // frame points at the segment's length: then precision, height, width,
    // the component count and three bytes per component.
    out->height = BigEndian16(&d[frame + 3]);
    out->width = BigEndian16(&d[frame + 5]);
    if (progressive || scans > 1) out->extraBytes = JpegCoefficientBytes(d, frame, out->width, out->height);
    return true;
}

bool ReadPng(const std::vector<uint8_t>& d, Declared* out, std::string* why) {
    if (d.size() < 33 || memcmp(&d[12], "IHDR", 4) != 0) {
        *why = "no header chunk";
        return false;
    }
    uint32_t w = BigEndian32(&d[16]), h = BigEndian32(&d[20]);
    out->width = w > kMaxPicSide ? kMaxPicSide + 1 : static_cast<int>(w);
    out->height = h > kMaxPicSide ? kMaxPicSide + 1 : static_cast<int>(h);
    size_t i = 8;
    while (i + 8 <= d.size()) {
        size_t length = BigEndian32(&d[i]);
        if (memcmp(&d[i + 4], "IEND", 4) == 0) return true;
        if (length > d.size()) break;
        i += 12 + length;
    }
    *why = "cut short (no IEND chunk)";
    return false;
}

// Skips GIF data sub-blocks from i; the index after the terminator, or 0.
size_t SkipSubBlocks(const std::vector<uint8_t>& d, size_t i) {
    while (i < d.size()) {
        if (d[i] == 0) return i + 1;
        i += 1 + d[i];
    }
    return 0;
}

size_t ColourTableBytes(uint8_t flags) {
    return (flags & 0x80) ? 3u * (2u << (flags & 7)) : 0u;
}

// Only the first picture of a GIF is shown, so only it is decoded: the
// decoder is fed the file up to the end of the first image's data.
bool ReadGif(const std::vector<uint8_t>& d, Declared* out, std::string* why) {
    if (d.size() < 13) {
        *why = "cut short";
        return false;
    }
    out->width = LittleEndian16(&d[6]);
    out->height = LittleEndian16(&d[8]);
    size_t i = 13 + ColourTableBytes(d[10]);
    while (i < d.size()) {
        if (d[i] == 0x21 && i + 1 < d.size()) {  // extension: label, then sub-blocks
            i = SkipSubBlocks(d, i + 2);
        } else if (d[i] == 0x2C && i + 10 < d.size()) {  // the first image
            int right = LittleEndian16(&d[i + 1]) + LittleEndian16(&d[i + 5]);
            int bottom = LittleEndian16(&d[i + 3]) + LittleEndian16(&d[i + 7]);
            out->width = std::max(out->width, right);
            out->height = std::max(out->height, bottom);
            i += 10 + ColourTableBytes(d[i + 9]);
            i = i < d.size() ? SkipSubBlocks(d, i + 1) : 0;
            if (i == 0) break;
            out->feedBytes = i;
            return true;
        } else {
            break;
        }
        if (i == 0) break;
    }
    *why = "cut short or damaged before its first image";
    return false;
}

// ---------------------------------------------------------------------------
// Decoding

const char* LoaderType(unsigned kind) {
    switch (kind) {
        case kPicJpeg:
            return "jpeg";
        case kPicPng:
            return "png";
        case kPicGif:
            return "gif";
        case kPicSvg:
            return "svg";
        default:
            return "webp";
    }
}

const char* KindName(unsigned kind) {
    switch (kind) {
        case kPicJpeg:
            return "JPEG";
        case kPicPng:
            return "PNG";
        case kPicGif:
            return "GIF";
        case kPicSvg:
            return "SVG";
        default:
            return "WebP";
    }
}

struct DecodeWatch {
    unsigned kind = 0;
    int minWidth = 0;
    int minHeight = 0;
    int64_t extraBytes = 0;
    int width = 0;  // the picture's own size, from the decoder
    int height = 0;
    std::string refused;  // why the size was refused
    int rowsReached = 0;  // bottom edge of the rows the decoder reported done
};

int CeilDiv(int a, int b) {
    return (a + b - 1) / b;
}

// The largest JPEG reduction (1/2, 1/4 or 1/8) that still leaves both sides
// at least the size asked for; 1 when none does.
int JpegReduction(int w, int h, int minWidth, int minHeight) {
    for (int d = 8; d > 1; d /= 2)
        if (CeilDiv(w, d) >= minWidth && CeilDiv(h, d) >= minHeight) return d;
    return 1;
}

// Why a picture of w x h decoded to outW x outH cannot be had; empty if it can.
std::string SizeProblem(int w, int h, int64_t outW, int64_t outH, int64_t extraBytes) {
    if (w <= 0 || h <= 0) return "no size";
    if (w > kMaxPicSide || h > kMaxPicSide || int64_t{w} * h > kMaxPicPixels)
        return "declares " + std::to_string(w) + " x " + std::to_string(h) + " pixels, beyond the limit";
    if (outW * outH * 4 + extraBytes > kMaxDecoderBytes)
        return "decoding " + std::to_string(w) + " x " + std::to_string(h) + " would take more than " +
               std::to_string(kMaxDecoderBytes >> 20) + " MiB";
    return "";
}

void OnSizePrepared(GdkPixbufLoader* loader, int w, int h, gpointer data) {
    DecodeWatch* watch = static_cast<DecodeWatch*>(data);
    watch->width = w;
    watch->height = h;
    int64_t outW = w, outH = h;
    if (watch->kind == kPicSvg && w > 0 && h > 0) {
        // An SVG is drawn at any size: no larger than the detail asked for
        // needs, and never beyond the memory limit.
        double s =
            std::max(static_cast<double>(watch->minWidth) / w, static_cast<double>(watch->minHeight) / h);
        s = std::min(
            {s, 1.0, std::sqrt(static_cast<double>(kMaxDecoderBytes) / 4.0 / (static_cast<double>(w) * h))});
        if (s < 1.0)
            gdk_pixbuf_loader_set_size(loader, std::max(1, static_cast<int>(w * s)),
                                       std::max(1, static_cast<int>(h * s)));
        return;
    }
    int reduction = watch->kind == kPicJpeg ? JpegReduction(w, h, watch->minWidth, watch->minHeight) : 1;
    if (w > 0 && h > 0) {
        outW = CeilDiv(w, reduction);
        outH = CeilDiv(h, reduction);
    }
    watch->refused = SizeProblem(w, h, outW, outH, watch->extraBytes);
    if (!watch->refused.empty()) {
        // A size of zero tells the decoder to stop before it allocates.
        gdk_pixbuf_loader_set_size(loader, 0, 0);
        return;
    }
    // The JPEG decoder picks the reduction that yields exactly this size, so
    // no scaling pass follows and row updates keep arriving.
    if (reduction > 1) gdk_pixbuf_loader_set_size(loader, static_cast<int>(outW), static_cast<int>(outH));
}

void OnAreaUpdated(GdkPixbufLoader*, int, int y, int, int h, gpointer data) {
    DecodeWatch* watch = static_cast<DecodeWatch*>(data);
    if (y + h > watch->rowsReached) watch->rowsReached = y + h;
}

// Feeds the bytes to the kind's own loader in bounded chunks, stopping when
// the decoder fails, refuses the size or runs out of time. A new reference
// to the image, or null with *why.
GdkPixbuf* DecodeBytes(const uint8_t* bytes, size_t size, DecodeWatch* watch, std::string* why) {
    GError* error = nullptr;
    GdkPixbufLoader* loader = gdk_pixbuf_loader_new_with_type(LoaderType(watch->kind), &error);
    if (loader == nullptr) {
        *why = std::string("no ") + KindName(watch->kind) + " decoder: " + (error ? error->message : "");
        g_clear_error(&error);
        return nullptr;
    }
    g_signal_connect(loader, "size-prepared", G_CALLBACK(OnSizePrepared), watch);
    g_signal_connect(loader, "area-updated", G_CALLBACK(OnAreaUpdated), watch);
    constexpr size_t kChunk = 64 * 1024;
    const auto start = std::chrono::steady_clock::now();
    bool ok = true;
    for (size_t done = 0; ok && done < size; done += kChunk) {
        ok = gdk_pixbuf_loader_write(loader, bytes + done, std::min(kChunk, size - done), &error) &&
             watch->refused.empty();
        std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
        if (ok && spent.count() > kMaxDecodeSeconds) {
            *why = "decoding took longer than " + std::to_string(static_cast<int>(kMaxDecodeSeconds)) + " s";
            ok = false;
        }
    }
    if (!ok && why->empty()) *why = watch->refused.empty() && error ? error->message : watch->refused;
    g_clear_error(&error);
    // Closing is needed either way; after a failed write its result is moot.
    bool closed = gdk_pixbuf_loader_close(loader, ok ? &error : nullptr);
    // A size refused while closing makes the decoder fail: say why it was.
    if (ok && !watch->refused.empty())
        *why = watch->refused;
    else if (ok && !closed)
        *why = error ? error->message : "cannot be decoded";
    g_clear_error(&error);
    GdkPixbuf* image = why->empty() ? gdk_pixbuf_loader_get_pixbuf(loader) : nullptr;
    if (image != nullptr) g_object_ref(image);
    g_object_unref(loader);
    if (image == nullptr && why->empty()) *why = "cannot be decoded";
    return image;
}

// The decoded image is 8-bit RGB or RGBA and every row was decoded. (The
// loader stops reporting rows only when it scales the image itself, which
// the JPEG reduction avoids; SVG and WebP report the whole image at once.)
bool UsableImage(GdkPixbuf* image, const DecodeWatch& watch) {
    int channels = gdk_pixbuf_get_n_channels(image);
    bool alpha = gdk_pixbuf_get_has_alpha(image);
    int h = gdk_pixbuf_get_height(image);
    bool rowsDone = watch.kind == kPicSvg || watch.kind == kPicWebp || watch.rowsReached >= h;
    return gdk_pixbuf_get_colorspace(image) == GDK_COLORSPACE_RGB &&
           gdk_pixbuf_get_bits_per_sample(image) == 8 && channels == (alpha ? 4 : 3) &&
           gdk_pixbuf_get_width(image) > 0 && h > 0 && rowsDone;
}

void CopyPixels(GdkPixbuf* image, DecodedPicture* out) {
    out->decodedWidth = gdk_pixbuf_get_width(image);
    out->decodedHeight = gdk_pixbuf_get_height(image);
    out->channels = gdk_pixbuf_get_n_channels(image);
    const size_t rowBytes = static_cast<size_t>(out->decodedWidth) * out->channels;
    const int stride = gdk_pixbuf_get_rowstride(image);
    const uint8_t* pixels = gdk_pixbuf_read_pixels(image);
    out->pixels.resize(rowBytes * out->decodedHeight);
    for (int y = 0; y < out->decodedHeight; ++y)
        memcpy(&out->pixels[rowBytes * y], pixels + static_cast<size_t>(y) * stride, rowBytes);
}

bool IsSvgText(const uint8_t* b, size_t size) {
    size_t i = size >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF ? 3 : 0;
    while (i < size && (b[i] == ' ' || b[i] == '\t' || b[i] == '\r' || b[i] == '\n')) ++i;
    if (i >= size || b[i] != '<') return false;
    const size_t look = std::min(size, size_t{4096});
    static const char kTag[] = "<svg";
    for (size_t k = i; k + sizeof kTag - 1 <= look; ++k)
        if (memcmp(b + k, kTag, sizeof kTag - 1) == 0) return true;
    return false;
}

}  // namespace

unsigned PictureKindOf(const uint8_t* b, size_t size) {
    static const uint8_t kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (size >= 3 && b[0] == 0xFF && b[1] == 0xD8 && b[2] == 0xFF) return kPicJpeg;
    if (size >= 8 && memcmp(b, kPng, 8) == 0) return kPicPng;
    if (size >= 6 && (memcmp(b, "GIF87a", 6) == 0 || memcmp(b, "GIF89a", 6) == 0)) return kPicGif;
    if (size >= 12 && memcmp(b, "RIFF", 4) == 0 && memcmp(b + 8, "WEBP", 4) == 0) return kPicWebp;
    if (IsSvgText(b, size)) return kPicSvg;
    return 0;
}

bool DecodePicture(const char* path, unsigned kinds, int minWidth, int minHeight, DecodedPicture* out,
                   std::string* why) {
    why->clear();
    std::vector<uint8_t> bytes;
    if (path == nullptr || out == nullptr) {
        *why = "no file";
        return false;
    }
    if (!ReadPictureFile(path, &bytes, why)) return false;
    DecodeWatch watch;
    watch.kind = PictureKindOf(bytes.data(), bytes.size());
    watch.minWidth = minWidth;
    watch.minHeight = minHeight;
    if ((watch.kind & kinds) == 0) {
        *why = watch.kind == 0 ? "not a picture of a known kind"
                               : std::string(KindName(watch.kind)) + " pictures are not accepted here";
        return false;
    }
    Declared declared;
    declared.feedBytes = bytes.size();
    bool read = watch.kind == kPicJpeg  ? ReadJpeg(bytes, &declared, why)
                : watch.kind == kPicPng ? ReadPng(bytes, &declared, why)
                : watch.kind == kPicGif ? ReadGif(bytes, &declared, why)
                                        : true;
    if (!read) return false;
    watch.extraBytes = declared.extraBytes;
    if (watch.kind != kPicSvg && watch.kind != kPicWebp) {
        // Refused from the headers alone, before any decoder runs.
        int reduction =
            watch.kind == kPicJpeg ? JpegReduction(declared.width, declared.height, minWidth, minHeight) : 1;
        *why = SizeProblem(declared.width, declared.height, CeilDiv(std::max(declared.width, 1), reduction),
                           CeilDiv(std::max(declared.height, 1), reduction), declared.extraBytes);
        if (!why->empty()) return false;
    }
    std::vector<uint8_t> fed(bytes.begin(), bytes.begin() + static_cast<long>(declared.feedBytes));
    if (watch.kind == kPicGif) fed.push_back(0x3B);  // the trailer after the first image
    GdkPixbuf* image = DecodeBytes(fed.data(), fed.size(), &watch, why);
    if (image == nullptr) return false;
    if (watch.width <= 0 || watch.height <= 0) {  // a decoder that never announced its size
        watch.width = gdk_pixbuf_get_width(image);
        watch.height = gdk_pixbuf_get_height(image);
    }
    bool usable = UsableImage(image, watch);
    if (usable) {
        CopyPixels(image, out);
        out->width = watch.width;
        out->height = watch.height;
    } else {
        *why = "not decoded whole as 8-bit RGB";
    }
    g_object_unref(image);
    return usable;
}
