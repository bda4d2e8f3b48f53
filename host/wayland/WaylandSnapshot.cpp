#include "host/wayland/WaylandSnapshot.h"

#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <cstring>

#include "wlr-screencopy-unstable-v1-client.h"

namespace {

// Larger frames than this are refused (a 16K by 16K output).
constexpr uint64_t kMaxFrameBytes = uint64_t{16384} * 16384 * 4;

struct Copy {
    WaylandDisplay* d = nullptr;
    zwlr_screencopy_frame_v1* frame = nullptr;
    wl_buffer* buffer = nullptr;
    void* pixels = MAP_FAILED;
    size_t bytes = 0;
    uint32_t format = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t stride = 0;
    bool yInvert = false;
    bool done = false;
    bool ready = false;

    ~Copy() {
        if (buffer != nullptr) wl_buffer_destroy(buffer);
        if (frame != nullptr) zwlr_screencopy_frame_v1_destroy(frame);
        if (pixels != MAP_FAILED) munmap(pixels, bytes);
    }
    // Makes a shared-memory buffer of the size and format the compositor
    // asked for and has the frame copied into it.
    void Start() {
        const bool known = format == WL_SHM_FORMAT_XRGB8888 || format == WL_SHM_FORMAT_ARGB8888 ||
                           format == WL_SHM_FORMAT_XBGR8888 || format == WL_SHM_FORMAT_ABGR8888;
        const uint64_t size = uint64_t{stride} * height;
        if (!known || width == 0 || height == 0 || stride < width * 4 || size > kMaxFrameBytes) {
            done = true;
            return;
        }
        int fd = memfd_create("dovel-snapshot", MFD_CLOEXEC);
        if (fd < 0 || ftruncate(fd, static_cast<off_t>(size)) != 0) {
            if (fd >= 0) close(fd);
            done = true;
            return;
        }
        bytes = static_cast<size_t>(size);
        pixels = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        if (pixels == MAP_FAILED) {
            close(fd);
            done = true;
            return;
        }
        wl_shm_pool* pool = wl_shm_create_pool(d->shm, fd, static_cast<int32_t>(size));
        buffer = wl_shm_pool_create_buffer(pool, 0, static_cast<int32_t>(width), static_cast<int32_t>(height),
                                           static_cast<int32_t>(stride), format);
        wl_shm_pool_destroy(pool);
        close(fd);
        zwlr_screencopy_frame_v1_copy(frame, buffer);
    }
};

Copy* Of(void* data) {
    return static_cast<Copy*>(data);
}

void FrameBuffer(void* data, zwlr_screencopy_frame_v1*, uint32_t format, uint32_t width, uint32_t height,
                 uint32_t stride) {
    Copy* c = Of(data);
    if (c->buffer != nullptr || c->done) return;
    c->format = format;
    c->width = width;
    c->height = height;
    c->stride = stride;
    c->Start();
}
void FrameFlags(void* data, zwlr_screencopy_frame_v1*, uint32_t flags) {
    Of(data)->yInvert = (flags & ZWLR_SCREENCOPY_FRAME_V1_FLAGS_Y_INVERT) != 0;
}
void FrameReady(void* data, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t) {
    Of(data)->ready = true;
    Of(data)->done = true;
}
void FrameFailed(void* data, zwlr_screencopy_frame_v1*) {
    Of(data)->done = true;
}
void FrameDamage(void*, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t, uint32_t) {}
void FrameDmabuf(void*, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t) {}
void FrameBufferDone(void*, zwlr_screencopy_frame_v1*) {}
const zwlr_screencopy_frame_v1_listener kFrameListener = {
    FrameBuffer, FrameFlags, FrameReady, FrameFailed, FrameDamage, FrameDmabuf, FrameBufferDone};

}  // namespace

bool CopyOutput(WaylandDisplay* d, int outputIndex, SnapshotImage* out) {
    if (d->screencopy == nullptr || d->shm == nullptr || outputIndex < 0 ||
        outputIndex >= static_cast<int>(d->outputs.size()))
        return false;
    Copy copy;
    copy.d = d;
    copy.frame = zwlr_screencopy_manager_v1_capture_output(d->screencopy, 0, d->outputs[outputIndex]->output);
    zwlr_screencopy_frame_v1_add_listener(copy.frame, &kFrameListener, &copy);
    while (!copy.done)
        if (wl_display_dispatch(d->display) < 0) ExitOnLostCompositor();
    if (!copy.ready) return false;

    // Shared-memory formats are little-endian words: XRGB8888 is the bytes
    // B G R X, XBGR8888 is R G B X.
    const bool bgr = copy.format == WL_SHM_FORMAT_XRGB8888 || copy.format == WL_SHM_FORMAT_ARGB8888;
    out->width = static_cast<int>(copy.width);
    out->height = static_cast<int>(copy.height);
    out->rgba.resize(size_t{copy.width} * copy.height * 4);
    for (uint32_t row = 0; row < copy.height; ++row) {
        // The snapshot runs from the bottom row up; the frame from the top
        // down unless the compositor says it is upside down.
        const uint32_t from = copy.yInvert ? row : copy.height - 1 - row;
        const uint8_t* src = static_cast<const uint8_t*>(copy.pixels) + size_t{from} * copy.stride;
        uint8_t* dst = out->rgba.data() + size_t{row} * copy.width * 4;
        for (uint32_t x = 0; x < copy.width; ++x, src += 4, dst += 4) {
            dst[0] = bgr ? src[2] : src[0];
            dst[1] = src[1];
            dst[2] = bgr ? src[0] : src[2];
            dst[3] = 255;
        }
    }
    return true;
}
