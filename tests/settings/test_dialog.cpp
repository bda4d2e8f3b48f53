// dovel-settings with real widgets from the shipped DovelSS.ui, driven
// through their signals on an X server of the test's own: the enabling
// rules, saving, cancelling, the keyboard, the folder chooser, the web page
// and the live preview.
#include <gtk/gtk.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <signal.h>
#include <sys/stat.h>
#include <thread>

#include "host/idle/IdleControl.h"
#include "settings/DocumentationPage.h"
#include "settings/SettingsDialog.h"
#include "tests/host/HostTestSupport.h"
#include "tests/host/XTestSupport.h"

namespace {

// The window runs on an Xvfb the tests start themselves, so no DISPLAY is
// needed; GTK opens it once for every test.
struct DisplayEnvironment : ::testing::Environment {
    std::unique_ptr<XServer> server = std::make_unique<XServer>();
    std::string error = "cannot start Xvfb (is the xvfb package installed?)";

    void SetUp() override {
        if (!server->StartXvfb(1280, 800, "/dev/null")) return;
        setenv("DISPLAY", server->name.c_str(), 1);
        unsetenv("WAYLAND_DISPLAY");
        setenv("GDK_BACKEND", "x11", 1);
        setenv("GTK_A11Y", "none", 1);
        setenv("NO_AT_BRIDGE", "1", 1);
        setenv("GSETTINGS_BACKEND", "memory", 1);
        // No session bus: GTK asks for one (its settings portal), and GLib
        // would start dbus-launch and a dbus-daemon that outlive the tests.
        setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/dev/null/no-session-bus", 1);
#if defined(__SANITIZE_ADDRESS__)
        // GTK's own GL lives in a Mesa driver that is unloaded before the leak
        // check, leaving stacks that no suppression can name; under the
        // sanitizers GTK draws without GL. The normal build keeps GTK's GL
        // beside the preview's own context.
        setenv("GDK_DEBUG", "gl-disable", 1);
#endif
        error = gtk_init_check() ? "" : "GTK cannot open display " + server->name;
    }
    void TearDown() override {
        if (error.empty()) gdk_display_close(gdk_display_get_default());
        server.reset();  // stops the X server
    }
};
DisplayEnvironment* const display =
    static_cast<DisplayEnvironment*>(::testing::AddGlobalTestEnvironment(new DisplayEnvironment));

// Environment variables set for one test and put back after it.
struct ScopedEnv {
    std::vector<std::pair<std::string, std::optional<std::string>>> saved;
    void Set(const char* name, const std::string& value) {
        const char* old = getenv(name);
        saved.emplace_back(name, old != nullptr ? std::optional<std::string>(old) : std::nullopt);
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        for (auto it = saved.rbegin(); it != saved.rend(); ++it)
            it->second ? setenv(it->first.c_str(), it->second->c_str(), 1) : unsetenv(it->first.c_str());
    }
};

const char* const kControls[] = {
    "oMainMonitorOnly", "oNumHearts", "oPicDelay",      "oAllowCollisions", "oRandomShades",
    "oTransparent",     "oFitScreen", "oShowCountdown", "oBGType",          "oBGRes",
    "oBGPath",          "oHeartCol",  "oBGCol"};

// What a new view reads from file (the defaults unless it is of version 1.1).
StoredSettings Loaded(const std::string& file) {
    ScreenSaverDefaults store(file);
    StoredSettings loaded;
    LoadSettings(&store, &loaded);
    return loaded;
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    return text.replace(text.find(from), from.size(), to);
}

// Runs the main loop until done() holds or seconds have passed.
bool RunUntil(const std::function<bool()>& done, double seconds) {
    auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        if (!g_main_context_iteration(nullptr, FALSE))
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

struct DialogTest : ::testing::Test {
    ScopedEnv env;
    ScratchFolder scratch;
    std::string prefs = scratch.File("qvDovelSS.toml");
    std::unique_ptr<SettingsDialog> dialog = std::make_unique<SettingsDialog>();

    void SetUp() override { ASSERT_EQ(display->error, ""); }
    void TearDown() override { CloseSettingsDialog(dialog.get()); }

    // Opens a new window on a file holding prefsText (closing any before).
    void Open(const std::string& prefsText) {
        CloseSettingsDialog(dialog.get());
        dialog = std::make_unique<SettingsDialog>();
        WriteFileText(prefs, prefsText);
        std::string error;
        ASSERT_TRUE(
            OpenSettingsDialog(dialog.get(), DataFolder() + "DovelSS.ui", prefs, DataFolder(), &error))
            << error;
    }
    // Shows the window as the program does, once it is on screen.
    void Show() {
        gtk_window_present(dialog->window);
        ASSERT_TRUE(RunUntil([&] { return gtk_widget_get_mapped(GTK_WIDGET(dialog->window)); }, 60.0));
    }
    // A stand-in script for the command name, first on PATH.
    void FakeCommand(const char* name, const std::string& script) {
        WriteFileText(scratch.File(name), script);
        chmod(scratch.File(name).c_str(), 0755);
        env.Set("PATH", scratch.path + ":" + (getenv("PATH") != nullptr ? getenv("PATH") : ""));
    }
    GtkWidget* W(const char* id) { return GTK_WIDGET(DialogObject(*dialog, id)); }
    void Check(const char* id, bool on) { gtk_check_button_set_active(GTK_CHECK_BUTTON(W(id)), on); }
    void Spin(const char* id, int value) { gtk_spin_button_set_value(GTK_SPIN_BUTTON(W(id)), value); }
    void Select(const char* id, int item) { gtk_drop_down_set_selected(GTK_DROP_DOWN(W(id)), item); }
    void Colour(const char* id, float r, float g, float b) {
        GdkRGBA rgba{r, g, b, 1.0f};
        gtk_color_chooser_set_rgba(GTK_COLOR_CHOOSER(W(id)), &rgba);
    }
    void Click(const char* id) { g_signal_emit_by_name(W(id), "clicked"); }
    // Return pressed in the window with the focus on id; true when the
    // window took it (the focused control does not see it).
    bool PressReturn(const char* id) {
        gtk_widget_grab_focus(W(id));
        gboolean taken = FALSE;
        g_signal_emit_by_name(dialog->returnKeys, "key-pressed", GDK_KEY_Return, 0u, GdkModifierType(0),
                              &taken);
        return taken;
    }
    // Escape, as the window's shortcut for it takes it.
    bool PressEscape() {
        GtkShortcutTrigger* escape = gtk_keyval_trigger_new(GDK_KEY_Escape, GdkModifierType(0));
        GListModel* controllers = gtk_widget_observe_controllers(GTK_WIDGET(dialog->window));
        bool found = false;
        for (guint i = 0; i < g_list_model_get_n_items(controllers); ++i) {
            g_autoptr(GObject) controller = G_OBJECT(g_list_model_get_item(controllers, i));
            for (guint j = 0; GTK_IS_SHORTCUT_CONTROLLER(controller) &&
                              j < g_list_model_get_n_items(G_LIST_MODEL(controller));
                 ++j) {
                g_autoptr(GtkShortcut) shortcut =
                    GTK_SHORTCUT(g_list_model_get_item(G_LIST_MODEL(controller), j));
                if (!found && gtk_shortcut_trigger_equal(gtk_shortcut_get_trigger(shortcut), escape))
                    found = gtk_shortcut_action_activate(gtk_shortcut_get_action(shortcut),
                                                         GTK_SHORTCUT_ACTION_EXCLUSIVE,
                                                         GTK_WIDGET(dialog->window), nullptr);
            }
        }
        g_object_unref(controllers);
        g_object_unref(escape);
        return found;
    }
};

TEST_F(DialogTest, TheEnablingRulesFollowTheBackgroundListAndTheRandomShadesBox) {
    Open(Replace(PrefsText(BG_SLIDESHOW), "RandomShades = true", "RandomShades = false"));
    // heart colour, detail, folder, fit, delay, background colour
    const char* const ids[] = {"oHeartCol", "oBGRes", "oBGPath", "oFitScreen", "oPicDelay", "oBGCol"};
    auto enabled = [&] {
        std::string e;
        for (const char* id : ids) e += gtk_widget_get_sensitive(W(id)) ? '1' : '0';
        return e;
    };
    EXPECT_EQ(enabled(), "101111") << "as opened: slideshow, no random shades";
    const struct {
        int kind;
        bool shades;
        const char* want;
    } rules[] = {
        {BG_SNAPSHOT, true, "010000"},  {BG_DESKTOP, true, "000000"},    {BG_SLIDESHOW, true, "001111"},
        {BG_COLOUR, true, "000001"},    {BG_COLOUR, false, "100001"},    {BG_DESKTOP, false, "100000"},
        {BG_SNAPSHOT, false, "110000"}, {BG_SLIDESHOW, false, "101111"},
    };
    for (const auto& r : rules) {
        Select("oBGType", r.kind);
        Check("oRandomShades", r.shades);
        EXPECT_EQ(enabled(), r.want) << "kind " << r.kind << " shades " << r.shades;
    }
}

TEST_F(DialogTest, ReturnSavesExactlyTheChosenValuesTheWholeFolderAndOtherKeys) {
    Open(PrefsText(BG_COLOUR, "Someone = \"else's\"\n"));
    const std::string folder = "/tmp/" + std::string(1100, 'f') + "/";
    Check("oMainMonitorOnly", true);
    Spin("oNumHearts", 321);
    Spin("oPicDelay", 45);
    Check("oAllowCollisions", false);
    Check("oRandomShades", false);
    Check("oTransparent", true);
    Check("oFitScreen", false);
    Check("oShowCountdown", false);
    Select("oBGType", BG_SLIDESHOW);
    Select("oBGRes", 2);
    Colour("oHeartCol", 0.25f, 0.5f, 0.75f);
    Colour("oBGCol", 0.125f, 0.375f, 0.875f);
    SetFolder(dialog.get(), folder);
    EXPECT_NE(
        std::string(gtk_label_get_text(GTK_LABEL(DialogObject(*dialog, "bgPathLabel")))).find("/tmp/ff"),
        std::string::npos);

    // Return, with the focus in a number field.
    Show();
    EXPECT_TRUE(PressReturn("oNumHearts"));
    RunUntil([&] { return dialog->finished; }, 60.0);  // a button pressed by key springs back first
    EXPECT_TRUE(dialog->finished && dialog->saved);
    EXPECT_FALSE(gtk_widget_get_visible(GTK_WIDGET(dialog->window)));
    const std::string cut = folder.substr(0, 1023);
    const std::string want = "1 321 45 1 0 0 0 0 2 " + cut + " 2 0.25,0.5,0.75 0.125,0.375,0.875 10";
    EXPECT_EQ(Describe(Loaded(prefs)), want) << "what the next view uses: the folder cut, the delay as saved";
    ScreenSaverDefaults store(prefs);
    EXPECT_TRUE(store.StringForKey("BGPath") == folder) << "the store keeps the whole path";
    EXPECT_EQ(store.StringForKey("Someone"), "else's");
    EXPECT_EQ(Describe(dialog->sheet.record), want);

    // A file damaged while the window was open is moved aside, and what is
    // saved over it still counts for the next view.
    WriteFileText(prefs, "NumHearts = = 3\n");
    ASSERT_TRUE(dialog->sheet.Save(ReadValues(*dialog)));
    EXPECT_EQ(Describe(Loaded(prefs)), want);
    EXPECT_EQ(ReadFileText(prefs + ".damaged"), "NumHearts = = 3\n");
}

TEST_F(DialogTest, CancelEscapeAndClosingChangeNothingEvenAfterDefaults) {
    // Every value away from its default, so that showing none of them is lost.
    std::string text = PrefsText(BG_DESKTOP, "Someone = 1\n");
    for (const char* key : {"MainMonitorOnly", "Transparent", "RandomShades", "AllowCollisions", "FitScreen",
                            "ShowCountdown"}) {
        const std::string on = std::string(key) + " = true", off = std::string(key) + " = false";
        text = text.find(on) != std::string::npos ? Replace(text, on, off) : Replace(text, off, on);
    }
    text = Replace(Replace(text, "BGRes = 1", "BGRes = 0"), "PicDelay = 20", "PicDelay = 33");
    const struct {
        const char* how;
        bool defaultsFirst;
    } cases[] = {{"cancel", false}, {"escape", true}, {"close", true}, {"cancel", true}};
    for (const auto& c : cases) {
        Open(text);
        Show();
        const std::string shown = Describe(dialog->sheet.record);
        EXPECT_EQ(Describe(ReadValues(*dialog).record), shown) << "the controls show the record";
        Spin("oNumHearts", 5);
        Select("oBGType", BG_COLOUR);
        SetFolder(dialog.get(), "/somewhere/else/");
        if (c.defaultsFirst) {
            Click("defaults");
            SheetValues want = DefaultSheetValues("/somewhere/else/"), got = ReadValues(*dialog);
            EXPECT_EQ(Describe(got.record), Describe(want.record));
            EXPECT_EQ(dialog->bgPath, "/somewhere/else/") << "the defaults leave the folder";
            EXPECT_TRUE(gtk_widget_get_sensitive(W("oBGRes")) && !gtk_widget_get_sensitive(W("oBGCol")));
        }
        const std::string how = c.how;
        if (how == "cancel") {
            Click("cancel");
        } else if (how == "escape") {
            EXPECT_TRUE(PressEscape());
        } else {
            gtk_window_close(dialog->window);
        }
        EXPECT_TRUE(dialog->finished && !dialog->saved) << c.how;
        EXPECT_EQ(ReadFileText(prefs), text) << c.how;
        EXPECT_EQ(Describe(dialog->sheet.record), shown) << c.how;
    }
}

TEST_F(DialogTest, EveryControlHasItsOwnMnemonicAndTheFolderChooserStartsInTheFolder) {
    Open(Replace(PrefsText(BG_SLIDESHOW), "/nonexistent/", scratch.path + "/"));
    std::set<guint> keys;
    std::set<GtkWidget*> reachable;
    GSList* objects = gtk_builder_get_objects(dialog->builder);
    for (GSList* o = objects; o != nullptr; o = o->next) {
        if (GTK_IS_LABEL(o->data) && gtk_label_get_mnemonic_widget(GTK_LABEL(o->data)) != nullptr) {
            EXPECT_TRUE(keys.insert(gtk_label_get_mnemonic_keyval(GTK_LABEL(o->data))).second)
                << gtk_label_get_label(GTK_LABEL(o->data));
            reachable.insert(gtk_label_get_mnemonic_widget(GTK_LABEL(o->data)));
        }
        const char* label = nullptr;
        if (GTK_IS_CHECK_BUTTON(o->data) && gtk_check_button_get_use_underline(GTK_CHECK_BUTTON(o->data)))
            label = gtk_check_button_get_label(GTK_CHECK_BUTTON(o->data));
        if (GTK_IS_BUTTON(o->data) && gtk_button_get_use_underline(GTK_BUTTON(o->data)))
            label = gtk_button_get_label(GTK_BUTTON(o->data));
        if (label == nullptr || std::string(label).find('_') == std::string::npos) continue;
        char key = static_cast<char>(g_ascii_tolower(label[std::string(label).find('_') + 1]));
        EXPECT_TRUE(keys.insert(gdk_unicode_to_keyval(key)).second) << label;
        reachable.insert(GTK_WIDGET(o->data));
    }
    g_slist_free(objects);
    for (const char* id : kControls) EXPECT_EQ(reachable.count(W(id)), 1u) << id;
    EXPECT_EQ(keys.size(), 18u) << "thirteen controls and five buttons";

    Click("oBGPath");
    ASSERT_NE(dialog->folderChooser, nullptr);
    EXPECT_STREQ(gtk_native_dialog_get_title(dialog->folderChooser), "Select Folder To Load Images From");
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog->folderChooser);
    EXPECT_EQ(gtk_file_chooser_get_action(chooser), GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER);
    EXPECT_FALSE(gtk_file_chooser_get_select_multiple(chooser));
    GFile* start = nullptr;
    RunUntil([&] { return (start = gtk_file_chooser_get_current_folder(chooser)) != nullptr; }, 60.0);
    ASSERT_NE(start, nullptr);
    char* startPath = g_file_get_path(start);
    EXPECT_EQ(std::filesystem::path(startPath), std::filesystem::path(scratch.path));
    g_free(startPath);
    g_object_unref(start);
    g_signal_emit_by_name(dialog->folderChooser, "response", GTK_RESPONSE_CANCEL);
    EXPECT_EQ(dialog->folderChooser, nullptr);
    EXPECT_EQ(dialog->bgPath, scratch.path + "/") << "cancelled: the folder stays";
}

// The web page button hands the manual to xdg-open as one argument; the
// XScreenSaver button lists Dovel once in the user's file, as a GL hack.
// Neither closes the window.
TEST_F(DialogTest, TheWebPageAndXScreenSaverButtonsDoTheirWorkAndLeaveTheWindowOpen) {
    EXPECT_EQ(FileUri("/a b/%\xc3\xbc;$(x)"), "file:///a%20b/%25%C3%BC%3B%24%28x%29");
    // The manual is an HTML page whose pictures lie beside it.
    const std::string page = DocumentationFile(DataFolder());
    ASSERT_EQ(std::filesystem::path(page).filename(), "manual.html")
        << "the build makes it beside " << DataFolder();
    const std::string html = ReadFileText(page);
    size_t pictures = 0;
    for (size_t at = html.find("<img src=\""); at != std::string::npos;
         at = html.find("<img src=\"", at + 1)) {
        const size_t from = at + 10;
        const std::string src = html.substr(from, html.find('"', from) - from);
        EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::path(page).parent_path() / src)) << src;
        ++pictures;
    }
    EXPECT_GE(pictures, 2u) << html.substr(0, 400);
    FakeCommand("xdg-open", "#!/bin/sh\nprintf '%s|' \"$@\" > \"$0.args\"\n");
    env.Set("HOME", scratch.path);
    Open(PrefsText(BG_COLOUR));
    Click("website");
    ASSERT_TRUE(RunUntil([&] { return !ReadFileText(scratch.File("xdg-open.args")).empty(); }, 60.0));
    EXPECT_EQ(ReadFileText(scratch.File("xdg-open.args")), FileUri(page) + "|");

    Click("registerXScreenSaver");
    Click("registerXScreenSaver");
    const std::string text = ReadFileText(scratch.File(".xscreensaver"));
    size_t first = text.find("dovel --root");
    ASSERT_NE(first, std::string::npos) << text;
    EXPECT_EQ(text.find("dovel --root", first + 1), std::string::npos) << text;
    size_t line = text.rfind('\n', first);
    EXPECT_NE(text.substr(line + 1, first - line - 1).find("GL:"), std::string::npos) << "a GL hack";
    EXPECT_FALSE(dialog->finished);
}

