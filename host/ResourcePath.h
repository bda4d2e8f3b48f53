// Where the program finds its resource folder: <folder of the executable>/
// ../share/dovel/, so that the build tree runs like an installed copy.
#pragma once

#include <string>

// The resource folder of the running program, ending in "/".
std::string ResourceFolderOfExecutable();

// The resource folder that belongs to an executable at exePath.
std::string ResourceFolderFor(const std::string& exePath);
