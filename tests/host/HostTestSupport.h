// Shared helpers of the host tests: a scratch folder, files, and views on
// the headless backend driven by a virtual clock.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "host/view/DovelOptions.h"
#include "host/view/DovelSSView.h"
#include "host/headless/HeadlessBackend.h"

// A fresh folder under the temporary folder, removed with everything in it.
struct ScratchFolder {
    ScratchFolder();
    ~ScratchFolder();
    std::string path;
    std::string File(const std::string& name) const { return path + "/" + name; }
};

std::string ReadFileText(const std::string& path);
void WriteFileText(const std::string& path, const std::string& text);
// Names of the entries of folder, sorted.
std::vector<std::string> ListFolder(const std::string& folder);

// The resource folder of the build ($DOVEL_DATA_DIR), ending in "/".
std::string DataFolder();

// A preferences file of version 1.1 with the background kind as given, the
// background colour (0.2, 0.4, 0.6) and the given extra lines (TOML).
std::string PrefsText(int bgType, const std::string& extraLines = "");

// The record a new view reads from the preferences file; *warnings, when
// given, gets what the reading said on standard error.
StoredSettings LoadStoredSettings(const std::string& file, std::string* warnings = nullptr);

// dovel's flags args parsed as its main parses them.
ParseResult ParseFlags(const std::vector<std::string>& args, DovelOptions* o, std::string* error);

// Makes a view of w x h on backend (by default the headless one with the
// given snapshot) and sizes it. Fails the test when it cannot.
std::unique_ptr<DovelSSView> MakeView(const HostEnvironment& env, int w, int h, bool preview = false,
                                      std::shared_ptr<const SnapshotImage> snapshot = nullptr,
                                      std::unique_ptr<ViewBackend> backend = nullptr);

// Every setting of stored in one line, in the order of the settings table:
// MainMonitorOnly NumHearts PicDelay Transparent RandomShades AllowCollisions
// FitScreen ShowCountdown BGType BGPath BGRes heart-colour background-colour,
// a switch as 0 or 1, a colour as r,g,b.
std::string Describe(const StoredSettings& stored);

// A snapshot of w x h with a colour gradient (never all black).
std::shared_ptr<SnapshotImage> GradientSnapshot(int w, int h);
