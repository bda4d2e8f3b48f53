#include "host/headless/SnapshotFile.h"

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <cstring>

#include "assets/PictureDecoder.h"

namespace {

// Copies a pixbuf of 8-bit samples, with or without alpha, into bottom-up
// RGBA rows.
void CopyBottomUp(GdkPixbuf* pixbuf, SnapshotImage* out) {
    int w = gdk_pixbuf_get_width(pixbuf);
    int h = gdk_pixbuf_get_height(pixbuf);
    int channels = gdk_pixbuf_get_n_channels(pixbuf);
    int stride = gdk_pixbuf_get_rowstride(pixbuf);
    const guchar* pixels = gdk_pixbuf_read_pixels(pixbuf);
    out->width = w;
    out->height = h;
    out->rgba.assign(static_cast<size_t>(w) * static_cast<size_t>(h) * 4, 255);
    for (int y = 0; y < h; ++y) {
        const guchar* src = pixels + static_cast<size_t>(y) * stride;
        uint8_t* dst = out->rgba.data() + static_cast<size_t>(h - 1 - y) * w * 4;
        for (int x = 0; x < w; ++x) {
            std::memcpy(dst + x * 4, src + x * channels, 3);
            if (channels == 4) dst[x * 4 + 3] = src[x * channels + 3];
        }
    }
}

}  // namespace

bool LoadSnapshotFile(const std::string& path, int width, int height, SnapshotImage* out,
                      std::string* error) {
    if (width <= 0 || height <= 0) {
        *error = "no display size";
        return false;
    }
    DecodedPicture picture;
    if (!DecodePicture(path.c_str(), kDesktopPictureKinds, width, height, &picture, error)) return false;
    GdkPixbuf* decoded = gdk_pixbuf_new_from_data(
        picture.pixels.data(), GDK_COLORSPACE_RGB, picture.channels == 4, 8, picture.decodedWidth,
        picture.decodedHeight, picture.decodedWidth * picture.channels, nullptr, nullptr);
    GdkPixbuf* sized = nullptr;
    if (decoded != nullptr && (picture.decodedWidth != width || picture.decodedHeight != height))
        sized = gdk_pixbuf_scale_simple(decoded, width, height, GDK_INTERP_BILINEAR);
    bool ok = decoded != nullptr &&
              (sized != nullptr || (picture.decodedWidth == width && picture.decodedHeight == height));
    if (ok) CopyBottomUp(sized != nullptr ? sized : decoded, out);
    if (sized != nullptr) g_object_unref(sized);
    if (decoded != nullptr) g_object_unref(decoded);
    if (!ok) *error = "out of memory";
    return ok;
}
