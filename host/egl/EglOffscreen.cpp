#include "host/egl/EglOffscreen.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>

#include <cstring>

namespace {

std::string EglErrorText(const char* what) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "%s failed (EGL error 0x%04x)", what,
                  static_cast<unsigned>(eglGetError()));
    return buf;
}

bool HasExtension(const char* list, const char* name) {
    if (!list) return false;
    const size_t n = std::strlen(name);
    for (const char* p = list; (p = std::strstr(p, name)) != nullptr; p += n) {
        const bool startOk = (p == list) || p[-1] == ' ';
        const bool endOk = p[n] == '\0' || p[n] == ' ';
        if (startOk && endOk) return true;
    }
    return false;
}

EGLDisplay OpenSurfacelessDisplay(std::string* error) {
    const char* clientExts = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    if (!HasExtension(clientExts, "EGL_MESA_platform_surfaceless")) {
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
    if (dpy == EGL_NO_DISPLAY) *error = EglErrorText("eglGetPlatformDisplayEXT");
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
        *error = EglErrorText("eglInitialize");
        return false;
    }
    display = dpy;
    if (!eglBindAPI(EGL_OPENGL_API)) {
        *error = EglErrorText("eglBindAPI(EGL_OPENGL_API)");
        Destroy();
        return false;
    }
    const EGLint configAttribs[] = {EGL_SURFACE_TYPE,
                                    EGL_PBUFFER_BIT,
                                    EGL_RENDERABLE_TYPE,
                                    EGL_OPENGL_BIT,
                                    EGL_RED_SIZE,
                                    8,
                                    EGL_GREEN_SIZE,
                                    8,
                                    EGL_BLUE_SIZE,
                                    8,
                                    EGL_ALPHA_SIZE,
                                    8,
                                    EGL_DEPTH_SIZE,
                                    16,
                                    EGL_NONE};
    EGLConfig cfg = nullptr;
    EGLint count = 0;
    if (!eglChooseConfig(dpy, configAttribs, &cfg, 1, &count) || count < 1) {
        *error = "no EGL config with RGBA8, a 16-bit depth buffer and pbuffer support";
        Destroy();
        return false;
    }
    config = cfg;
    const EGLint ctxAttribs[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                 EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
    EGLContext ctx = eglCreateContext(dpy, cfg, EGL_NO_CONTEXT, ctxAttribs);
    if (ctx == EGL_NO_CONTEXT) {
        *error = EglErrorText("eglCreateContext (OpenGL compatibility profile)");
        Destroy();
        return false;
    }
    context = ctx;
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
        *error = EglErrorText("eglCreatePbufferSurface");
        return false;
    }
    surface = surf;
    width = w;
    height = h;
    if (!MakeCurrent()) {
        *error = EglErrorText("eglMakeCurrent");
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
