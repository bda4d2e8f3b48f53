// dovel-xml FILE: writes XScreenSaver's description of Dovel's settings
// (dovel.xml), made from the table of settings, so that it never differs
// from the flags dovel takes.
#include <cstdio>
#include <string>

#include "host/prefs/SettingsTable.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: dovel-xml FILE\n");
        return 2;
    }
    const std::string xml = XScreenSaverSettingsXml();
    FILE* out = std::fopen(argv[1], "wb");
    if (out == nullptr || std::fwrite(xml.data(), 1, xml.size(), out) != xml.size() ||
        std::fclose(out) != 0) {
        std::fprintf(stderr, "dovel-xml: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
