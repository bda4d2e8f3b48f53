// Alerts reach the sink the program set; the error hooks show nothing.
#include <gtest/gtest.h>

#include "assets/Alerts.h"
#include "tests/assets/AssetTestSupport.h"

namespace {

TEST(Alerts, MessageBoxReachesTheSinkAndErrorHooksShowNothing) {
    AlertCapture capture;
    MessageBox(nullptr, "Could not read file header", "ERROR", MB_OK | MB_ICONERROR);
    MessageBox(reinterpret_cast<void*>(0x1), nullptr, nullptr);  // null texts are shown empty
    ERRORCLOSE("Unable to allocate memory!");
    ERRORBOX("Not a valid MS3D file!");
    ERRORCLOSE(nullptr);
    EXPECT_EQ(capture.alerts, (std::vector<std::string>{"ERROR|Could not read file header", "|"}));
    EXPECT_EQ(capture.hooks,
              (std::vector<std::string>{"Unable to allocate memory!", "Not a valid MS3D file!", ""}));
}

TEST(Alerts, DefaultSinkWritesTitleAndTextOnStandardError) {
    SetAlertSink(SilentAlertSink);
    testing::internal::CaptureStderr();
    MessageBox(nullptr, "dropped", "SILENT");
    SetAlertSink(nullptr);  // back to the default
    MessageBox(nullptr, "TGA file be type 2 or type 10 ", "Invalid Image");
    ERRORCLOSE("not shown");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Invalid Image: TGA file be type 2 or type 10 \n");
}

}  // namespace
