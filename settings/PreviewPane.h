// The preview in the dialog: a GtkPicture showing the frames of a
// PreviewRenderer at 30 frames a second while the picture is on screen, and
// restarted shortly after the settings change.
#pragma once

#include <gtk/gtk.h>

#include <string>

#include "settings/PreviewRenderer.h"

constexpr int kPreviewWidth = 320;
constexpr int kPreviewHeight = 180;

struct PreviewPane {
    GtkPicture* picture = nullptr;  // not owned
    HostEnvironment env;            // the settings to show are env.overrides
    PreviewRenderer renderer;
    guint tickSource = 0;
    guint restartSource = 0;
    bool failed = false;  // no GL context: the pane stays empty
    int64_t framesShown = 0;
};

// Shows the preview in picture; it starts drawing when the picture is mapped.
void AttachPreview(PreviewPane* pane, GtkPicture* picture, const HostEnvironment& env);
// Restarts the preview with new settings, once they have stopped changing
// for a moment.
void RestartPreviewSoon(PreviewPane* pane, const SettingsOverrides& settings);
// Restarts it now; false when there is no GL context.
bool RestartPreview(PreviewPane* pane);
// Draws one frame into the picture when the scene presents one.
bool ShowNextPreviewFrame(PreviewPane* pane);
// Stops the timers and the view.
void DetachPreview(PreviewPane* pane);
