#include "host/wayland/WaylandDisplay.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <csignal>
#include <cstring>

#include "fractional-scale-v1-client.h"
#include "host/egl/EglConfig.h"
#include "viewporter-client.h"
#include "wlr-layer-shell-unstable-v1-client.h"
#include "wlr-screencopy-unstable-v1-client.h"
#include "xdg-decoration-unstable-v1-client.h"
#include "xdg-output-unstable-v1-client.h"
#include "xdg-shell-client.h"

namespace {

// A keymap larger than this is refused (the compositor sends a few tens of
// kilobytes).
constexpr uint32_t kMaxKeymapBytes = 1u << 22;

template <typename T>
T* Bind(wl_registry* registry, uint32_t name, const wl_interface* interface, uint32_t offered,
        uint32_t wanted) {
    return static_cast<T*>(wl_registry_bind(registry, name, interface, std::min(offered, wanted)));
}

WaylandDisplay* Of(void* data) {
    return static_cast<WaylandDisplay*>(data);
}
WaylandOutput* OutputOf(void* data) {
    return static_cast<WaylandOutput*>(data);
}

// --- wl_output and xdg_output: where each output is, its size and name.
void OutputGeometry(void*, wl_output*, int32_t, int32_t, int32_t, int32_t, int32_t, const char*, const char*,
                    int32_t) {}
void OutputMode(void* data, wl_output*, uint32_t flags, int32_t width, int32_t height, int32_t) {
    if ((flags & WL_OUTPUT_MODE_CURRENT) == 0) return;
    OutputOf(data)->pixelWidth = width;
    OutputOf(data)->pixelHeight = height;
}
void OutputDone(void*, wl_output*) {}
void OutputScale(void* data, wl_output*, int32_t factor) {
    OutputOf(data)->scale = factor >= 1 ? factor : 1;
}
void OutputName(void* data, wl_output*, const char* name) {
    OutputOf(data)->name = name != nullptr ? name : "";
}
void OutputDescription(void*, wl_output*, const char*) {}
const wl_output_listener kOutputListener = {OutputGeometry, OutputMode, OutputDone,
                                            OutputScale,    OutputName, OutputDescription};

void XdgOutputPosition(void* data, zxdg_output_v1*, int32_t x, int32_t y) {
    OutputOf(data)->x = x;
    OutputOf(data)->y = y;
}
void XdgOutputSize(void* data, zxdg_output_v1*, int32_t width, int32_t height) {
    OutputOf(data)->logicalWidth = width;
    OutputOf(data)->logicalHeight = height;
}
void XdgOutputDone(void*, zxdg_output_v1*) {}
void XdgOutputName(void* data, zxdg_output_v1*, const char* name) {
    if (OutputOf(data)->name.empty() && name != nullptr) OutputOf(data)->name = name;
}
void XdgOutputDescription(void*, zxdg_output_v1*, const char*) {}
const zxdg_output_v1_listener kXdgOutputListener = {XdgOutputPosition, XdgOutputSize, XdgOutputDone,
                                                    XdgOutputName, XdgOutputDescription};

// --- The keyboard: a keymap to turn key codes into keysyms.
void KeyboardKeymap(void* data, wl_keyboard*, uint32_t format, int32_t fd, uint32_t size) {
    WaylandDisplay* d = Of(data);
    if (format != WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 || size == 0 || size > kMaxKeymapBytes) {
        close(fd);
        return;
    }
    void* text = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    close(fd);
    if (text == MAP_FAILED) return;
    // The map holds a NUL-terminated string; strnlen keeps a bad one in bounds.
    std::string keymapText(static_cast<const char*>(text), strnlen(static_cast<const char*>(text), size));
    munmap(text, size);
    xkb_keymap* keymap = xkb_keymap_new_from_string(d->xkb, keymapText.c_str(), XKB_KEYMAP_FORMAT_TEXT_V1,
                                                    XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (keymap == nullptr) return;
    if (d->keyState != nullptr) xkb_state_unref(d->keyState);
    if (d->keymap != nullptr) xkb_keymap_unref(d->keymap);
    d->keymap = keymap;
    d->keyState = xkb_state_new(keymap);
}
void KeyboardEnter(void*, wl_keyboard*, uint32_t, wl_surface*, wl_array*) {}
void KeyboardLeave(void*, wl_keyboard*, uint32_t, wl_surface*) {}
void KeyboardKey(void* data, wl_keyboard*, uint32_t, uint32_t, uint32_t key, uint32_t state) {
    WaylandDisplay* d = Of(data);
    if (state != WL_KEYBOARD_KEY_STATE_PRESSED || !d->onInput) return;
    // Key codes are evdev's; xkb's are 8 higher.
    uint32_t sym = d->keyState != nullptr ? xkb_state_key_get_one_sym(d->keyState, key + 8) : 0;
    d->onInput(WaylandInput::kKey, sym);
}
void KeyboardModifiers(void* data, wl_keyboard*, uint32_t, uint32_t depressed, uint32_t latched,
                       uint32_t locked, uint32_t group) {
    WaylandDisplay* d = Of(data);
    if (d->keyState != nullptr) xkb_state_update_mask(d->keyState, depressed, latched, locked, 0, 0, group);
}
void KeyboardRepeat(void*, wl_keyboard*, int32_t, int32_t) {}
const wl_keyboard_listener kKeyboardListener = {KeyboardKeymap, KeyboardEnter,     KeyboardLeave,
                                                KeyboardKey,    KeyboardModifiers, KeyboardRepeat};

// --- The pointer: hidden over full-screen views; buttons and moves.
void PointerEnter(void* data, wl_pointer* pointer, uint32_t serial, wl_surface*, wl_fixed_t, wl_fixed_t) {
    if (Of(data)->hidePointer) wl_pointer_set_cursor(pointer, serial, nullptr, 0, 0);
}
void PointerLeave(void*, wl_pointer*, uint32_t, wl_surface*) {}
void PointerMotion(void* data, wl_pointer*, uint32_t, wl_fixed_t, wl_fixed_t) {
    if (Of(data)->onInput) Of(data)->onInput(WaylandInput::kMotion, 0);
}
void PointerButton(void* data, wl_pointer*, uint32_t, uint32_t, uint32_t, uint32_t state) {
    if (state == WL_POINTER_BUTTON_STATE_PRESSED && Of(data)->onInput)
        Of(data)->onInput(WaylandInput::kButton, 0);
}
void PointerAxis(void*, wl_pointer*, uint32_t, uint32_t, wl_fixed_t) {}
// The seat is bound at version 1, so the later pointer events never come.
const wl_pointer_listener kPointerListener = {PointerEnter, PointerLeave, PointerMotion, PointerButton,
                                              PointerAxis,  nullptr,      nullptr,       nullptr,
                                              nullptr,      nullptr};

void SeatCapabilities(void* data, wl_seat* seat, uint32_t caps) {
    WaylandDisplay* d = Of(data);
    const bool hasKeyboard = (caps & WL_SEAT_CAPABILITY_KEYBOARD) != 0;
    const bool hasPointer = (caps & WL_SEAT_CAPABILITY_POINTER) != 0;
    if (hasKeyboard && d->keyboard == nullptr) {
        d->keyboard = wl_seat_get_keyboard(seat);
        wl_keyboard_add_listener(d->keyboard, &kKeyboardListener, d);
    } else if (!hasKeyboard && d->keyboard != nullptr) {
        wl_keyboard_destroy(d->keyboard);
        d->keyboard = nullptr;
    }
    if (hasPointer && d->pointer == nullptr) {
        d->pointer = wl_seat_get_pointer(seat);
        wl_pointer_add_listener(d->pointer, &kPointerListener, d);
    } else if (!hasPointer && d->pointer != nullptr) {
        wl_pointer_destroy(d->pointer);
        d->pointer = nullptr;
    }
}
void SeatName(void*, wl_seat*, const char*) {}
const wl_seat_listener kSeatListener = {SeatCapabilities, SeatName};

void WmBasePing(void*, xdg_wm_base* base, uint32_t serial) {
    xdg_wm_base_pong(base, serial);
}
const xdg_wm_base_listener kWmBaseListener = {WmBasePing};

void RegistryGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface,
                    uint32_t version) {
    WaylandDisplay* d = Of(data);
    const std::string is = interface;
    if (is == wl_compositor_interface.name) {
        d->compositor = Bind<wl_compositor>(registry, name, &wl_compositor_interface, version, 4);
    } else if (is == wl_shm_interface.name) {
        d->shm = Bind<wl_shm>(registry, name, &wl_shm_interface, version, 1);
    } else if (is == wl_seat_interface.name && d->seat == nullptr) {
        d->seat = Bind<wl_seat>(registry, name, &wl_seat_interface, version, 1);
        wl_seat_add_listener(d->seat, &kSeatListener, d);
    } else if (is == wl_output_interface.name) {
        auto output = std::make_unique<WaylandOutput>();
        output->globalName = name;
        output->output = Bind<wl_output>(registry, name, &wl_output_interface, version, 4);
        wl_output_add_listener(output->output, &kOutputListener, output.get());
        d->outputs.push_back(std::move(output));
    } else if (is == xdg_wm_base_interface.name) {
        d->wmBase = Bind<xdg_wm_base>(registry, name, &xdg_wm_base_interface, version, 1);
        xdg_wm_base_add_listener(d->wmBase, &kWmBaseListener, d);
    } else if (is == zxdg_output_manager_v1_interface.name) {
        d->xdgOutputs =
            Bind<zxdg_output_manager_v1>(registry, name, &zxdg_output_manager_v1_interface, version, 3);
    } else if (is == zxdg_decoration_manager_v1_interface.name) {
        d->decorations = Bind<zxdg_decoration_manager_v1>(registry, name,
                                                          &zxdg_decoration_manager_v1_interface, version, 1);
    } else if (is == zwlr_layer_shell_v1_interface.name) {
        d->layerShell = Bind<zwlr_layer_shell_v1>(registry, name, &zwlr_layer_shell_v1_interface, version, 4);
    } else if (is == zwlr_screencopy_manager_v1_interface.name) {
        d->screencopy = Bind<zwlr_screencopy_manager_v1>(registry, name,
                                                         &zwlr_screencopy_manager_v1_interface, version, 1);
    } else if (is == wp_viewporter_interface.name) {
        d->viewporter = Bind<wp_viewporter>(registry, name, &wp_viewporter_interface, version, 1);
    } else if (is == wp_fractional_scale_manager_v1_interface.name) {
        d->fractionalScale = Bind<wp_fractional_scale_manager_v1>(
            registry, name, &wp_fractional_scale_manager_v1_interface, version, 1);
    }
}
void RegistryGlobalRemove(void*, wl_registry*, uint32_t) {}
const wl_registry_listener kRegistryListener = {RegistryGlobal, RegistryGlobalRemove};

}  // namespace

