#include <gtest/gtest.h>

#include "app/message_catalog.h"
#include "app/user_interface.h"
#include "recording_user_interface.h"

namespace {

TEST(UserInterfaceSeam, CatalogMessagesCarryKeyTextAndIcon) {
  RecordingUserInterface recorder;
  ShowCatalogMessage("MsgStdException", "out of range");
  ShowCatalogMessage("MsgStdException");
  ShowMessageBox("MsgPathTooLong", MessageIcon::Warning);
  CurrentLanguage() = "JP";
  ShowCatalogMessage("MsgCastFinalCompFail", "ignored");
  const auto& log = recorder.log();
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[0].text, "Standard exception: out of range");
  EXPECT_EQ(log[0].icon, MessageIcon::Information);
  EXPECT_EQ(log[1].text, "Standard exception: %s");
  EXPECT_EQ(log[2].key, "MsgPathTooLong");
  EXPECT_EQ(log[2].text, "Path is too long.");
  EXPECT_EQ(log[2].icon, MessageIcon::Warning);
  EXPECT_EQ(log[3].text, "MsgCastFinalCompFail");
}

TEST(UserInterfaceSeam, ScopesNestAndRestore) {
  RecordingUserInterface outer;
  {
    RecordingUserInterface inner;
    ShowCatalogMessage("MsgReadFail");
    EXPECT_EQ(inner.MessageKeys(), std::vector<std::string>{"MsgReadFail"});
  }
  ShowCatalogMessage("MsgMemFail");
  EXPECT_EQ(outer.MessageKeys(), std::vector<std::string>{"MsgMemFail"});
}

TEST(UserInterfaceSeam, WithoutOneMessagesGoToStandardError) {
  testing::internal::CaptureStderr();
  ShowCatalogMessage("MsgReadFail");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "MsgReadFail: Failed to read file.\n");
}

}  // namespace