TEST_F(DialogTest, TheIdleServiceBoxStartsTheServiceWithAnAutostartEntryAndShowsThatItRuns) {
    // No user manager: the autostart entry is the way, and the service's
    // lock lives in a runtime folder of the test's.
    FakeCommand("systemctl", "#!/bin/sh\nexit 1\n");
    mkdir(scratch.File("run").c_str(), 0700);
    env.Set("XDG_CONFIG_HOME", scratch.path);
    env.Set("XDG_RUNTIME_DIR", scratch.File("run"));
    env.Set("DBUS_SESSION_BUS_ADDRESS", "");
    env.Set("HOME", scratch.path);
    Open(PrefsText(BG_COLOUR));
    auto status = [&] { return std::string(gtk_label_get_text(GTK_LABEL(W("idleStatus")))); };
    EXPECT_EQ(status(), "(not running)");
    Check("idleService", true);
    EXPECT_TRUE(RunUntil([&] { return status() == "(running)"; }, 60.0));
    const std::string entry = ReadFileText(scratch.File("autostart/dovel-idle.desktop"));
    EXPECT_NE(entry.find("/dovel -on-idle\n"), std::string::npos) << entry;
    EXPECT_NE(entry.find("Hidden=false\n"), std::string::npos) << entry;
    Check("idleService", false);
    EXPECT_TRUE(RunUntil([&] { return status() == "(not running)"; }, 60.0));
    EXPECT_FALSE(std::filesystem::exists(scratch.File("autostart/dovel-idle.desktop")));
    pid_t pid = 0;
    if (IdleServiceRuns(&pid) && pid > 0) kill(pid, SIGKILL);
}