void ExitOnLostCompositor() {
    static const char message[] = "dovel: lost the connection to the Wayland compositor; exiting\n";
    ssize_t ignored = write(STDERR_FILENO, message, sizeof message - 1);
    (void)ignored;
    _exit(1);
}

bool WaylandDisplay::Open(std::string* error) {
    error->clear();
    display = wl_display_connect(nullptr);
    if (display == nullptr) return false;
    // A write to a closed connection fails with EPIPE instead of killing us.
    signal(SIGPIPE, SIG_IGN);
    xkb = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &kRegistryListener, this);
    if (!Roundtrip()) {
        *error = "the Wayland compositor closed the connection";
        return false;
    }
    if (compositor == nullptr || wmBase == nullptr) {
        *error = "the Wayland compositor offers no wl_compositor and xdg_wm_base";
        return false;
    }
    if (xdgOutputs != nullptr) {
        for (auto& output : outputs) {
            output->xdgOutput = zxdg_output_manager_v1_get_xdg_output(xdgOutputs, output->output);
            zxdg_output_v1_add_listener(output->xdgOutput, &kXdgOutputListener, output.get());
        }
    }
    // The outputs' and the seat's first events.
    if (!Roundtrip()) {
        *error = "the Wayland compositor closed the connection";
        return false;
    }
    for (auto& output : outputs) {
        if (output->logicalWidth <= 0 && output->pixelWidth > 0) {
            output->logicalWidth = output->pixelWidth / output->scale;
            output->logicalHeight = output->pixelHeight / output->scale;
        }
    }

    const char* clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    auto getPlatformDisplay =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    EGLDisplay dpy = EGL_NO_DISPLAY;
    if (getPlatformDisplay != nullptr && (EglHasExtension(clientExtensions, "EGL_EXT_platform_wayland") ||
                                          EglHasExtension(clientExtensions, "EGL_KHR_platform_wayland")))
        dpy = getPlatformDisplay(EGL_PLATFORM_WAYLAND_EXT, display, nullptr);
    EGLint major = 0, minor = 0;
    if (dpy == EGL_NO_DISPLAY || !eglInitialize(dpy, &major, &minor)) {
        *error = EglFailure("EGL on the Wayland display");
        return false;
    }
    egl = dpy;
    if (!eglBindAPI(EGL_OPENGL_API)) {
        *error = "EGL on the Wayland display offers no desktop OpenGL";
        return false;
    }
    return true;
}

