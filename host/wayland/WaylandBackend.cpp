#include "host/wayland/WaylandBackend.h"

#include <GL/gl.h>
#include <wayland-client.h>
#include <wayland-egl.h>

#include <algorithm>
#include <cmath>

#include "fractional-scale-v1-client.h"
#include "host/desktop/DesktopPicture.h"
#include "host/wayland/WaylandSnapshot.h"
#include "viewporter-client.h"
#include "wlr-layer-shell-unstable-v1-client.h"
#include "xdg-decoration-unstable-v1-client.h"
#include "xdg-shell-client.h"

namespace {

constexpr char kTitle[] = "Dovel";
constexpr char kAppId[] = "org.dovel.Dovel";
// Fractional scales come in 120ths.
constexpr uint32_t kScaleDenominator = 120;

WaylandBackend* Of(void* data) {
    return static_cast<WaylandBackend*>(data);
}

void SurfaceEnter(void* data, wl_surface*, wl_output* output) {
    Of(data)->EnteredOutput(output, true);
}
void SurfaceLeave(void* data, wl_surface*, wl_output* output) {
    Of(data)->EnteredOutput(output, false);
}
const wl_surface_listener kSurfaceListener = {SurfaceEnter, SurfaceLeave};

void XdgSurfaceConfigure(void* data, xdg_surface* surface, uint32_t serial) {
    xdg_surface_ack_configure(surface, serial);
    Of(data)->Configured();
}
const xdg_surface_listener kXdgSurfaceListener = {XdgSurfaceConfigure};

void ToplevelConfigure(void* data, xdg_toplevel*, int32_t width, int32_t height, wl_array*) {
    // 0 x 0: the client chooses; the size we have stays.
    if (width > 0 && height > 0) Of(data)->SetLogicalSize(width, height);
}
void ToplevelClose(void* data, xdg_toplevel*) {
    Of(data)->closed = true;
}
const xdg_toplevel_listener kToplevelListener = {ToplevelConfigure, ToplevelClose, nullptr, nullptr};

void LayerConfigure(void* data, zwlr_layer_surface_v1* layer, uint32_t serial, uint32_t width,
                    uint32_t height) {
    zwlr_layer_surface_v1_ack_configure(layer, serial);
    if (width > 0 && height > 0) Of(data)->SetLogicalSize(static_cast<int>(width), static_cast<int>(height));
    Of(data)->Configured();
}
void LayerClosed(void* data, zwlr_layer_surface_v1*) {
    Of(data)->closed = true;
}
const zwlr_layer_surface_v1_listener kLayerListener = {LayerConfigure, LayerClosed};

void PreferredScale(void* data, wp_fractional_scale_v1*, uint32_t scale) {
    Of(data)->SetPreferredScale(scale);
}
const wp_fractional_scale_v1_listener kFractionalListener = {PreferredScale};

void FrameCallbackDone(void* data, wl_callback*, uint32_t) {
    Of(data)->FrameDone();
}
const wl_callback_listener kFrameListener = {FrameCallbackDone};

}  // namespace

WaylandBackend::WaylandBackend(WaylandDisplay* display, WaylandRole r, int output, int width, int height)
    : d(display), role(r), outputIndex(output), logicalWidth(width), logicalHeight(height) {
    if (role != WaylandRole::kWindow && outputIndex >= 0 &&
        outputIndex < static_cast<int>(d->outputs.size())) {
        const WaylandOutput& o = *d->outputs[outputIndex];
        if (o.logicalWidth > 0 && o.logicalHeight > 0) {
            logicalWidth = o.logicalWidth;
            logicalHeight = o.logicalHeight;
        }
    }
}

WaylandBackend::~WaylandBackend() {
    gl.Destroy();
    if (eglWindow != nullptr) wl_egl_window_destroy(eglWindow);
    if (frameCallback != nullptr) wl_callback_destroy(frameCallback);
    if (fractionalScale != nullptr) wp_fractional_scale_v1_destroy(fractionalScale);
    if (viewport != nullptr) wp_viewport_destroy(viewport);
    if (decoration != nullptr) zxdg_toplevel_decoration_v1_destroy(decoration);
    if (toplevel != nullptr) xdg_toplevel_destroy(toplevel);
    if (layerSurface != nullptr) zwlr_layer_surface_v1_destroy(layerSurface);
    if (xdgSurface != nullptr) xdg_surface_destroy(xdgSurface);
    if (surface != nullptr) wl_surface_destroy(surface);
}