TEST_F(DialogTest, ALayoutWithoutAControlOrThatIsNoLayoutIsAClearError) {
    std::string ui = ReadFileText(DataFolder() + "DovelSS.ui"), error;
    WriteFileText(scratch.File("lacking.ui"), Replace(ui, "id=\"website\"", "id=\"somethingElse\""));
    WriteFileText(scratch.File("junk.ui"), "<interface><object class=");
    EXPECT_FALSE(OpenSettingsDialog(dialog.get(), scratch.File("lacking.ui"), prefs, DataFolder(), &error));
    EXPECT_NE(error.find("has no website"), std::string::npos) << error;
    EXPECT_FALSE(OpenSettingsDialog(dialog.get(), scratch.File("junk.ui"), prefs, DataFolder(), &error));
    EXPECT_NE(error.find("junk.ui"), std::string::npos) << error;
    EXPECT_EQ(dialog->builder, nullptr);
}

// The share of pixels of the preview within 24 of colour rgb, and of those
// clearly red (the hearts without random shades).
void CountPixels(GdkTexture* texture, int r, int g, int b, double* nearColour, double* red) {
    const int w = gdk_texture_get_width(texture), h = gdk_texture_get_height(texture);
    std::vector<guchar> bgra(static_cast<size_t>(w) * h * 4);
    gdk_texture_download(texture, bgra.data(), static_cast<size_t>(w) * 4);
    int near = 0, reds = 0;
    for (size_t i = 0; i < bgra.size(); i += 4) {
        int pb = bgra[i], pg = bgra[i + 1], pr = bgra[i + 2];
        near += std::abs(pr - r) < 24 && std::abs(pg - g) < 24 && std::abs(pb - b) < 24;
        reds += pr > 80 && pr > 3 * pg && pr > 3 * pb;
    }
    *nearColour = static_cast<double>(near) / (w * h);
    *red = static_cast<double>(reds) / (w * h);
}

