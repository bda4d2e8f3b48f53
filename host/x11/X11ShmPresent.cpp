#include "host/x11/X11ShmPresent.h"

#include <GL/gl.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <cstring>

#include "host/x11/X11Display.h"

#ifndef GL_BGRA
#define GL_BGRA 0x80E1
#endif
#ifndef GL_UNSIGNED_INT_8_8_8_8_REV
#define GL_UNSIGNED_INT_8_8_8_8_REV 0x8367
#endif

namespace {

bool BgraVisual(const XWindowAttributes& a) {
    const Visual* v = a.visual;
    return v != nullptr && v->c_class == TrueColor && (a.depth == 24 || a.depth == 32) &&
           v->red_mask == 0xff0000 && v->green_mask == 0x00ff00 && v->blue_mask == 0x0000ff;
}

}  // namespace

bool X11ShmPresent::Usable(Display* dpy, Window window) {
    XWindowAttributes attributes;
    if (!XShmQueryExtension(dpy) || !XGetWindowAttributes(dpy, window, &attributes)) return false;
    return BgraVisual(attributes) && ImageByteOrder(dpy) == LSBFirst;
}

bool X11ShmPresent::MakeImage(Display* dpy, Window window, int width, int height) {
    Release(dpy);
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(dpy, window, &attributes) || !BgraVisual(attributes)) return false;
    image = XShmCreateImage(dpy, attributes.visual, static_cast<unsigned>(attributes.depth), ZPixmap, nullptr,
                            &segment, static_cast<unsigned>(width), static_cast<unsigned>(height));
    if (image == nullptr) return false;
    if (image->bits_per_pixel != 32 || image->byte_order != LSBFirst) return false;
    segment.shmid =
        shmget(IPC_PRIVATE, static_cast<size_t>(image->bytes_per_line) * static_cast<size_t>(height),
               IPC_CREAT | 0600);
    if (segment.shmid < 0) return false;
    segment.shmaddr = image->data = static_cast<char*>(shmat(segment.shmid, nullptr, 0));
    // Marked for removal at once: it goes when both sides have let go,
    // also when the program ends abruptly.
    shmctl(segment.shmid, IPC_RMID, nullptr);
    if (segment.shmaddr == reinterpret_cast<char*>(-1)) {
        segment.shmaddr = image->data = nullptr;
        return false;
    }
    segment.readOnly = True;
    // A server on another machine refuses the segment; that error arrives
    // with the sync.
    XRequestsFailed(dpy);
    if (!XShmAttach(dpy, &segment) || XRequestsFailed(dpy)) {
        shmdt(segment.shmaddr);
        segment.shmaddr = image->data = nullptr;
        return false;
    }
    gc = XCreateGC(dpy, window, 0, nullptr);
    return true;
}

bool X11ShmPresent::Present(Display* dpy, Window window, int width, int height) {
    if (failed || width <= 0 || height <= 0) return false;
    if (image == nullptr || image->width != width || image->height != height) {
        if (!MakeImage(dpy, window, width, height)) {
            Release(dpy);
            failed = true;
            return false;
        }
    }
    // Read straight into the shared image, then turn GL's bottom-up rows
    // into X's top-down order in place: no second frame-sized buffer.
    const size_t rowBytes = static_cast<size_t>(width) * 4;
    const size_t stride = static_cast<size_t>(image->bytes_per_line);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ROW_LENGTH, image->bytes_per_line / 4);
    glReadPixels(0, 0, width, height, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, image->data);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    row.resize(rowBytes);
    char* top = image->data;
    char* bottom = image->data + stride * static_cast<size_t>(height - 1);
    for (; top < bottom; top += stride, bottom -= stride) {
        std::memcpy(row.data(), top, rowBytes);
        std::memcpy(top, bottom, rowBytes);
        std::memcpy(bottom, row.data(), rowBytes);
    }
    XShmPutImage(dpy, window, gc, image, 0, 0, 0, 0, static_cast<unsigned>(width),
                 static_cast<unsigned>(height), False);
    // The next frame writes into the same memory: wait until the server
    // has copied this one.
    XSync(dpy, False);
    return true;
}

void X11ShmPresent::Release(Display* dpy) {
    if (segment.shmaddr != nullptr) {
        XShmDetach(dpy, &segment);
        XSync(dpy, False);
        shmdt(segment.shmaddr);
        segment.shmaddr = nullptr;
    }
    if (image != nullptr) {
        image->data = nullptr;
        XDestroyImage(image);
        image = nullptr;
    }
    if (gc != nullptr) {
        XFreeGC(dpy, gc);
        gc = nullptr;
    }
    row.clear();
    row.shrink_to_fit();
}