bool WaylandBackend::CreateContext(std::string* error) {
    wl_output* output = outputIndex >= 0 && outputIndex < static_cast<int>(d->outputs.size())
                            ? d->outputs[outputIndex]->output
                            : nullptr;
    surface = wl_compositor_create_surface(d->compositor);
    wl_surface_add_listener(surface, &kSurfaceListener, this);
    if (d->fractionalScale != nullptr && d->viewporter != nullptr) {
        viewport = wp_viewporter_get_viewport(d->viewporter, surface);
        fractionalScale = wp_fractional_scale_manager_v1_get_fractional_scale(d->fractionalScale, surface);
        wp_fractional_scale_v1_add_listener(fractionalScale, &kFractionalListener, this);
    }
    if (role == WaylandRole::kOverlay) {
        layerSurface = zwlr_layer_shell_v1_get_layer_surface(d->layerShell, surface, output,
                                                             ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, "dovel");
        zwlr_layer_surface_v1_add_listener(layerSurface, &kLayerListener, this);
        zwlr_layer_surface_v1_set_anchor(
            layerSurface, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                              ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
        // -1: cover the whole output, panels' reserved areas included.
        zwlr_layer_surface_v1_set_exclusive_zone(layerSurface, -1);
        zwlr_layer_surface_v1_set_keyboard_interactivity(
            layerSurface, ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE);
        zwlr_layer_surface_v1_set_size(layerSurface, 0, 0);
    } else {
        xdgSurface = xdg_wm_base_get_xdg_surface(d->wmBase, surface);
        xdg_surface_add_listener(xdgSurface, &kXdgSurfaceListener, this);
        toplevel = xdg_surface_get_toplevel(xdgSurface);
        xdg_toplevel_add_listener(toplevel, &kToplevelListener, this);
        xdg_toplevel_set_title(toplevel, kTitle);
        xdg_toplevel_set_app_id(toplevel, kAppId);
        if (role == WaylandRole::kFullscreen) {
            xdg_toplevel_set_fullscreen(toplevel, output);
        } else if (d->decorations != nullptr) {
            decoration = zxdg_decoration_manager_v1_get_toplevel_decoration(d->decorations, toplevel);
            zxdg_toplevel_decoration_v1_set_mode(decoration, ZXDG_TOPLEVEL_DECORATION_V1_MODE_SERVER_SIDE);
        }
    }
    wl_surface_commit(surface);
    int scale = IntegerScale();
    eglWindow =
        wl_egl_window_create(surface, std::max(1, logicalWidth * scale), std::max(1, logicalHeight * scale));
    if (eglWindow == nullptr) {
        *error = "wl_egl_window_create failed";
        return false;
    }
    return gl.CreateForWayland(d->egl, eglWindow, error);
}

bool WaylandBackend::MakeCurrent() {
    return gl.MakeCurrent();
}

void WaylandBackend::SetDrawableSize(int width, int height) {
    if (eglWindow != nullptr) wl_egl_window_resize(eglWindow, width, height, 0, 0);
}

void WaylandBackend::FlushBuffer() {
    if (closed || surface == nullptr) return;
    if (frameCallback != nullptr) wl_callback_destroy(frameCallback);
    frameCallback = wl_surface_frame(surface);
    wl_callback_add_listener(frameCallback, &kFrameListener, this);
    frameDue = false;
    if (beforePresent) beforePresent();
    // The scene leaves the alpha channel at 0 (its clear colour); some
    // compositors show such pixels wrongly even on an opaque surface, so
    // the frame goes out with alpha 1 throughout.
    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_TRUE);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glClearColor(clear[0], clear[1], clear[2], clear[3]);
    gl.SwapBuffers();
}

void WaylandBackend::FrameDone() {
    if (frameCallback != nullptr) wl_callback_destroy(frameCallback);
    frameCallback = nullptr;
    frameDue = true;
}

