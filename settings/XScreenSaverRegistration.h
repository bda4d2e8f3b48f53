// Registers Dovel with XScreenSaver. The daemon only runs the hacks listed in
// the "programs:" resource of the user's ~/.xscreensaver: a value of many
// lines joined by backslash-newline, one command per "\n"-separated entry,
// each optionally disabled by a leading "-" and given a visual ("GL:").
//
// Registering adds the line "GL: dovel --root" once, as a line of its own at
// the end of the list (the last programs: resource, the one XScreenSaver
// uses), and leaves every other line as it is: no saver changes its place,
// so the one "mode: one" with "selected: N" runs stays the same. A user
// without a ~/.xscreensaver (or without a programs: list in it) gets the
// system's list from XScreenSaver's app-defaults file with Dovel added, so
// their other savers stay. Unregistering right after gives back the file as
// it was, byte for byte, from the backup kept while the registration lasts;
// a file changed since has every dovel entry taken out instead.
#pragma once

#include <string>

// The system's defaults that a new programs: list starts from.
constexpr const char* kXScreenSaverAppDefaults = "/etc/X11/app-defaults/XScreenSaver";

enum class RegistrationChange {
    kAdded,         // a dovel entry was added
    kEnabled,       // a disabled dovel entry was enabled again
    kAlreadyThere,  // an enabled dovel entry was there: nothing changed
    kRemoved,       // every dovel entry was taken out
    kNotThere,      // no dovel entry: nothing changed
    kRestored,      // the file is back as it was before registering
};

// The contents of ~/.xscreensaver with Dovel registered. userText is the
// file's contents ("" when it does not exist), systemText that of the
// app-defaults file ("" when it does not exist).
std::string AddDovelToXScreenSaver(const std::string& userText, const std::string& systemText,
                                   RegistrationChange* change);

// The contents with every dovel entry taken out. False (with a reason) when
// an entry shares its line with other commands and cannot be taken out
// without rewriting the user's lines.
bool RemoveDovelFromXScreenSaver(const std::string& userText, const std::string& systemText,
                                 std::string* result, RegistrationChange* change, std::string* error);

struct XScreenSaverFiles {
    std::string home;  // the folder holding .xscreensaver
    std::string appDefaults = kXScreenSaverAppDefaults;

    std::string UserFile() const { return home + "/.xscreensaver"; }
    std::string BackupFile() const { return home + "/.xscreensaver.dovel-backup"; }
};

// Register or unregister in the files: registering keeps the previous
// ~/.xscreensaver in the backup file until unregistering restores it or
// finds it out of date, and removes it then. The new file is written to a
// temporary file and renamed over the old (a symbolic link, even one to a
// file yet to be made, is followed, so the link stays). A read-only file, a
// FIFO or a device is refused and left as it is. A file Dovel made and
// unregistering leaves empty is removed. *message says what happened.
bool RegisterWithXScreenSaver(const XScreenSaverFiles& files, std::string* message, std::string* error);
bool UnregisterFromXScreenSaver(const XScreenSaverFiles& files, std::string* message, std::string* error);

// The command-line entry: "--register-xscreensaver" or
// "--unregister-xscreensaver" for the user in $HOME. Prints what happened
// and returns the exit status: 0 done, 1 failed, 2 an unknown flag.
int RunRegistrationCommand(const std::string& flag);
