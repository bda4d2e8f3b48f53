// The settings window of dovel-settings, built at run time from DovelSS.ui:
// the thirteen controls, the preview, the six actions (save, cancel,
// defaults, the enabling rules, the folder chooser, the web page) and the
// registration with XScreenSaver. The values and rules themselves are
// SheetValues'; this file moves them between the record and the widgets.
#pragma once

#include <gtk/gtk.h>

#include <string>

#include "settings/PreviewPane.h"
#include "settings/SettingsSheet.h"

constexpr char kProgramName[] = "dovel-settings";
constexpr char kProgramTitle[] = "Dovel Settings";
constexpr char kFolderChooserTitle[] = "Select Folder To Load Images From";

struct SettingsDialog {
    GtkBuilder* builder = nullptr;
    GtkWindow* window = nullptr;  // owned through the builder's reference
    SettingsSheet sheet;
    std::string bgPath;  // the folder the path button shows, whole
    std::string resourcePath;
    PreviewPane preview;
    GtkNativeDialog* folderChooser = nullptr;
    GtkWindow* overwriteQuestion = nullptr;    // asks before saving over a file changed on disk
    GtkEventController* returnKeys = nullptr;  // Return saves; owned by the window
    bool showing = false;                      // signals of the controls are ignored while values are shown
    bool finished = false;
    bool saved = false;
    unsigned idleRefresh = 0;  // looks at the idle service's status once a second
};

// Loads uiFile, reads the preferences in prefsPath and shows them. False
// with *error filled when the layout cannot be loaded.
bool OpenSettingsDialog(SettingsDialog* dialog, const std::string& uiFile, const std::string& prefsPath,
                        const std::string& resourcePath, std::string* error);
// Destroys the window and stops the preview.
void CloseSettingsDialog(SettingsDialog* dialog);

// The object of the layout with this id, or null.
GObject* DialogObject(const SettingsDialog& dialog, const char* id);

void ShowValues(SettingsDialog* dialog, const SheetValues& values);
SheetValues ReadValues(const SettingsDialog& dialog);
// Enables the controls that mean something for the current values.
void UpdateStates(SettingsDialog* dialog);

// The actions. Save ends the dialog unless the file cannot be written
// (then an alert says so and the dialog stays open) or the file changed on
// disk since the window read it (then a question asks whether to save over
// it; SaveOverChangedFile is its answer); cancel ends it with nothing
// changed; defaults puts the defaults in the controls only.
void SaveAction(SettingsDialog* dialog);
void SaveOverChangedFile(SettingsDialog* dialog, bool overwrite);
void CancelAction(SettingsDialog* dialog);
void DefaultsAction(SettingsDialog* dialog);
void ChooseFolderAction(SettingsDialog* dialog);
void OpenWebsiteAction(SettingsDialog* dialog);
// Adds Dovel to the programs of the user's ~/.xscreensaver and says what
// happened in a message window.
void RegisterWithXScreenSaverAction(SettingsDialog* dialog);
// What the folder chooser does when the user picks path.
void SetFolder(SettingsDialog* dialog, const std::string& path);

// Names the program to GLib (program and application name), before GTK
// starts.
void NameSettingsProgram();

// The alert sink of dovel-settings: a modal message with one "OK" button.
void DialogAlertSink(const char* title, const char* text);