TEST_F(DialogTest, ThePreviewDrawsTheSceneWithTheValuesInTheControlsBeforeSaving) {
    Open(PrefsText(BG_DESKTOP));
    Spin("oNumHearts", 1000);
    Check("oRandomShades", false);
    Colour("oHeartCol", 1.0f, 0.0f, 0.0f);
    Select("oBGType", BG_COLOUR);
    Colour("oBGCol", 0.0f, 0.0f, 1.0f);
    Show();
    GtkPicture* picture = GTK_PICTURE(DialogObject(*dialog, "preview"));
    double nearColour = 0.0, red = 0.0;
    auto shows = [&](int r, int g, int b) {
        return [&, r, g, b] {
            auto* texture = GDK_TEXTURE(gtk_picture_get_paintable(picture));
            if (texture == nullptr) return false;
            CountPixels(texture, r, g, b, &nearColour, &red);
            return nearColour > 0.5 && red > 0.002;
        };
    };
    EXPECT_TRUE(RunUntil(shows(0, 0, 255), 60.0)) << nearColour << " blue, " << red << " red hearts";
    EXPECT_FALSE(dialog->preview.failed);
    EXPECT_TRUE(RunUntil(
        [&] {
            return gtk_widget_get_width(GTK_WIDGET(picture)) == 320 &&
                   gtk_widget_get_height(GTK_WIDGET(picture)) == 180;
        },
        60.0))
        << gtk_widget_get_width(GTK_WIDGET(picture)) << "x" << gtk_widget_get_height(GTK_WIDGET(picture));

    int64_t frames = dialog->preview.framesShown;
    Colour("oBGCol", 0.0f, 1.0f, 0.0f);
    EXPECT_TRUE(RunUntil(shows(0, 255, 0), 60.0)) << nearColour << " green, " << red << " red hearts";
    EXPECT_TRUE(RunUntil([&] { return dialog->preview.framesShown > frames + 5; }, 60.0))
        << "it keeps moving";
    EXPECT_EQ(ReadFileText(prefs), PrefsText(BG_DESKTOP)) << "nothing is stored before saving";

    // A number reaches the preview as it is typed, before it is entered.
    gtk_editable_set_text(GTK_EDITABLE(W("oNumHearts")), "7");
    StoredSettings previewed;
    dialog->preview.env.overrides.ApplyTo(&previewed);
    EXPECT_EQ(previewed.settings.SETNUMHEARTS, 7);
}

