// The icon is drawn twice, as SVG for scalable use and as a PNG: both must
// show the same picture, and a transparent surround.
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gtest/gtest.h>

#include <cmath>

#include "tools/gen/Icon.h"

namespace {

TEST(Icon, TheSvgAndThePictureShowTheSameHeartAndArrow) {
    const int size = 128;
    std::string svg = IconSvg();
    GdkPixbufLoader* loader = gdk_pixbuf_loader_new_with_mime_type("image/svg+xml", nullptr);
    ASSERT_NE(loader, nullptr) << "no SVG loader for gdk-pixbuf (librsvg2-common)";
    gdk_pixbuf_loader_set_size(loader, size, size);
    ASSERT_TRUE(
        gdk_pixbuf_loader_write(loader, reinterpret_cast<const guchar*>(svg.data()), svg.size(), nullptr));
    ASSERT_TRUE(gdk_pixbuf_loader_close(loader, nullptr));
    GdkPixbuf* drawn = gdk_pixbuf_loader_get_pixbuf(loader);
    ASSERT_TRUE(drawn != nullptr && gdk_pixbuf_get_has_alpha(drawn) && gdk_pixbuf_get_width(drawn) == size);

    Image image = IconImage(size);
    const guchar* pixels = gdk_pixbuf_get_pixels(drawn);
    int stride = gdk_pixbuf_get_rowstride(drawn), differ = 0, opaque = 0;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const guchar* p = pixels + y * stride + x * 4;
            const Rgba& q = image.at(x, y);
            // Colour only counts where both are opaque enough to show it.
            float worst = std::fabs(p[3] / 255.0f - q.a);
            if (p[3] > 128 && q.a > 0.5f)
                worst = std::max({worst, std::fabs(p[0] / 255.0f - q.r), std::fabs(p[1] / 255.0f - q.g),
                                  std::fabs(p[2] / 255.0f - q.b)});
            differ += worst > 0.25f;
            opaque += q.a > 0.5f;
        }
    EXPECT_LT(differ, size * size / 200) << "pixels that differ between the SVG and the picture";
    EXPECT_GT(opaque, size * size / 3);
    EXPECT_EQ(image.at(0, 0).a, 0.0f);
    EXPECT_EQ(image.at(size - 1, size / 2).a, 0.0f);
    g_object_unref(loader);
}

}  // namespace
