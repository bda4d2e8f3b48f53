// The EGL configuration and context that every drawable of Dovel uses, on
// any EGL platform (surfaceless, X11, Wayland): 8-bit RGB, a depth buffer of
// at least 16 bits, and an OpenGL compatibility-profile context.
#pragma once

#include <string>

// What a drawable asks of its config beyond the common part.
struct EglConfigWish {
    int surfaceType = 0;         // EGL_WINDOW_BIT or EGL_PBUFFER_BIT
    int alphaBits = -1;          // exactly this many alpha bits; -1: any
    unsigned long visualId = 0;  // this native visual (X11); 0: any
};

// The first config of exactly 8-bit RGB that grants the wish, in EGL's
// order of preference.
bool ChooseEglConfig(void* display, const EglConfigWish& wish, void** config);
// An OpenGL compatibility-profile context for config, sharing nothing;
// nullptr (with *error filled) when EGL refuses.
void* CreateCompatibilityContext(void* display, void* config, std::string* error);
// "what failed (EGL error 0x3003)" with the current EGL error.
std::string EglFailure(const char* what);
// True when the space-separated extension list names name.
bool EglHasExtension(const char* list, const char* name);