int WaylandBackend::ScreenNumber() {
    if (role != WaylandRole::kWindow && outputIndex >= 0) return outputIndex;
    if (!entered.empty()) {
        int index = d->OutputIndex(entered.front());
        if (index >= 0) return index;
    }
    return MainScreenNumber();
}

int WaylandBackend::ScreenForFrame(const ViewRect& frame) {
    if (role != WaylandRole::kWindow) return outputIndex;
    const double cx = frame.x + frame.width / 2.0, cy = frame.y + frame.height / 2.0;
    for (size_t i = 0; i < d->outputs.size(); ++i) {
        const WaylandOutput& o = *d->outputs[i];
        if (cx >= o.x && cy >= o.y && cx < o.x + o.logicalWidth && cy < o.y + o.logicalHeight)
            return static_cast<int>(i);
    }
    return -1;
}

bool WaylandBackend::TakeSnapshot(uint32_t displayMask, SnapshotImage* out) {
    int output = 0;
    while (output < 32 && (displayMask & (1u << output)) == 0) ++output;
    return CopyOutput(d, output, out);
}

std::string WaylandBackend::DesktopPicturePath(int screenNumber) {
    const bool known = screenNumber >= 0 && screenNumber < static_cast<int>(d->outputs.size());
    return FindDesktopPicture(screenNumber, known ? d->outputs[screenNumber]->name : "",
                              DesktopPictureSourcesFromEnvironment());
}

void WaylandBackend::SetLogicalSize(int width, int height) {
    if (width == logicalWidth && height == logicalHeight) return;
    logicalWidth = width;
    logicalHeight = height;
    sizeChanged = true;
}

void WaylandBackend::EnteredOutput(wl_output* output, bool isIn) {
    auto at = std::find(entered.begin(), entered.end(), output);
    if (isIn && at == entered.end()) entered.push_back(output);
    if (!isIn && at != entered.end()) entered.erase(at);
    sizeChanged = sizeChanged || IntegerScale() != lastScale;
}

void WaylandBackend::SetPreferredScale(uint32_t scale120) {
    if (scale120 == fractional120) return;
    fractional120 = scale120;
    sizeChanged = true;
}

// The scale of the output a full-screen view covers; for a window the
// largest of the outputs it is on, so it is sharp on the sharpest.
int WaylandBackend::IntegerScale() const {
    if (role != WaylandRole::kWindow && outputIndex >= 0 && outputIndex < static_cast<int>(d->outputs.size()))
        return d->outputs[outputIndex]->scale;
    int scale = 1;
    for (wl_output* output : entered) {
        int index = d->OutputIndex(output);
        if (index >= 0) scale = std::max(scale, d->outputs[index]->scale);
    }
    return scale;
}

bool WaylandBackend::TakeNewSize(int* width, int* height) {
    if (!sizeChanged || !configured || surface == nullptr) return false;
    sizeChanged = false;
    // The drawable has an alpha channel that the scene leaves at 0; the
    // compositor is told the whole surface is opaque so it ignores it.
    wl_region* opaque = wl_compositor_create_region(d->compositor);
    wl_region_add(opaque, 0, 0, logicalWidth, logicalHeight);
    wl_surface_set_opaque_region(surface, opaque);
    wl_region_destroy(opaque);
    if (viewport != nullptr && fractional120 != 0) {
        // Fractional scale: a buffer of the scaled size, shown at the
        // surface's size by the viewport.
        *width = std::max(
            1, static_cast<int>(std::lround(logicalWidth * fractional120 / double{kScaleDenominator})));
        *height = std::max(
            1, static_cast<int>(std::lround(logicalHeight * fractional120 / double{kScaleDenominator})));
        wl_surface_set_buffer_scale(surface, 1);
        wp_viewport_set_destination(viewport, logicalWidth, logicalHeight);
        return true;
    }
    lastScale = IntegerScale();
    *width = std::max(1, logicalWidth * lastScale);
    *height = std::max(1, logicalHeight * lastScale);
    wl_surface_set_buffer_scale(surface, lastScale);
    return true;
}
