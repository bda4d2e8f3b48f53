#include "host/SnapshotFile.h"

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <cstring>

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
    GError* gerror = nullptr;
    GdkPixbuf* pixbuf = gdk_pixbuf_new_from_file_at_scale(path.c_str(), width, height, FALSE, &gerror);
    if (pixbuf == nullptr) {
        *error = gerror != nullptr ? gerror->message : "cannot be decoded";
        if (gerror != nullptr) g_error_free(gerror);
        return false;
    }
    bool usable = gdk_pixbuf_get_colorspace(pixbuf) == GDK_COLORSPACE_RGB &&
                  gdk_pixbuf_get_bits_per_sample(pixbuf) == 8 && gdk_pixbuf_get_n_channels(pixbuf) >= 3 &&
                  gdk_pixbuf_get_n_channels(pixbuf) <= 4;
    GdkPixbuf* sized = nullptr;
    if (usable && (gdk_pixbuf_get_width(pixbuf) != width || gdk_pixbuf_get_height(pixbuf) != height))
        sized = gdk_pixbuf_scale_simple(pixbuf, width, height, GDK_INTERP_BILINEAR);
    if (usable) CopyBottomUp(sized != nullptr ? sized : pixbuf, out);
    if (sized != nullptr) g_object_unref(sized);
    g_object_unref(pixbuf);
    if (!usable) *error = "not an 8-bit RGB picture";
    return usable;
}
