// Alerts reach the sink the program set; the error hooks show nothing.
#include <gtest/gtest.h>

#include "assets/Alerts.h"
#include "tests/assets/AssetTestSupport.h"

namespace {

TEST(Alerts, MessageBoxHandsTitleAndTextToTheSink) {
    AlertCapture capture;
    MessageBox(nullptr, "Could not read file header", "ERROR", MB_OK | MB_ICONERROR);
    MessageBox(reinterpret_cast<void*>(0x1), nullptr, nullptr);
    ASSERT_EQ(capture.alerts().size(), 2u);
    EXPECT_EQ(capture.alerts()[0].title, "ERROR");
    EXPECT_EQ(capture.alerts()[0].text, "Could not read file header");
    EXPECT_EQ(capture.alerts()[1].title, "");
    EXPECT_EQ(capture.alerts()[1].text, "");
}

TEST(Alerts, ErrorHooksShowNothingButCanBeWatched) {
    AlertCapture capture;
    ERRORCLOSE("Unable to allocate memory!");
    ERRORBOX("Not a valid MS3D file!");
    ERRORCLOSE(nullptr);
    EXPECT_TRUE(capture.alerts().empty());
    EXPECT_EQ(capture.hookMessages(),
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
