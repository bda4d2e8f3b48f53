/* Counts the frames a GL program presents, for bench/x11_vs_atlantis.sh.
 * Loaded with LD_PRELOAD, it stands in front of eglSwapBuffers,
 * glXSwapBuffers and XShmPutImage (how Dovel presents a software renderer's
 * frames) and adds one to a 64-bit counter in the file named by
 * $SWAP_COUNT_FILE, mapped into memory: no system call per frame, and the
 * count is there to read while the program runs and after it is killed. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <stdint.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <unistd.h>

static volatile uint64_t* counter;

__attribute__((constructor)) static void OpenCounter(void) {
    const char* path = getenv("SWAP_COUNT_FILE");
    if (path == NULL) return;
    int fd = open(path, O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return;
    if (ftruncate(fd, sizeof(uint64_t)) == 0) {
        void* map = mmap(NULL, sizeof(uint64_t), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        if (map != MAP_FAILED) counter = map;
    }
    close(fd);
}

static void Count(void) {
    if (counter != NULL) __atomic_add_fetch(counter, 1, __ATOMIC_RELAXED);
}

unsigned int eglSwapBuffers(void* display, void* surface) {
    static unsigned int (*real)(void*, void*);
    if (real == NULL) real = (unsigned int (*)(void*, void*))dlsym(RTLD_NEXT, "eglSwapBuffers");
    Count();
    return real(display, surface);
}

void glXSwapBuffers(void* display, unsigned long drawable) {
    static void (*real)(void*, unsigned long);
    if (real == NULL) real = (void (*)(void*, unsigned long))dlsym(RTLD_NEXT, "glXSwapBuffers");
    Count();
    real(display, drawable);
}

int XShmPutImage(void* display, unsigned long drawable, void* gc, void* image, int srcX, int srcY, int dstX,
                 int dstY, unsigned int width, unsigned int height, int sendEvent) {
    static int (*real)(void*, unsigned long, void*, void*, int, int, int, int, unsigned int, unsigned int,
                       int);
    if (real == NULL)
        real = (int (*)(void*, unsigned long, void*, void*, int, int, int, int, unsigned int, unsigned int,
                        int))dlsym(RTLD_NEXT, "XShmPutImage");
    Count();
    return real(display, drawable, gc, image, srcX, srcY, dstX, dstY, width, height, sendEvent);
}