// Saving untouched keeps what the file holds: no hearts and a delay of two
// hours (the window's ranges are the table's) and a folder whose name is not
// UTF-8 (stored as a file URI); a file without a folder shows and saves the
// pictures folder. Return saves with the focus on a check box, which stays as
// it was, and presses Cancel when Cancel has the focus.
TEST_F(DialogTest, ReturnAnywhereSavesWhatTheFileHoldsUntouched) {
    const std::string text =
        Replace(Replace(Replace(PrefsText(BG_SLIDESHOW), "NumHearts = 40", "NumHearts = 0"), "PicDelay = 20",
                        "PicDelay = 7200"),
                "\"/nonexistent/\"", "\"file:///tmp/caf%E9/\"");
    Open(text);
    const struct {
        const char* id;
        double low, high;
    } ranges[] = {{"oNumHearts", 0, 1000}, {"oPicDelay", 1, 86400}};
    for (const auto& r : ranges) {
        double low = -1, high = -1;
        gtk_spin_button_get_range(GTK_SPIN_BUTTON(W(r.id)), &low, &high);
        EXPECT_TRUE(low == r.low && high == r.high) << r.id << " " << low << ".." << high;
    }
    EXPECT_EQ(dialog->bgPath, "/tmp/caf\xe9/");
    const std::string before = Describe(Loaded(prefs));
    Show();
    EXPECT_FALSE(PressReturn("cancel")) << "the button presses itself";
    EXPECT_FALSE(dialog->finished);
    EXPECT_TRUE(PressReturn("oMainMonitorOnly"));
    EXPECT_TRUE(dialog->saved);
    EXPECT_FALSE(gtk_check_button_get_active(GTK_CHECK_BUTTON(W("oMainMonitorOnly"))));
    EXPECT_EQ(Describe(Loaded(prefs)), before);
    EXPECT_EQ(ScreenSaverDefaults(prefs).StringForKey("BGPath"), "file:///tmp/caf%E9/");

    env.Set("XDG_PICTURES_DIR", "/pictures");
    Open(Replace(text, "BGPath = \"file:///tmp/caf%E9/\"\n", ""));
    EXPECT_EQ(dialog->bgPath, "/pictures/");
    SaveAction(dialog.get());
    EXPECT_EQ(ScreenSaverDefaults(prefs).StringForKey("BGPath"), "/pictures/");
}

