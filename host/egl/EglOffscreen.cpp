#include "host/egl/EglOffscreen.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>

#include "host/egl/EglConfig.h"

namespace {

EGLDisplay OpenSurfacelessDisplay(std::string* error) {
    const char* clientExts = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    if (!EglHasExtension(clientExts, "EGL_MESA_platform_surfaceless")) {
        *error = "EGL_MESA_platform_surfaceless is not available (is Mesa's libegl-mesa0 installed?)";
        return EGL_NO_DISPLAY;
    }
    auto getPlatformDisplay =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!getPlatformDisplay) {
        *error = "eglGetPlatformDisplayEXT is not available";
        return EGL_NO_DISPLAY;
    }
    EGLDisplay dpy = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (dpy == EGL_NO_DISPLAY) *error = EglFailure("eglGetPlatformDisplayEXT");
    return dpy;
}

}  // namespace

bool EglOffscreen::Create(int w, int h, std::string* error) {
    Destroy();
    std::string scratch;
    if (!error) error = &scratch;
    if (w <= 0 || h <= 0) {
        *error = "drawable size must be positive";
        return false;
    }
    EGLDisplay dpy = OpenSurfacelessDisplay(error);
    if (dpy == EGL_NO_DISPLAY) return false;
    EGLint major = 0, minor = 0;
    if (!eglInitialize(dpy, &major, &minor)) {
        *error = EglFailure("eglInitialize");
        return false;
    }
    display = dpy;
    if (!eglBindAPI(EGL_OPENGL_API)) {
        *error = EglFailure("eglBindAPI(EGL_OPENGL_API)");
        Destroy();
        return false;
    }
    void* cfg = nullptr;
    if (!ChooseEglConfig(dpy, EglConfigWish{EGL_PBUFFER_BIT, 8, 0}, &cfg)) {
        *error = "no EGL config with RGBA8, a 16-bit depth buffer and pbuffer support";
        Destroy();
        return false;
    }
    config = cfg;
    context = CreateCompatibilityContext(dpy, cfg, error);
    if (context == nullptr) {
        Destroy();
        return false;
    }
    return Resize(w, h, error);
}

bool EglOffscreen::Resize(int w, int h, std::string* error) {
    std::string scratch;
    if (!error) error = &scratch;
    if (!display || !context) {
        *error = "no EGL context";
        return false;
    }
    if (w <= 0 || h <= 0) {
        *error = "drawable size must be positive";
        return false;
    }
    EGLDisplay dpy = static_cast<EGLDisplay>(display);
    eglMakeCurrent(dpy, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (surface) {
        eglDestroySurface(dpy, static_cast<EGLSurface>(surface));
        surface = nullptr;
    }
    const EGLint pbAttribs[] = {EGL_WIDTH, w, EGL_HEIGHT, h, EGL_NONE};
    EGLSurface surf = eglCreatePbufferSurface(dpy, static_cast<EGLConfig>(config), pbAttribs);
    if (surf == EGL_NO_SURFACE) {
        *error = EglFailure("eglCreatePbufferSurface");
        return false;
    }
    surface = surf;
    width = w;
    height = h;
    if (!MakeCurrent()) {
        *error = EglFailure("eglMakeCurrent");
        return false;
    }
    return true;
}

bool EglOffscreen::MakeCurrent() {
    if (!display || !context || !surface) return false;
    return eglMakeCurrent(static_cast<EGLDisplay>(display), static_cast<EGLSurface>(surface),
                          static_cast<EGLSurface>(surface), static_cast<EGLContext>(context)) == EGL_TRUE;
}

void EglOffscreen::Destroy() {
    if (!display) return;
    EGLDisplay dpy = static_cast<EGLDisplay>(display);
    eglMakeCurrent(dpy, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (surface) eglDestroySurface(dpy, static_cast<EGLSurface>(surface));
    if (context) eglDestroyContext(dpy, static_cast<EGLContext>(context));
    // The display is shared by every EglOffscreen of the process (EGL hands
    // out the same handle), so it is not terminated here.
    surface = nullptr;
    context = nullptr;
    config = nullptr;
    display = nullptr;
    width = height = 0;
}

std::vector<uint8_t> ReadFramePixels(int w, int h) {
    std::vector<uint8_t> pixels(static_cast<size_t>(w) * h * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}
