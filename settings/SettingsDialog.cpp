#include "settings/SettingsDialog.h"

#include <sys/stat.h>
#include <unistd.h>

#include "assets/Alerts.h"
#include "host/idle/IdleControl.h"
#include "settings/DocumentationPage.h"
#include "settings/XScreenSaverRegistration.h"

namespace {

// Where alerts are shown over; the dialog's window while it is open.
GtkWindow* alertParent = nullptr;

// The kind of control that shows a setting of each kind.
GType ControlType(SettingKind kind) {
    switch (kind) {
        case SettingKind::kSwitch:
            return GTK_TYPE_CHECK_BUTTON;
        case SettingKind::kNumber:
            return GTK_TYPE_SPIN_BUTTON;
        case SettingKind::kChoice:
            return GTK_TYPE_DROP_DOWN;
        case SettingKind::kColour:
            return GTK_TYPE_COLOR_BUTTON;
        case SettingKind::kFolder:
            break;
    }
    return GTK_TYPE_BUTTON;
}

// The objects of the layout besides the settings' controls, with their kind.
struct LayoutObject {
    const char* id;
    GType (*type)();
};
const LayoutObject kLayout[] = {
    {"sheet", gtk_window_get_type},
    {"bgPathLabel", gtk_label_get_type},
    {"notice", gtk_label_get_type},
    {"preview", gtk_picture_get_type},
    {"save", gtk_button_get_type},
    {"cancel", gtk_button_get_type},
    {"defaults", gtk_button_get_type},
    {"website", gtk_button_get_type},
    {"registerXScreenSaver", gtk_button_get_type},
    {"idleService", gtk_check_button_get_type},
    {"idleStatus", gtk_label_get_type},
};
// Return presses these buttons when they have the focus (as everywhere);
// anywhere else in the window it saves.
const char* const kOwnReturnButtons[] = {"cancel", "defaults", "website", "registerXScreenSaver"};

// The first object the program needs that the layout lacks, or null.
const char* MissingObject(GtkBuilder* builder) {
    auto lacks = [&](const char* id, GType type) {
        GObject* object = gtk_builder_get_object(builder, id);
        return object == nullptr || !G_TYPE_CHECK_INSTANCE_TYPE(object, type);
    };
    for (const LayoutObject& o : kLayout)
        if (lacks(o.id, o.type())) return o.id;
    for (const SettingRow& row : StoredSettingRows())
        if (lacks(row.control, ControlType(row.kind))) return row.control;
    return nullptr;
}

GtkWidget* Widget(const SettingsDialog& d, const char* id) {
    return GTK_WIDGET(DialogObject(d, id));
}

// What a number control holds: its value, or with typed, the text being
// typed when it is a number of the row's range.
int64_t NumberShown(const SettingsDialog& d, const SettingRow& row, bool typed) {
    GtkSpinButton* spin = GTK_SPIN_BUTTON(Widget(d, row.control));
    SettingValue v;
    std::string ignored;
    if (typed && ParseSettingValue(row, gtk_editable_get_text(GTK_EDITABLE(spin)), &v, &ignored))
        return v.number;
    // Takes in what was typed but not yet confirmed with Return or Tab.
    if (!typed) gtk_spin_button_update(spin);
    return gtk_spin_button_get_value_as_int(spin);
}

void ShowControl(SettingsDialog* d, const SettingRow& row, const SettingValue& v) {
    GtkWidget* w = Widget(*d, row.control);
    switch (row.kind) {
        case SettingKind::kSwitch:
            gtk_check_button_set_active(GTK_CHECK_BUTTON(w), v.number != 0);
            break;
        case SettingKind::kNumber:
            gtk_spin_button_set_value(GTK_SPIN_BUTTON(w), static_cast<double>(v.number));
            break;
        case SettingKind::kChoice:
            gtk_drop_down_set_selected(GTK_DROP_DOWN(w), static_cast<guint>(v.number));
            break;
        case SettingKind::kColour: {
            GdkRGBA rgba{v.rgb[0], v.rgb[1], v.rgb[2], 1.0f};
            gtk_color_chooser_set_rgba(GTK_COLOR_CHOOSER(w), &rgba);
            break;
        }
        case SettingKind::kFolder:
            d->bgPath = v.text;
            break;
    }
}

SettingValue ControlValue(const SettingsDialog& d, const SettingRow& row, bool typed) {
    GtkWidget* w = Widget(d, row.control);
    SettingValue v;
    switch (row.kind) {
        case SettingKind::kSwitch:
            v.number = gtk_check_button_get_active(GTK_CHECK_BUTTON(w));
            break;
        case SettingKind::kNumber:
            v.number = NumberShown(d, row, typed);
            break;
        case SettingKind::kChoice: {
            guint item = gtk_drop_down_get_selected(GTK_DROP_DOWN(w));
            v.number = item == GTK_INVALID_LIST_POSITION ? 0 : item;
            break;
        }
        case SettingKind::kColour: {
            GdkRGBA rgba{};
            gtk_color_chooser_get_rgba(GTK_COLOR_CHOOSER(w), &rgba);
            v.rgb[0] = rgba.red;
            v.rgb[1] = rgba.green;
            v.rgb[2] = rgba.blue;
            break;
        }
        case SettingKind::kFolder:
            v.text = d.bgPath;
            break;
    }
    return v;
}

SheetValues ReadControls(const SettingsDialog& d, bool typed) {
    SheetValues v;
    for (const SettingRow& row : StoredSettingRows()) SetSheetValue(&v, row, ControlValue(d, row, typed));
    return v;
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
    RestartPreviewSoon(&d->preview, PreviewOverrides(ReadControls(*d, true)));
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

// A number reaches the preview as it is typed, before Return or Tab.
void OnTextChanged(GtkEditable*, gpointer data) {
    auto* d = static_cast<SettingsDialog*>(data);
    if (!d->showing) RestartPreviewWithControls(d);
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

// Return saves, whichever control has the focus (a check box would toggle,
// a list would open). An open list keeps Return to pick its item, and the
// other push buttons keep it to press themselves.
gboolean OnKeyPressed(GtkEventControllerKey*, guint key, guint, GdkModifierType state, gpointer data) {
    if (key != GDK_KEY_Return && key != GDK_KEY_KP_Enter && key != GDK_KEY_ISO_Enter) return FALSE;
    if ((state & (GDK_CONTROL_MASK | GDK_ALT_MASK | GDK_SUPER_MASK)) != 0) return FALSE;
    auto* d = static_cast<SettingsDialog*>(data);
    GtkWidget* focus = gtk_root_get_focus(GTK_ROOT(d->window));
    if (focus != nullptr && gtk_widget_get_ancestor(focus, GTK_TYPE_POPOVER) != nullptr) return FALSE;
    for (const char* id : kOwnReturnButtons) {
        GtkWidget* button = Widget(*d, id);
        if (focus != nullptr && (focus == button || gtk_widget_is_ancestor(focus, button))) return FALSE;
    }
    SaveAction(d);
    return TRUE;
}

void OnOverwriteAnswer(GtkDialog* question, int response, gpointer data) {
    auto* d = static_cast<SettingsDialog*>(data);
    d->overwriteQuestion = nullptr;
    gtk_window_destroy(GTK_WINDOW(question));
    SaveOverChangedFile(d, response == GTK_RESPONSE_ACCEPT);
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

// dovel beside this program (the build tree and the installed tree alike).
std::string DovelProgram() {
    char self[4096];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string path = n > 0 ? std::string(self, static_cast<size_t>(n)) : std::string();
    return path.empty() ? "dovel" : path.substr(0, path.rfind('/') + 1) + "dovel";
}

// The label shows whether the idle service runs.
bool ShowIdleStatus(SettingsDialog* d) {
    pid_t pid = 0;
    bool runs = IdleServiceRuns(&pid);
    gtk_label_set_text(GTK_LABEL(DialogObject(*d, "idleStatus")), runs ? "(running)" : "(not running)");
    return runs;
}

// The service starts and ends in its own time: its status is looked at
// once a second while the window is open.
gboolean RefreshIdleStatus(gpointer data) {
    ShowIdleStatus(static_cast<SettingsDialog*>(data));
    return G_SOURCE_CONTINUE;
}

// The box shows whether the service runs when the window opens, and after
// that what the user chose.
void ShowIdleService(SettingsDialog* d) {
    bool runs = ShowIdleStatus(d);
    d->showing = true;
    gtk_check_button_set_active(GTK_CHECK_BUTTON(DialogObject(*d, "idleService")), runs);
    d->showing = false;
    if (d->idleRefresh == 0) d->idleRefresh = g_timeout_add_seconds(1, RefreshIdleStatus, d);
}

void OnIdleServiceToggled(GtkCheckButton* button, gpointer data) {
    auto* d = static_cast<SettingsDialog*>(data);
    if (d->showing) return;
    std::string error;
    bool done = gtk_check_button_get_active(button) ? TurnIdleServiceOn(DovelProgram(), &error)
                                                    : TurnIdleServiceOff(&error);
    if (!done) MessageBox(nullptr, error.c_str(), "Idle Service", MB_ICONERROR);
}

void ConnectSignals(SettingsDialog* d) {
    g_signal_connect(DialogObject(*d, "idleService"), "toggled", G_CALLBACK(OnIdleServiceToggled), d);
    for (const SettingRow& row : StoredSettingRows()) {
        GObject* control = DialogObject(*d, row.control);
        switch (row.kind) {
            case SettingKind::kSwitch:
                g_signal_connect(control, "toggled", G_CALLBACK(OnToggled), d);
                break;
            case SettingKind::kNumber:
                g_signal_connect(control, "value-changed", G_CALLBACK(OnValueChanged), d);
                g_signal_connect(control, "changed", G_CALLBACK(OnTextChanged), d);
                break;
            case SettingKind::kChoice:
                g_signal_connect(control, "notify::selected", G_CALLBACK(OnNotify), d);
                break;
            case SettingKind::kColour:
                g_signal_connect(control, "notify::rgba", G_CALLBACK(OnNotify), d);
                break;
            case SettingKind::kFolder:
                g_signal_connect(control, "clicked", G_CALLBACK(OnChooseFolder), d);
                break;
        }
    }
    g_signal_connect(DialogObject(*d, "save"), "clicked", G_CALLBACK(OnSave), d);
    g_signal_connect(DialogObject(*d, "cancel"), "clicked", G_CALLBACK(OnCancel), d);
    g_signal_connect(DialogObject(*d, "defaults"), "clicked", G_CALLBACK(OnDefaults), d);
    g_signal_connect(DialogObject(*d, "website"), "clicked", G_CALLBACK(OnWebsite), d);
    g_signal_connect(DialogObject(*d, "registerXScreenSaver"), "clicked", G_CALLBACK(OnRegister), d);
    g_signal_connect(d->window, "close-request", G_CALLBACK(OnCloseRequest), d);

    GtkEventController* keys = gtk_shortcut_controller_new();
    gtk_shortcut_controller_add_shortcut(
        GTK_SHORTCUT_CONTROLLER(keys),
        gtk_shortcut_new(gtk_keyval_trigger_new(GDK_KEY_Escape, GdkModifierType(0)),
                         gtk_callback_action_new(OnEscape, d, nullptr)));
    gtk_widget_add_controller(GTK_WIDGET(d->window), keys);

    // Return is looked at before the focused control sees it.
    d->returnKeys = gtk_event_controller_key_new();
    gtk_event_controller_set_propagation_phase(d->returnKeys, GTK_PHASE_CAPTURE);
    g_signal_connect(d->returnKeys, "key-pressed", G_CALLBACK(OnKeyPressed), d);
    gtk_widget_add_controller(GTK_WIDGET(d->window), d->returnKeys);
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
    // The number controls take their ranges from the settings table.
    for (const SettingRow& row : StoredSettingRows())
        if (row.kind == SettingKind::kNumber)
            gtk_spin_button_set_range(GTK_SPIN_BUTTON(Widget(*d, row.control)), static_cast<double>(row.low),
                                      static_cast<double>(row.high));
    gtk_accessible_update_property(GTK_ACCESSIBLE(d->window), GTK_ACCESSIBLE_PROPERTY_LABEL, kProgramTitle,
                                   GTK_ACCESSIBLE_PROPERTY_DESCRIPTION,
                                   "Settings of the Dovel screen saver, with a live preview", -1);
    d->sheet.Open(prefsPath);
    d->bgPath = d->sheet.storedPath;
    if (!d->sheet.damagedCopy.empty()) {
        const std::string text = "The preferences file " + prefsPath + " was damaged. It was kept as " +
                                 d->sheet.damagedCopy + "; the window shows the defaults.";
        GtkLabel* notice = GTK_LABEL(DialogObject(*d, "notice"));
        gtk_label_set_text(notice, text.c_str());
        gtk_widget_set_visible(GTK_WIDGET(notice), true);
    }
    alertParent = d->window;
    HostEnvironment env;
    env.prefsPath = prefsPath;
    env.resourcePath = resourcePath;
    AttachPreview(&d->preview, GTK_PICTURE(DialogObject(*d, "preview")), env);
    ConnectSignals(d);
    ShowValues(d, d->sheet.Shown());
    ShowIdleService(d);
    return true;
}

void CloseSettingsDialog(SettingsDialog* d) {
    if (d->builder == nullptr) return;
    if (d->overwriteQuestion != nullptr) gtk_window_destroy(d->overwriteQuestion);
    d->overwriteQuestion = nullptr;
    DetachPreview(&d->preview);
    if (d->folderChooser != nullptr) {
        gtk_native_dialog_destroy(d->folderChooser);
        g_object_unref(d->folderChooser);
        d->folderChooser = nullptr;
    }
    if (d->idleRefresh != 0) g_source_remove(d->idleRefresh);
    d->idleRefresh = 0;
    if (alertParent == d->window) alertParent = nullptr;
    gtk_window_destroy(d->window);
    g_object_unref(d->builder);
    d->builder = nullptr;
    d->window = nullptr;
}

void ShowValues(SettingsDialog* d, const SheetValues& v) {
    d->showing = true;
    for (const SettingRow& row : StoredSettingRows()) ShowControl(d, row, SheetValue(v, row));
    ShowFolder(d);
    d->showing = false;
    UpdateStates(d);
    RestartPreviewWithControls(d);
}

SheetValues ReadValues(const SettingsDialog& d) {
    return ReadControls(d, false);
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
    if (d->overwriteQuestion != nullptr) return;
    if (!d->sheet.ChangedOnDisk()) {
        SaveOverChangedFile(d, true);
        return;
    }
    GtkWidget* question = gtk_message_dialog_new(
        d->window, GtkDialogFlags(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT), GTK_MESSAGE_QUESTION,
        GTK_BUTTONS_NONE, "The preferences were changed elsewhere");
    gtk_message_dialog_format_secondary_text(
        GTK_MESSAGE_DIALOG(question),
        "The preferences file %s was changed since this window opened (another settings window or "
        "program saved it). Saving replaces those changes with the settings in this window.",
        d->sheet.prefsPath.c_str());
    gtk_dialog_add_buttons(GTK_DIALOG(question), "_Keep Editing", GTK_RESPONSE_CANCEL, "_Save Anyway",
                           GTK_RESPONSE_ACCEPT, nullptr);
    gtk_dialog_set_default_response(GTK_DIALOG(question), GTK_RESPONSE_CANCEL);
    d->overwriteQuestion = GTK_WINDOW(question);
    g_signal_connect(question, "response", G_CALLBACK(OnOverwriteAnswer), d);
    gtk_window_present(GTK_WINDOW(question));
}

void SaveOverChangedFile(SettingsDialog* d, bool overwrite) {
    if (!overwrite) return;
    const int64_t oldMinutes = d->sheet.Shown().record.idleMinutes;
    const SheetValues values = ReadValues(*d);
    if (d->sheet.Save(values)) {
        // A running service takes a new idle time when it starts again.
        pid_t pid = 0;
        std::string error;
        if (values.record.idleMinutes != oldMinutes && IdleServiceRuns(&pid))
            RestartIdleService(DovelProgram(), &error);
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

void NameSettingsProgram() {
    g_set_prgname(kProgramName);
    g_set_application_name(kProgramTitle);
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
