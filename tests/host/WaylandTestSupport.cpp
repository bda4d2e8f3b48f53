#include "tests/host/WaylandTestSupport.h"

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "tests/host/HostTestSupport.h"

namespace fs = std::filesystem;

namespace {

constexpr char kTestUser[] = "dovel-wltest";
constexpr double kStartLimit = 30.0;

bool ReadPng(const std::string& path, WindowPixels* out) {
    GdkPixbuf* image = gdk_pixbuf_new_from_file(path.c_str(), nullptr);
    if (image == nullptr) return false;
    const int w = gdk_pixbuf_get_width(image), h = gdk_pixbuf_get_height(image);
    const int stride = gdk_pixbuf_get_rowstride(image), channels = gdk_pixbuf_get_n_channels(image);
    const guchar* pixels = gdk_pixbuf_read_pixels(image);
    out->width = w;
    out->height = h;
    out->rgb.clear();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const guchar* p = pixels + static_cast<size_t>(y) * stride + static_cast<size_t>(x) * channels;
            out->rgb.push_back(static_cast<uint32_t>(p[0]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[2]);
        }
    g_object_unref(image);
    return true;
}

// The unprivileged user that runs sway and its clients, made when missing.
bool TestUser(uid_t* uid, gid_t* gid) {
    const passwd* user = getpwnam(kTestUser);
    if (user == nullptr) {
        ChildProcess add;
        int status = -1;
        if (!add.Start({"useradd", "--system", "--no-create-home", "--shell", "/usr/sbin/nologin", kTestUser},
                       {}, "/dev/null") ||
            !add.WaitExit(30.0, &status))
            return false;
        user = getpwnam(kTestUser);
    }
    if (user == nullptr) return false;
    *uid = user->pw_uid;
    *gid = user->pw_gid;
    return true;
}

}  // namespace

WindowPixels Columns(const WindowPixels& pixels, int x, int width) {
    WindowPixels part;
    part.width = width;
    part.height = pixels.height;
    for (int row = 0; row < pixels.height; ++row)
        for (int col = x; col < x + width && col < pixels.width; ++col)
            part.rgb.push_back(pixels.rgb[static_cast<size_t>(row) * pixels.width + col]);
    return part;
}

Compositor::~Compositor() {
    if (process.pid <= 0) return;
    // dbus-run-session's children (the bus and mutter) outlive a killed
    // dbus-run-session, so they go first.
    const std::string pid = std::to_string(process.pid);
    std::string children = ReadFileText("/proc/" + pid + "/task/" + pid + "/children");
    for (size_t at = 0; at < children.size();) {
        const size_t end = std::min(children.find(' ', at), children.size());
        const std::string child = children.substr(at, end - at);
        if (!child.empty()) kill(static_cast<pid_t>(std::stol(child)), SIGKILL);
        at = end + 1;
    }
}

bool Compositor::WaitForSocket(const std::string& name) {
    return WaitFor(kStartLimit, [&] {
        if (!name.empty()) return fs::exists(runtimeDir + "/" + name);
        for (const std::string& entry : ListFolder(runtimeDir))
            if (entry.rfind("wayland-", 0) == 0 && entry.find('.') == std::string::npos) {
                socket = entry;
                return true;
            }
        return false;
    });
}

bool Compositor::StartWeston(const std::string& where, int width, int height, int scale) {
    folder = where;
    runtimeDir = folder + "/runtime";
    socket = "wl-dovel-test";
    if (mkdir(runtimeDir.c_str(), 0700) != 0) return false;
    if (!process.Start({"weston", "--backend=headless-backend.so", "--use-pixman", "--socket=" + socket,
                        "--width=" + std::to_string(width), "--height=" + std::to_string(height),
                        "--scale=" + std::to_string(scale), "--idle-time=0", "--debug", "--no-config"},
                       {"XDG_RUNTIME_DIR=" + runtimeDir}, folder + "/weston.log"))
        return false;
    return WaitForSocket(socket);
}

