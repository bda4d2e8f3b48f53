#include "settings/SettingsDialog.h"

#include <sys/stat.h>

#include "assets/Alerts.h"
#include "settings/DocumentationPage.h"
#include "settings/XScreenSaverRegistration.h"

namespace {

// Where alerts are shown over; the dialog's window while it is open.
GtkWindow* alertParent = nullptr;

const char* const kCheckIds[] = {"oMainMonitorOnly", "oAllowCollisions", "oRandomShades",
                                 "oTransparent",     "oFitScreen",       "oShowCountdown"};

// Every object of the layout the program uses, with its kind.
struct LayoutObject {
    const char* id;
    GType (*type)();
};
const LayoutObject kLayout[] = {
    {"sheet", gtk_window_get_type},
    {"oMainMonitorOnly", gtk_check_button_get_type},
    {"oNumHearts", gtk_spin_button_get_type},
    {"oPicDelay", gtk_spin_button_get_type},
    {"oAllowCollisions", gtk_check_button_get_type},
    {"oRandomShades", gtk_check_button_get_type},
    {"oTransparent", gtk_check_button_get_type},
    {"oFitScreen", gtk_check_button_get_type},
    {"oShowCountdown", gtk_check_button_get_type},
    {"oBGType", gtk_drop_down_get_type},
    {"oBGRes", gtk_drop_down_get_type},
    {"oBGPath", gtk_button_get_type},
    {"bgPathLabel", gtk_label_get_type},
    {"oHeartCol", gtk_color_button_get_type},
    {"oBGCol", gtk_color_button_get_type},
    {"preview", gtk_picture_get_type},
    {"save", gtk_button_get_type},
    {"cancel", gtk_button_get_type},
    {"defaults", gtk_button_get_type},
    {"website", gtk_button_get_type},
    {"registerXScreenSaver", gtk_button_get_type},
};

// The first object the program needs that the layout lacks, or null.
const char* MissingObject(GtkBuilder* builder) {
    for (const LayoutObject& o : kLayout) {
        GObject* object = gtk_builder_get_object(builder, o.id);
        if (object == nullptr || !G_TYPE_CHECK_INSTANCE_TYPE(object, o.type())) return o.id;
    }
    return nullptr;
}

GtkWidget* Widget(const SettingsDialog& d, const char* id) {
    return GTK_WIDGET(DialogObject(d, id));
}

void SetCheck(const SettingsDialog& d, const char* id, bool on) {
    gtk_check_button_set_active(GTK_CHECK_BUTTON(Widget(d, id)), on);
}

bool Check(const SettingsDialog& d, const char* id) {
    return gtk_check_button_get_active(GTK_CHECK_BUTTON(Widget(d, id)));
}

void SetNumber(const SettingsDialog& d, const char* id, int32_t value) {
    gtk_spin_button_set_value(GTK_SPIN_BUTTON(Widget(d, id)), value);
}

int32_t Number(const SettingsDialog& d, const char* id) {
    GtkSpinButton* spin = GTK_SPIN_BUTTON(Widget(d, id));
    // Takes in what was typed but not yet confirmed with Return or Tab.
    gtk_spin_button_update(spin);
    return gtk_spin_button_get_value_as_int(spin);
}

void SetItem(const SettingsDialog& d, const char* id, int32_t item) {
    gtk_drop_down_set_selected(GTK_DROP_DOWN(Widget(d, id)), static_cast<guint>(item));
}

int32_t Item(const SettingsDialog& d, const char* id) {
    guint item = gtk_drop_down_get_selected(GTK_DROP_DOWN(Widget(d, id)));
    return item == GTK_INVALID_LIST_POSITION ? 0 : static_cast<int32_t>(item);
}

void SetColour(const SettingsDialog& d, const char* id, const SheetColour& c) {
    GdkRGBA rgba{c.r, c.g, c.b, 1.0f};
    gtk_color_chooser_set_rgba(GTK_COLOR_CHOOSER(Widget(d, id)), &rgba);
}

SheetColour Colour(const SettingsDialog& d, const char* id) {
    GdkRGBA rgba{};
    gtk_color_chooser_get_rgba(GTK_COLOR_CHOOSER(Widget(d, id)), &rgba);
    return SheetColour{rgba.red, rgba.green, rgba.blue};
}

void ShowFolder(SettingsDialog* d) {
    // The path may not be UTF-8; the label shows it as the file system
    // would name it, and the dialog keeps the bytes.
    gchar* shown = g_filename_display_name(d->bgPath.c_str());
    gtk_label_set_text(GTK_LABEL(DialogObject(*d, "bgPathLabel")), shown);
    gtk_widget_set_tooltip_text(Widget(*d, "oBGPath"), shown);
    g_free(shown);
}

void EndDialog(SettingsDialog* d) {
    d->finished = true;
    if (d->folderChooser != nullptr) gtk_native_dialog_hide(d->folderChooser);
    gtk_widget_set_visible(GTK_WIDGET(d->window), false);
}

void RestartPreviewWithControls(SettingsDialog* d) {
    RestartPreviewSoon(&d->preview, PreviewOverrides(ReadValues(*d)));
}

void OnControlChanged(SettingsDialog* d) {
    if (d->showing) return;
    UpdateStates(d);
    RestartPreviewWithControls(d);
}

void OnToggled(GtkCheckButton*, gpointer data) {
    OnControlChanged(static_cast<SettingsDialog*>(data));
}

void OnValueChanged(GtkSpinButton*, gpointer data) {
    OnControlChanged(static_cast<SettingsDialog*>(data));
}

void OnNotify(GObject*, GParamSpec*, gpointer data) {
    OnControlChanged(static_cast<SettingsDialog*>(data));
}

void OnSave(GtkButton*, gpointer data) {
    SaveAction(static_cast<SettingsDialog*>(data));
}

void OnCancel(GtkButton*, gpointer data) {
    CancelAction(static_cast<SettingsDialog*>(data));
}

void OnDefaults(GtkButton*, gpointer data) {
    DefaultsAction(static_cast<SettingsDialog*>(data));
}

void OnChooseFolder(GtkButton*, gpointer data) {
    ChooseFolderAction(static_cast<SettingsDialog*>(data));
}

void OnWebsite(GtkButton*, gpointer data) {
    OpenWebsiteAction(static_cast<SettingsDialog*>(data));
}

void OnRegister(GtkButton*, gpointer data) {
    RegisterWithXScreenSaverAction(static_cast<SettingsDialog*>(data));
}

gboolean OnCloseRequest(GtkWindow*, gpointer data) {
    CancelAction(static_cast<SettingsDialog*>(data));
    return TRUE;
}

gboolean OnEscape(GtkWidget*, GVariant*, gpointer data) {
    CancelAction(static_cast<SettingsDialog*>(data));
    return TRUE;
}

void OnFolderChosen(GtkNativeDialog* chooser, int response, gpointer data) {
    auto* d = static_cast<SettingsDialog*>(data);
    if (response == GTK_RESPONSE_ACCEPT) {
        GFile* file = gtk_file_chooser_get_file(GTK_FILE_CHOOSER(chooser));
        char* path = file != nullptr ? g_file_get_path(file) : nullptr;
        if (path != nullptr) SetFolder(d, path);
        g_free(path);
        if (file != nullptr) g_object_unref(file);
    }
    d->folderChooser = nullptr;
    g_object_unref(chooser);
}

void OnBrowserExited(GPid pid, gint, gpointer) {
    g_spawn_close_pid(pid);
}

void ConnectSignals(SettingsDialog* d) {
    for (const char* id : kCheckIds)
        g_signal_connect(DialogObject(*d, id), "toggled", G_CALLBACK(OnToggled), d);
    for (const char* id : {"oNumHearts", "oPicDelay"})
        g_signal_connect(DialogObject(*d, id), "value-changed", G_CALLBACK(OnValueChanged), d);
    for (const char* id : {"oBGType", "oBGRes"})
        g_signal_connect(DialogObject(*d, id), "notify::selected", G_CALLBACK(OnNotify), d);
    for (const char* id : {"oHeartCol", "oBGCol"})
        g_signal_connect(DialogObject(*d, id), "notify::rgba", G_CALLBACK(OnNotify), d);
    g_signal_connect(DialogObject(*d, "save"), "clicked", G_CALLBACK(OnSave), d);
    g_signal_connect(DialogObject(*d, "cancel"), "clicked", G_CALLBACK(OnCancel), d);
    g_signal_connect(DialogObject(*d, "defaults"), "clicked", G_CALLBACK(OnDefaults), d);
    g_signal_connect(DialogObject(*d, "oBGPath"), "clicked", G_CALLBACK(OnChooseFolder), d);
    g_signal_connect(DialogObject(*d, "website"), "clicked", G_CALLBACK(OnWebsite), d);
    g_signal_connect(DialogObject(*d, "registerXScreenSaver"), "clicked", G_CALLBACK(OnRegister), d);
    g_signal_connect(d->window, "close-request", G_CALLBACK(OnCloseRequest), d);

    // Return in a number field saves, as it does elsewhere in the window.
    for (const char* id : {"oNumHearts", "oPicDelay"}) {
        GtkEditable* text = gtk_editable_get_delegate(GTK_EDITABLE(DialogObject(*d, id)));
        if (text != nullptr && GTK_IS_TEXT(text)) gtk_text_set_activates_default(GTK_TEXT(text), TRUE);
    }

    GtkEventController* keys = gtk_shortcut_controller_new();
    gtk_shortcut_controller_add_shortcut(
        GTK_SHORTCUT_CONTROLLER(keys),
        gtk_shortcut_new(gtk_keyval_trigger_new(GDK_KEY_Escape, GdkModifierType(0)),
                         gtk_callback_action_new(OnEscape, d, nullptr)));
    gtk_widget_add_controller(GTK_WIDGET(d->window), keys);
}

bool IsFolder(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

GObject* DialogObject(const SettingsDialog& d, const char* id) {
    return d.builder != nullptr ? gtk_builder_get_object(d.builder, id) : nullptr;
}

bool OpenSettingsDialog(SettingsDialog* d, const std::string& uiFile, const std::string& prefsPath,
                        const std::string& resourcePath, std::string* error) {
    GtkBuilder* builder = gtk_builder_new();
    GError* failure = nullptr;
    if (!gtk_builder_add_from_file(builder, uiFile.c_str(), &failure)) {
        *error = "cannot load the window layout " + uiFile + ": " + failure->message;
        g_error_free(failure);
        g_object_unref(builder);
        return false;
    }
    if (const char* missing = MissingObject(builder)) {
        *error = "the window layout " + uiFile + " has no " + missing + " of the right kind";
        GObject* window = gtk_builder_get_object(builder, "sheet");
        if (window != nullptr && GTK_IS_WINDOW(window)) gtk_window_destroy(GTK_WINDOW(window));
        g_object_unref(builder);
        return false;
    }
    d->builder = builder;
    d->window = GTK_WINDOW(DialogObject(*d, "sheet"));
    d->resourcePath = resourcePath;
    d->sheet.Open(prefsPath);
    d->bgPath = d->sheet.storedPath;
    alertParent = d->window;
    HostEnvironment env;
    env.prefsPath = prefsPath;
    env.resourcePath = resourcePath;
    AttachPreview(&d->preview, GTK_PICTURE(DialogObject(*d, "preview")), env);
    ConnectSignals(d);
    ShowValues(d, d->sheet.Shown());
    return true;
}

void CloseSettingsDialog(SettingsDialog* d) {
    if (d->builder == nullptr) return;
    DetachPreview(&d->preview);
    if (d->folderChooser != nullptr) {
        gtk_native_dialog_destroy(d->folderChooser);
        g_object_unref(d->folderChooser);
        d->folderChooser = nullptr;
    }
    if (alertParent == d->window) alertParent = nullptr;
    gtk_window_destroy(d->window);
    g_object_unref(d->builder);
    d->builder = nullptr;
    d->window = nullptr;
}

void ShowValues(SettingsDialog* d, const SheetValues& v) {
    d->showing = true;
    SetCheck(*d, "oMainMonitorOnly", v.mainMonitorOnly);
    SetNumber(*d, "oNumHearts", v.numHearts);
    SetNumber(*d, "oPicDelay", v.picDelay);
    SetCheck(*d, "oAllowCollisions", v.collisions);
    SetCheck(*d, "oRandomShades", v.randomShades);
    SetCheck(*d, "oTransparent", v.transparent);
    SetCheck(*d, "oFitScreen", v.fitScreen);
    SetCheck(*d, "oShowCountdown", v.showCountdown);
    SetColour(*d, "oHeartCol", v.heartColour);
    SetColour(*d, "oBGCol", v.bgColour);
    SetItem(*d, "oBGType", v.bgType);
    SetItem(*d, "oBGRes", v.bgRes);
    d->bgPath = v.bgPath;
    ShowFolder(d);
    d->showing = false;
    UpdateStates(d);
    RestartPreviewWithControls(d);
}

SheetValues ReadValues(const SettingsDialog& d) {
    SheetValues v;
    v.mainMonitorOnly = Check(d, "oMainMonitorOnly");
    v.numHearts = Number(d, "oNumHearts");
    v.picDelay = Number(d, "oPicDelay");
    v.collisions = Check(d, "oAllowCollisions");
    v.randomShades = Check(d, "oRandomShades");
    v.transparent = Check(d, "oTransparent");
    v.fitScreen = Check(d, "oFitScreen");
    v.showCountdown = Check(d, "oShowCountdown");
    v.bgType = Item(d, "oBGType");
    v.bgRes = Item(d, "oBGRes");
    v.bgPath = d.bgPath;
    v.heartColour = Colour(d, "oHeartCol");
    v.bgColour = Colour(d, "oBGCol");
    return v;
}

void UpdateStates(SettingsDialog* d) {
    SheetEnabling e = EnablingRules(ReadValues(*d));
    gtk_widget_set_sensitive(Widget(*d, "oHeartCol"), e.heartColour);
    gtk_widget_set_sensitive(Widget(*d, "oBGRes"), e.bgRes);
    gtk_widget_set_sensitive(Widget(*d, "oBGPath"), e.bgPath);
    gtk_widget_set_sensitive(Widget(*d, "oFitScreen"), e.fitScreen);
    gtk_widget_set_sensitive(Widget(*d, "oPicDelay"), e.picDelay);
    gtk_widget_set_sensitive(Widget(*d, "oBGCol"), e.bgColour);
}

void SaveAction(SettingsDialog* d) {
    if (d->sheet.Save(ReadValues(*d))) {
        d->saved = true;
        EndDialog(d);
        return;
    }
    std::string text = "The preferences file " + d->sheet.prefsPath +
                       " could not be written, so nothing was saved. Your settings are still in the window.";
    MessageBox(nullptr, text.c_str(), "Settings Not Saved", MB_ICONERROR);
}

void CancelAction(SettingsDialog* d) {
    EndDialog(d);
}

void DefaultsAction(SettingsDialog* d) {
    ShowValues(d, DefaultSheetValues(d->bgPath));
}

void ChooseFolderAction(SettingsDialog* d) {
    if (d->folderChooser != nullptr) return;
    GtkFileChooserNative* chooser = gtk_file_chooser_native_new(
        kFolderChooserTitle, d->window, GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER, "_Select", "_Cancel");
    gtk_native_dialog_set_modal(GTK_NATIVE_DIALOG(chooser), TRUE);
    gtk_file_chooser_set_select_multiple(GTK_FILE_CHOOSER(chooser), FALSE);
    if (IsFolder(d->bgPath)) {
        GFile* start = g_file_new_for_path(d->bgPath.c_str());
        gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(chooser), start, nullptr);
        g_object_unref(start);
    }
    d->folderChooser = GTK_NATIVE_DIALOG(chooser);
    g_signal_connect(chooser, "response", G_CALLBACK(OnFolderChosen), d);
    gtk_native_dialog_show(d->folderChooser);
}

void SetFolder(SettingsDialog* d, const std::string& path) {
    d->bgPath = path;
    ShowFolder(d);
    RestartPreviewWithControls(d);
}

void OpenWebsiteAction(SettingsDialog* d) {
    std::string file = DocumentationFile(d->resourcePath), error;
    if (file.empty()) {
        MessageBox(nullptr, "Dovel's manual (share/doc/dovel/manual.html) is not installed.",
                   "No Documentation", MB_OK);
        return;
    }
    pid_t child = 0;
    if (!OpenInBrowser(FileUri(file), &child, &error)) {
        MessageBox(nullptr, error.c_str(), "Cannot Open the Web Page", MB_OK);
        return;
    }
    g_child_watch_add(child, OnBrowserExited, nullptr);
}

void RegisterWithXScreenSaverAction(SettingsDialog* d) {
    XScreenSaverFiles files;
    files.home = g_get_home_dir();
    std::string message, error;
    bool done = RegisterWithXScreenSaver(files, &message, &error);
    GtkWidget* note =
        gtk_message_dialog_new(d->window, GtkDialogFlags(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT),
                               done ? GTK_MESSAGE_INFO : GTK_MESSAGE_ERROR, GTK_BUTTONS_OK, "%s",
                               done ? "Dovel and XScreenSaver" : "Cannot Add Dovel to XScreenSaver");
    gtk_message_dialog_format_secondary_text(GTK_MESSAGE_DIALOG(note), "%s",
                                             done ? message.c_str() : error.c_str());
    g_signal_connect(note, "response", G_CALLBACK(gtk_window_destroy), nullptr);
    gtk_window_present(GTK_WINDOW(note));
}

void DialogAlertSink(const char* title, const char* text) {
    // Shown without waiting for the answer: an alert can come from inside a
    // preview frame, which must not run the main loop again.
    GtkWidget* alert =
        gtk_message_dialog_new(alertParent, GtkDialogFlags(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT),
                               GTK_MESSAGE_ERROR, GTK_BUTTONS_OK, "%s", title);
    gtk_message_dialog_format_secondary_text(GTK_MESSAGE_DIALOG(alert), "%s", text);
    g_signal_connect(alert, "response", G_CALLBACK(gtk_window_destroy), nullptr);
    gtk_window_present(GTK_WINDOW(alert));
}