bool WaylandDisplay::Roundtrip() {
    return wl_display_roundtrip(display) >= 0;
}

int WaylandDisplay::OutputIndex(const wl_output* output) const {
    for (size_t i = 0; i < outputs.size(); ++i)
        if (outputs[i]->output == output) return static_cast<int>(i);
    return -1;
}

void WaylandDisplay::Close() {
    if (display == nullptr) return;
    if (egl != nullptr) {
        // Not terminated, as on X11: the driver stays loaded until the
        // process ends.
        eglMakeCurrent(static_cast<EGLDisplay>(egl), EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        egl = nullptr;
    }
    for (auto& output : outputs) {
        if (output->xdgOutput != nullptr) zxdg_output_v1_destroy(output->xdgOutput);
        wl_output_destroy(output->output);
    }
    outputs.clear();
    if (keyboard != nullptr) wl_keyboard_destroy(keyboard);
    if (pointer != nullptr) wl_pointer_destroy(pointer);
    if (seat != nullptr) wl_seat_destroy(seat);
    if (keyState != nullptr) xkb_state_unref(keyState);
    if (keymap != nullptr) xkb_keymap_unref(keymap);
    if (xkb != nullptr) xkb_context_unref(xkb);
    if (layerShell != nullptr) zwlr_layer_shell_v1_destroy(layerShell);
    if (screencopy != nullptr) zwlr_screencopy_manager_v1_destroy(screencopy);
    if (decorations != nullptr) zxdg_decoration_manager_v1_destroy(decorations);
    if (xdgOutputs != nullptr) zxdg_output_manager_v1_destroy(xdgOutputs);
    if (viewporter != nullptr) wp_viewporter_destroy(viewporter);
    if (fractionalScale != nullptr) wp_fractional_scale_manager_v1_destroy(fractionalScale);
    if (wmBase != nullptr) xdg_wm_base_destroy(wmBase);
    if (shm != nullptr) wl_shm_destroy(shm);
    if (compositor != nullptr) wl_compositor_destroy(compositor);
    if (registry != nullptr) wl_registry_destroy(registry);
    wl_display_disconnect(display);
    display = nullptr;
    keyboard = nullptr;
    pointer = nullptr;
    seat = nullptr;
    keyState = nullptr;
    keymap = nullptr;
    xkb = nullptr;
    layerShell = nullptr;
    screencopy = nullptr;
    decorations = nullptr;
    xdgOutputs = nullptr;
    viewporter = nullptr;
    fractionalScale = nullptr;
    wmBase = nullptr;
    shm = nullptr;
    compositor = nullptr;
    registry = nullptr;
}