bool Compositor::StartSway(const std::string& where, int width, int height, const std::string& config) {
    folder = where;
    sway = true;
    runtimeDir = folder + "/runtime";
    if (mkdir(runtimeDir.c_str(), 0700) != 0) return false;
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    WriteFileText(folder + "/sway.cfg", "xwayland disable\noutput HEADLESS-1 resolution " + size +
                                            " position 0,0\noutput HEADLESS-2 resolution " + size +
                                            " position " + std::to_string(width) + ",0\n" + config);
    if (geteuid() == 0) {
        // sway will not run as root: the folder goes to a user of the test's own.
        uid_t uid = 0;
        gid_t gid = 0;
        if (!TestUser(&uid, &gid)) return false;
        for (const auto& entry : fs::recursive_directory_iterator(folder))
            if (chown(entry.path().c_str(), uid, gid) != 0) return false;
        if (chown(folder.c_str(), uid, gid) != 0) return false;
        asUser = {"setpriv", "--reuid=" + std::to_string(uid), "--regid=" + std::to_string(gid),
                  "--clear-groups", "--"};
    }
    std::vector<std::string> command = asUser;
    command.insert(command.end(), {"sway", "-c", folder + "/sway.cfg"});
    if (!process.Start(command,
                       {"XDG_RUNTIME_DIR=" + runtimeDir, "WLR_BACKENDS=headless", "WLR_RENDERER=pixman",
                        "WLR_HEADLESS_OUTPUTS=2", "WLR_LIBINPUT_NO_DEVICES=1", "HOME=" + folder},
                       folder + "/sway.log"))
        return false;
    return WaitForSocket("");
}

bool Compositor::StartMutter(const std::string& where, int width, int height) {
    folder = where;
    runtimeDir = folder + "/runtime";
    if (mkdir(runtimeDir.c_str(), 0700) != 0) return false;
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    if (!process.Start({"dbus-run-session", "--", "mutter", "--headless", "--wayland", "--no-x11",
                        "--virtual-monitor", size, "--virtual-monitor", size},
                       {"XDG_RUNTIME_DIR=" + runtimeDir, "HOME=" + folder}, folder + "/mutter.log"))
        return false;
    return WaitForSocket("");
}

std::vector<std::string> Compositor::ClientEnv() const {
    return {"XDG_RUNTIME_DIR=" + runtimeDir, "WAYLAND_DISPLAY=" + socket, "DISPLAY="};
}

bool Compositor::StartClient(ChildProcess* child, std::vector<std::string> args, std::vector<std::string> env,
                             const std::string& outputFile) const {
    args.insert(args.begin(), asUser.begin(), asUser.end());
    for (const std::string& e : ClientEnv()) env.push_back(e);
    return child->Start(args, env, outputFile);
}

bool Compositor::RunClient(const std::vector<std::string>& args, const std::string& outputFile) const {
    ChildProcess child;
    int status = -1;
    return StartClient(&child, args, {}, outputFile) && child.WaitExit(30.0, &status) && status == 0;
}

bool Compositor::Screenshot(WindowPixels* out) const {
    const std::string shots = folder + "/shots";
    std::error_code ignored;
    fs::remove_all(shots, ignored);
    fs::create_directory(shots, ignored);
    if (sway) {
        if (!asUser.empty() && chown(shots.c_str(), static_cast<uid_t>(std::stoul(asUser[1].substr(8))),
                                     static_cast<gid_t>(std::stoul(asUser[2].substr(8)))) != 0)
            return false;
        if (!RunClient({"grim", shots + "/shot.png"}, folder + "/grim.log")) return false;
    } else if (!RunClient({"sh", "-c", "cd \"$0\" && exec weston-screenshooter", shots},
                          folder + "/screenshooter.log")) {
        return false;
    }
    for (const std::string& name : ListFolder(shots))
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".png") == 0)
            return ReadPng(shots + "/" + name, out);
    return false;
}
