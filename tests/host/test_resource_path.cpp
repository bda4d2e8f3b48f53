// Where an installed or built program looks for its data folder.
#include <gtest/gtest.h>

#include <filesystem>

#include "host/view/ResourcePath.h"
#include "tests/host/HostTestSupport.h"

namespace {

TEST(ResourcePath, ProgramsInBinAndInXScreenSaversFolderFindTheSharedDataOrSayWhereTheyLooked) {
    ScratchFolder scratch;
    const std::string prefix = scratch.path + "/usr", data = prefix + "/share/dovel/";
    std::filesystem::create_directories(data);
    std::filesystem::create_directories(scratch.path + "/elsewhere");
    WriteFileText(scratch.path + "/a-file", "not a folder");
    struct Case {
        const char* name;
        std::string exe, override, folder, errorNames;  // folder "" means not found
    } cases[] = {
        {"bin", prefix + "/bin/dovel", "", data, ""},
        {"xscreensaver hack", prefix + "/libexec/xscreensaver/dovel", "", data, ""},
        {"override wins", prefix + "/bin/dovel", scratch.path + "/elsewhere", scratch.path + "/elsewhere/",
         ""},
        {"override missing", prefix + "/bin/dovel", scratch.path + "/gone", "", scratch.path + "/gone/"},
        {"override is a file", prefix + "/bin/dovel", scratch.path + "/a-file", "",
         scratch.path + "/a-file/"},
        {"no data", scratch.path + "/opt/bin/dovel", "", "", scratch.path + "/opt/share/dovel/"},
        {"no data, hack", scratch.path + "/opt/libexec/xscreensaver/dovel", "", "",
         scratch.path + "/opt/libexec/share/dovel/ and " + scratch.path + "/opt/share/dovel/"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string folder, error;
        bool found = FindResourceFolder(c.exe, c.override, &folder, &error);
        EXPECT_EQ(found, !c.folder.empty()) << error;
        if (found) {
            EXPECT_EQ(folder, c.folder);
        } else {
            EXPECT_NE(error.find(c.errorNames), std::string::npos) << error;
            EXPECT_EQ(error.find('\n'), std::string::npos);
            EXPECT_EQ(c.override.empty(), error.find("named by DOVEL_DATA_DIR") == std::string::npos)
                << error;
        }
    }
}

}  // namespace
