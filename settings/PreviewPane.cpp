#include "settings/PreviewPane.h"

#include <cstdio>

#include "host/desktop/DesktopPicture.h"

namespace {

constexpr guint kFrameIntervalMs = 1000 / 30;
// Settings that change quickly (a spin button held down) restart the
// preview once, this long after the last change.
constexpr guint kRestartDelayMs = 150;

gboolean OnTick(gpointer data) {
    ShowNextPreviewFrame(static_cast<PreviewPane*>(data));
    return G_SOURCE_CONTINUE;
}

void StartTicking(PreviewPane* pane) {
    if (pane->tickSource != 0 || pane->failed) return;
    if (!pane->renderer.Running() && !RestartPreview(pane)) return;
    pane->tickSource = g_timeout_add(kFrameIntervalMs, OnTick, pane);
}

void StopTicking(PreviewPane* pane) {
    if (pane->tickSource == 0) return;
    g_source_remove(pane->tickSource);
    pane->tickSource = 0;
}

void OnMap(GtkWidget*, gpointer data) {
    StartTicking(static_cast<PreviewPane*>(data));
}

void OnUnmap(GtkWidget*, gpointer data) {
    StopTicking(static_cast<PreviewPane*>(data));
}

gboolean OnRestart(gpointer data) {
    auto* pane = static_cast<PreviewPane*>(data);
    pane->restartSource = 0;
    RestartPreview(pane);
    return G_SOURCE_REMOVE;
}

}  // namespace

void AttachPreview(PreviewPane* pane, GtkPicture* picture, const HostEnvironment& env) {
    pane->picture = picture;
    pane->env = env;
    pane->renderer.desktopPicture = FindDesktopPicture(0, "", DesktopPictureSourcesFromEnvironment());
    g_signal_connect(picture, "map", G_CALLBACK(OnMap), pane);
    g_signal_connect(picture, "unmap", G_CALLBACK(OnUnmap), pane);
    if (gtk_widget_get_mapped(GTK_WIDGET(picture))) StartTicking(pane);
}

void RestartPreviewSoon(PreviewPane* pane, const SettingsOverrides& settings) {
    pane->env.overrides = settings;
    if (pane->restartSource != 0) g_source_remove(pane->restartSource);
    pane->restartSource = g_timeout_add(kRestartDelayMs, OnRestart, pane);
}

bool RestartPreview(PreviewPane* pane) {
    if (pane->failed) return false;
    // GTK may have its own GL context current; it is made current again
    // when GTK next draws.
    gdk_gl_context_clear_current();
    std::string error;
    if (pane->renderer.Start(pane->env, kPreviewWidth, kPreviewHeight, &error)) return true;
    pane->failed = true;
    std::fprintf(stderr, "dovel-settings: no preview: %s\n", error.c_str());
    gtk_widget_set_tooltip_text(GTK_WIDGET(pane->picture), "No preview: OpenGL is not available");
    StopTicking(pane);
    return false;
}

bool ShowNextPreviewFrame(PreviewPane* pane) {
    gdk_gl_context_clear_current();
    std::vector<uint8_t> rgba;
    if (!pane->renderer.NextFrame(&rgba)) return false;
    const int w = pane->renderer.width, h = pane->renderer.height;
    GBytes* bytes = g_bytes_new(rgba.data(), rgba.size());
    GdkTexture* texture = gdk_memory_texture_new(w, h, GDK_MEMORY_R8G8B8A8, bytes, static_cast<gsize>(w) * 4);
    g_bytes_unref(bytes);
    gtk_picture_set_paintable(pane->picture, GDK_PAINTABLE(texture));
    g_object_unref(texture);
    ++pane->framesShown;
    return true;
}

void DetachPreview(PreviewPane* pane) {
    StopTicking(pane);
    if (pane->restartSource != 0) g_source_remove(pane->restartSource);
    pane->restartSource = 0;
    if (pane->picture != nullptr) g_signal_handlers_disconnect_by_data(pane->picture, pane);
    gdk_gl_context_clear_current();
    pane->renderer.Stop();
}
