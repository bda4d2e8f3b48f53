// Dovel's documentation page and opening it in the user's browser.
#pragma once

#include <string>
#include <sys/types.h>

// The installed manual, <prefix>/share/doc/dovel/manual.html (else the
// README.md it is made from), found beside the resource folder
// <prefix>/share/dovel/. Empty when neither is there.
std::string DocumentationFile(const std::string& resourcePath);

// A file:// address of an absolute path, every byte outside the unreserved
// set and "/" written as %XX.
std::string FileUri(const std::string& path);

// Starts "xdg-open address" through the PATH, without a shell, so the
// address is one argument whatever it holds. *child gets the process to
// reap. False with *error filled when it cannot be started.
bool OpenInBrowser(const std::string& address, pid_t* child, std::string* error);
