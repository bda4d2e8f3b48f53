#include "host/egl/EglConfig.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <cstdio>
#include <cstring>
#include <vector>

bool ChooseEglConfig(void* display, const EglConfigWish& wish, void** config) {
    EGLDisplay dpy = static_cast<EGLDisplay>(display);
    const EGLint wanted[] = {EGL_SURFACE_TYPE,
                             wish.surfaceType,
                             EGL_RENDERABLE_TYPE,
                             EGL_OPENGL_BIT,
                             EGL_RED_SIZE,
                             8,
                             EGL_GREEN_SIZE,
                             8,
                             EGL_BLUE_SIZE,
                             8,
                             EGL_ALPHA_SIZE,
                             wish.alphaBits > 0 ? wish.alphaBits : 0,
                             EGL_DEPTH_SIZE,
                             16,
                             EGL_NONE};
    EGLint count = 0;
    if (!eglChooseConfig(dpy, wanted, nullptr, 0, &count) || count <= 0) return false;
    std::vector<EGLConfig> configs(static_cast<size_t>(count));
    if (!eglChooseConfig(dpy, wanted, configs.data(), count, &count)) return false;
    for (EGLint i = 0; i < count; ++i) {
        EGLint red = 0, green = 0, blue = 0, alpha = 0, visual = 0;
        eglGetConfigAttrib(dpy, configs[i], EGL_RED_SIZE, &red);
        eglGetConfigAttrib(dpy, configs[i], EGL_GREEN_SIZE, &green);
        eglGetConfigAttrib(dpy, configs[i], EGL_BLUE_SIZE, &blue);
        eglGetConfigAttrib(dpy, configs[i], EGL_ALPHA_SIZE, &alpha);
        eglGetConfigAttrib(dpy, configs[i], EGL_NATIVE_VISUAL_ID, &visual);
        // EGL lists deeper colour first (10-bit formats that not every
        // compositor shows); Dovel draws in 8 bits.
        if (red != 8 || green != 8 || blue != 8) continue;
        if (wish.alphaBits >= 0 && alpha != wish.alphaBits) continue;
        if (wish.visualId != 0 && static_cast<unsigned long>(visual) != wish.visualId) continue;
        *config = configs[i];
        return true;
    }
    return false;
}

void* CreateCompatibilityContext(void* display, void* config, std::string* error) {
    const EGLint attributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                 EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
    EGLContext context = eglCreateContext(static_cast<EGLDisplay>(display), static_cast<EGLConfig>(config),
                                          EGL_NO_CONTEXT, attributes);
    if (context != EGL_NO_CONTEXT) return context;
    *error = EglFailure("eglCreateContext (OpenGL compatibility profile)");
    return nullptr;
}

std::string EglFailure(const char* what) {
    char text[112];
    std::snprintf(text, sizeof text, "%s failed (EGL error 0x%04x)", what,
                  static_cast<unsigned>(eglGetError()));
    return text;
}

bool EglHasExtension(const char* list, const char* name) {
    if (list == nullptr) return false;
    const size_t n = std::strlen(name);
    for (const char* p = list; (p = std::strstr(p, name)) != nullptr; p += n)
        if ((p == list || p[-1] == ' ') && (p[n] == '\0' || p[n] == ' ')) return true;
    return false;
}
