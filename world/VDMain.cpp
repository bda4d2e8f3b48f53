#include "world/VDMain.h"

#include <cstring>

#include "scene/Settings.h"

bool BuildResourcePath(char* out, const char* folder, const char* name) {
    out[0] = '\0';
    if (folder == nullptr || name == nullptr) return false;
    size_t folderLength = strlen(folder);
    size_t nameLength = strlen(name);
    if (folderLength + nameLength + 1 > static_cast<size_t>(kResourcePathSize)) return false;
    memcpy(out, folder, folderLength);
    memcpy(out + folderLength, name, nameLength + 1);
    return true;
}

bool VDMAIN::Setup(const SETTINGS* settings, const char* folder) {
    // A world is set up once; should it be set up again, whatever the earlier
    // call built goes first and the scene starts over.
    Cleanup();
    arrow = ONEARROW();
    spawnTimer = 0.0f;
    liveHearts = 0;
    arrowsLoosed = 0;
    heartsBurst = 0;
    setupError.clear();
    if (settings == nullptr) return FailSetup("", "no settings");
    RANDOMSHADES = settings->RANDOMSHADES;
    HCR = settings->HCR;
    HCG = settings->HCG;
    HCB = settings->HCB;
    HEARTCOLLISIONS = settings->HEARTCOLLISIONS;
    TRANSPARENTHEARTS = settings->TRANSPARENTHEARTS;
    SETNUMHEARTS = settings->SETNUMHEARTS;
    if (!SetupDovel(folder)) return false;
    return SetupHearts(folder);
}

bool VDMAIN::FailSetup(const std::string& file, const std::string& why) {
    setupError = file.empty() ? why : file + ": " + why;
    return false;
}

void VDMAIN::Draw(double frameTime, double clock) {
    // All motion first, so the collisions see this frame's archer and arrow;
    // the hearts are drawn last, over the opaque archer and arrow.
    MoveDovel(frameTime, clock);
    MoveHearts(frameTime);
    DrawDovel();
    DrawHearts();
}

void VDMAIN::Cleanup() {
    CleanupDovel();
    CleanupHearts();
}