// The window says when the file was found damaged (naming the copy kept),
// and asks before saving over a file another window saved meanwhile.
TEST_F(DialogTest, ADamagedFileAndAFileSavedElsewhereAreShownInTheWindow) {
    Open("NumHearts = = 3\n");
    EXPECT_TRUE(gtk_widget_get_visible(W("notice")));
    EXPECT_NE(std::string(gtk_label_get_text(GTK_LABEL(W("notice")))).find(prefs + ".damaged"),
              std::string::npos);

    SettingsSheet second;
    second.Open(prefs);
    SheetValues theirs = second.Shown();
    theirs.record.settings.SETNUMHEARTS = 77;
    ASSERT_TRUE(second.Save(theirs));
    const std::string text = ReadFileText(prefs);
    Spin("oNumHearts", 5);
    for (int answer : {GTK_RESPONSE_CANCEL, GTK_RESPONSE_ACCEPT}) {
        SaveAction(dialog.get());
        ASSERT_NE(dialog->overwriteQuestion, nullptr);
        EXPECT_EQ(ReadFileText(prefs), text);
        gtk_dialog_response(GTK_DIALOG(dialog->overwriteQuestion), answer);
        EXPECT_EQ(dialog->overwriteQuestion, nullptr);
        EXPECT_EQ(dialog->saved, answer == GTK_RESPONSE_ACCEPT);
    }
    EXPECT_EQ(Loaded(prefs).settings.SETNUMHEARTS, 5);

    NameSettingsProgram();
    EXPECT_STREQ(g_get_prgname(), "dovel-settings");
    EXPECT_STREQ(g_get_application_name(), "Dovel Settings");
}

}  // namespace
