// Loading slideshow pictures: a 24-megapixel JPEG, as cameras make them,
// decoded at a reduced size into the 512 x 512 staging image, against
// decoding it at full size; a 4-megapixel PNG, which has no reduced
// decoding; and the whole load with the GL texture.
#include <benchmark/benchmark.h>
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "assets/Pics.h"
#include "host/egl/EglOffscreen.h"

namespace {

// Pictures made once per run in a temporary folder, removed at exit.
struct BenchPictures {
    std::string folder;
    std::string bigJpeg;
    std::string png;

    BenchPictures() {
        const char* tmp = getenv("TMPDIR");
        std::string pattern =
            std::string(tmp != nullptr && tmp[0] != '\0' ? tmp : "/tmp") + "/dovel-bench-XXXXXX";
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        if (mkdtemp(buffer.data()) == nullptr) return;
        folder = buffer.data();
        bigJpeg = folder + "/camera.jpg";
        png = folder + "/screenshot.png";
        Save(bigJpeg, 6000, 4000, "jpeg");
        Save(png, 2400, 1600, "png");
    }
    ~BenchPictures() {
        remove(bigJpeg.c_str());
        remove(png.c_str());
        rmdir(folder.c_str());
    }

    // A picture with gradients and fine detail, like a photograph's.
    static void Save(const std::string& path, int w, int h, const char* format) {
        GdkPixbuf* image = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, w, h);
        const int stride = gdk_pixbuf_get_rowstride(image);
        uint8_t* pixels = gdk_pixbuf_get_pixels(image);
        for (int y = 0; y < h; ++y) {
            uint8_t* row = pixels + static_cast<size_t>(y) * stride;
            for (int x = 0; x < w; ++x) {
                row[3 * x] = static_cast<uint8_t>(x * 255 / w);
                row[3 * x + 1] = static_cast<uint8_t>(y * 255 / h);
                row[3 * x + 2] = static_cast<uint8_t>(((x / 3) ^ (y / 5)) * 37);
            }
        }
        if (format[0] == 'j')
            gdk_pixbuf_save(image, path.c_str(), "jpeg", nullptr, "quality", "90", nullptr);
        else
            gdk_pixbuf_save(image, path.c_str(), "png", nullptr, nullptr);
        g_object_unref(image);
    }
};

const BenchPictures& Pictures() {
    static BenchPictures pictures;
    return pictures;
}

void DecodeInto512(benchmark::State& state, const std::string& path) {
    for (auto _ : state) {
        Texture staging;
        int w = 0, h = 0;
        if (!DecodePicFile(path.c_str(), &staging, &w, &h)) {
            state.SkipWithError("picture did not decode");
            break;
        }
        benchmark::DoNotOptimize(staging.imageData);
    }
}

void BM_DecodeCameraJpeg(benchmark::State& state) {
    DecodeInto512(state, Pictures().bigJpeg);
}
BENCHMARK(BM_DecodeCameraJpeg)->Unit(benchmark::kMillisecond);

// What the decoding would cost without the reduction: the whole 24
// megapixels.
void BM_DecodeCameraJpegFullSize(benchmark::State& state) {
    for (auto _ : state) {
        GdkPixbuf* image = gdk_pixbuf_new_from_file(Pictures().bigJpeg.c_str(), nullptr);
        if (image == nullptr) {
            state.SkipWithError("picture did not decode");
            break;
        }
        benchmark::DoNotOptimize(gdk_pixbuf_read_pixels(image));
        g_object_unref(image);
    }
}
BENCHMARK(BM_DecodeCameraJpegFullSize)->Unit(benchmark::kMillisecond);

void BM_DecodeScreenshotPng(benchmark::State& state) {
    DecodeInto512(state, Pictures().png);
}
BENCHMARK(BM_DecodeScreenshotPng)->Unit(benchmark::kMillisecond);

void BM_LoadPicFileCameraJpeg(benchmark::State& state) {
    EglOffscreen gl;
    std::string error;
    if (!gl.Create(64, 64, &error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    for (auto _ : state) {
        Texture texture;
        if (!loadPicFile(Pictures().bigJpeg.c_str(), &texture)) {
            state.SkipWithError("picture did not load");
            break;
        }
    }
}
BENCHMARK(BM_LoadPicFileCameraJpeg)->Unit(benchmark::kMillisecond);

}  // namespace
