// Reading desktop settings files safely, and turning a wallpaper setting
// (a path, "~/..." or a file:// URI, possibly a GNOME slideshow) into the
// path of an existing picture file.
#pragma once

#include <string>

// Settings files and slideshow descriptions above this size are refused.
constexpr size_t kMaxSettingsFileBytes = size_t{1} << 20;

// Reads the regular file at path whole into text. False, without blocking,
// for anything else (a folder, a pipe, a device), a missing or unreadable
// file, or one above kMaxSettingsFileBytes.
bool ReadSettingsFile(const std::string& path, std::string* text);

// Replaces the XML entities &amp; &lt; &gt; &quot; &apos; and &#N; / &#xN;
// (ASCII only); anything else is left as it stands.
std::string DecodeXmlEntities(const std::string& text);

// The text of the first <file> of the first <static> element of a GNOME
// slideshow description (the first <size> inside it when it lists sizes),
// trimmed and with entities decoded; "" when there is none.
std::string FirstSlideshowPicture(const std::string& xml);

// The absolute path a wallpaper setting names: a path beginning with "/", "~"
// or "~/" (the home folder), or a file:// URI (empty host or "localhost")
// with %-escapes. "" for anything else: other URI schemes, relative paths,
// "~user", bad escapes, or a NUL, escaped or not.
std::string PathFromSetting(const std::string& value, const std::string& home);

// The existing regular file a wallpaper setting names; a setting naming a
// slideshow description (".xml") gives its first static picture, one naming
// a wallpaper package folder (contents/images/WIDTHxHEIGHT.ext) its largest
// picture up to 3840 x 2160. "" when the setting names nothing usable.
std::string ExistingPicture(const std::string& value, const std::string& home);
