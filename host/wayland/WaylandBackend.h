// The backend of a view drawing on a Wayland surface of its own: a window
// (xdg_toplevel), or one output covered by a layer-shell overlay or an
// xdg_toplevel made full screen there; its EGL context on a wl_egl_window,
// drawn at the output's scale, and presented when the compositor asks for
// a frame.
#pragma once

#include <functional>
#include <vector>

#include "host/egl/EglWindow.h"
#include "host/view/ViewBackend.h"
#include "host/wayland/WaylandDisplay.h"

struct wl_surface;
struct wl_egl_window;
struct wl_callback;
struct xdg_surface;
struct xdg_toplevel;
struct zxdg_toplevel_decoration_v1;
struct zwlr_layer_surface_v1;
struct wp_viewport;
struct wp_fractional_scale_v1;

enum class WaylandRole {
    kWindow,      // a resizable window titled "Dovel"
    kOverlay,     // a layer-shell overlay over one whole output, taking the keyboard
    kFullscreen,  // an xdg_toplevel full screen on one output
};

class WaylandBackend : public ViewBackend {
public:
    // d outlives the backend. outputIndex names the output of a full-screen
    // role; width x height is a window's first size in surface units.
    WaylandBackend(WaylandDisplay* d, WaylandRole role, int outputIndex, int width, int height);
    ~WaylandBackend() override;

    // Makes the surface and its role (committed without a buffer, so the
    // compositor configures it) and the EGL context on it. Nothing shows
    // until the first frame is presented.
    bool CreateContext(std::string* error) override;
    bool MakeCurrent() override;
    void SetDrawableSize(int width, int height) override;
    // Asks for the next frame callback, runs beforePresent, swaps.
    void FlushBuffer() override;
    int ScreenNumber() override;
    int MainScreenNumber() override { return 0; }
    int ScreenForFrame(const ViewRect& frame) override;
    bool TakeSnapshot(uint32_t displayMask, SnapshotImage* out) override;
    std::string DesktopPicturePath(int screenNumber) override;

    // The buffer size in pixels when the surface's size or scale changed
    // since the last call (it then also sets the buffer scale or viewport
    // for the next commit); false when nothing changed.
    bool TakeNewSize(int* width, int* height);

    bool configured = false;  // the compositor has configured the surface
    bool closed = false;      // the compositor or the user closed it
    bool frameDue = true;     // the compositor wants a frame (or has not yet been asked)
    std::function<void()> beforePresent;

    // Event handlers of the surface's objects.
    void Configured() {
        configured = true;
        sizeChanged = true;
    }
    void SetLogicalSize(int width, int height);
    void EnteredOutput(wl_output* output, bool entered);
    void SetPreferredScale(uint32_t scale120);
    void FrameDone();

private:
    int IntegerScale() const;

    WaylandDisplay* d;
    WaylandRole role;
    int outputIndex;
    int logicalWidth;
    int logicalHeight;
    bool sizeChanged = true;
    uint32_t fractional120 = 0;  // the compositor's preferred scale in 120ths; 0: none said
    std::vector<wl_output*> entered;
    int lastScale = 0;

    wl_surface* surface = nullptr;
    wl_egl_window* eglWindow = nullptr;
    wl_callback* frameCallback = nullptr;
    xdg_surface* xdgSurface = nullptr;
    xdg_toplevel* toplevel = nullptr;
    zxdg_toplevel_decoration_v1* decoration = nullptr;
    zwlr_layer_surface_v1* layerSurface = nullptr;
    wp_viewport* viewport = nullptr;
    wp_fractional_scale_v1* fractionalScale = nullptr;
    EglWindow gl;
};
