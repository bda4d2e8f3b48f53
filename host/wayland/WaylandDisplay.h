// The connection to the Wayland compositor that every view of a run shares:
// the globals Dovel uses, the outputs in the order the compositor announces
// them, the seat's keyboard and pointer, and the EGL display on it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

struct wl_display;
struct wl_registry;
struct wl_compositor;
struct wl_shm;
struct wl_seat;
struct wl_keyboard;
struct wl_pointer;
struct wl_output;
struct xdg_wm_base;
struct zxdg_output_manager_v1;
struct zxdg_output_v1;
struct zxdg_decoration_manager_v1;
struct zwlr_layer_shell_v1;
struct zwlr_screencopy_manager_v1;
struct wp_viewporter;
struct wp_fractional_scale_manager_v1;
struct xkb_context;
struct xkb_keymap;
struct xkb_state;

struct WaylandOutput {
    wl_output* output = nullptr;
    zxdg_output_v1* xdgOutput = nullptr;
    uint32_t globalName = 0;
    std::string name;  // "HEADLESS-1", "DP-2"; "" until the compositor says
    int x = 0;         // position in the compositor's logical space
    int y = 0;
    int logicalWidth = 0;
    int logicalHeight = 0;
    int pixelWidth = 0;  // the current mode
    int pixelHeight = 0;
    int scale = 1;  // wl_output's integer scale
};

// What the user did, for the run to decide whether it ends the run.
enum class WaylandInput { kKey, kButton, kMotion };

struct WaylandDisplay {
    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
    wl_compositor* compositor = nullptr;
    wl_shm* shm = nullptr;
    wl_seat* seat = nullptr;
    wl_keyboard* keyboard = nullptr;
    wl_pointer* pointer = nullptr;
    xdg_wm_base* wmBase = nullptr;
    zxdg_output_manager_v1* xdgOutputs = nullptr;
    zxdg_decoration_manager_v1* decorations = nullptr;
    zwlr_layer_shell_v1* layerShell = nullptr;
    zwlr_screencopy_manager_v1* screencopy = nullptr;
    wp_viewporter* viewporter = nullptr;
    wp_fractional_scale_manager_v1* fractionalScale = nullptr;
    std::vector<std::unique_ptr<WaylandOutput>> outputs;
    void* egl = nullptr;  // EGLDisplay on the Wayland platform

    xkb_context* xkb = nullptr;
    xkb_keymap* keymap = nullptr;
    xkb_state* keyState = nullptr;
    bool hidePointer = false;  // full screen: no cursor over our surfaces

    // Each key press (with its keysym), button press and pointer move.
    std::function<void(WaylandInput, uint32_t keysym)> onInput;

    WaylandDisplay() = default;
    WaylandDisplay(const WaylandDisplay&) = delete;
    WaylandDisplay& operator=(const WaylandDisplay&) = delete;
    ~WaylandDisplay() { Close(); }

    // Connects to $WAYLAND_DISPLAY. False, with *error empty, when there is
    // no compositor to connect to; false with *error filled when it lacks
    // what Dovel needs (xdg-shell or EGL) .
    bool Open(std::string* error);
    // Sends every request and waits until the compositor has handled them
    // and every event is dispatched. False when the connection is lost.
    bool Roundtrip();
    // Index of the output, or -1.
    int OutputIndex(const wl_output* output) const;
    void Close();
};

// Ends the process with status 1 and one line on standard error: the
// compositor went away, and nothing more can be drawn or released.
[[noreturn]] void ExitOnLostCompositor();
