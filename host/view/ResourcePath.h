// Where the programs find their data folder. An installed program lives in
// <prefix>/bin/ or, as XScreenSaver's hack, in <prefix>/libexec/xscreensaver/;
// its data is <prefix>/share/dovel/. The build tree has the same bin/ and
// share/dovel/ layout, so it runs like an installed copy. The environment
// variable DOVEL_DATA_DIR names another folder and then is the only one used.
#pragma once

#include <string>
#include <vector>

// The folders a program at exePath looks in, in order, each ending in "/":
// dataDirOverride alone when it is not empty, else share/dovel one and two
// levels above the program's folder.
std::vector<std::string> ResourceFolderCandidates(const std::string& exePath,
                                                  const std::string& dataDirOverride);

// The first candidate that is a folder, in *folder. False when none is, with
// a one-line message naming every folder looked in.
bool FindResourceFolder(const std::string& exePath, const std::string& dataDirOverride, std::string* folder,
                        std::string* error);

// FindResourceFolder for the running program (/proc/self/exe, which names
// the real file behind any symbolic link) and $DOVEL_DATA_DIR.
bool LocateResourceFolder(std::string* folder, std::string* error);

// The running program's resource folder, ending in "/": the one
// LocateResourceFolder finds, else its first candidate.
std::string ResourceFolderOfExecutable();

// The resource folder beside the programs' folder of an executable at
// exePath: <its folder>/../share/dovel/ (resolved when it exists).
std::string ResourceFolderFor(const std::string& exePath);
