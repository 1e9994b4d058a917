// The unit-setup data through its round trip: hex dump, messages of every failure, the files of
// the working directory and the merge at the end.
#include <gtest/gtest.h>

#include <filesystem>

#include "implode/codec_memory.h"
#include "platform_double.h"
#include "project/hex_dump.h"
#include "project/unit_setup_round_trip.h"
#include "recording_user_interface.h"
#include "test_files.h"

namespace {

namespace fs = std::filesystem;
using Keys = std::vector<std::string>;

constexpr const char* kUnitSetup =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
    "<Prj ID=\"S1\" NextID=\"S12\">\r\n"
    "\t<Eqpt ID=\"S5\" MdlNm=\"TQ5A\" PLCIdentify=\"No\">\r\n"
    "\t\t<Comp ID=\"S6\" Name=\"CPU Unit\" MdlNm=\"TQ5A-CPU63\" FlNm=\"old.xml\" MajorVer=\"2\" MinorVer=\"3\"/>\r\n"
    "\t</Eqpt>\r\n"
    "</Prj>\r\n";

std::string HexOf(const std::string& bytes) {
  return FormatHexDump(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

std::string Project(const std::string& unitHex) {
  return "ResourceCount:=1;\r\nPLC:=PLC1\r\nBEGIN\r\n  Config:=\"[DEV]DEV:TQ5A;CPU:CPU63;\";\r\n"
         "  IOTable:=\r\n  BEGIN\r\n    UnitSetup:=\r\n    $?St$Bk?_#[1]\r\n    " + unitHex +
         "\r\n$?St$Bk?_#[1]\r\n    Data:=\r\n    $?St$Bk?_#[2]\r\n    54 51 35 41\r\n$?St$Bk?_#[2]\r\n"
         "  END;\r\nEND;\r\n";
}

class RoundTrip : public testing::Test {
 protected:
  void SetUp() override {
    staged_ = (testfiles::MakeFolder("work") / "temp_project.lqt").string();
    slot_ = std::make_unique<CTQPropertyData>();
    slot_->hexText = HexOf(ImplodeBytes(kUnitSetup).bytes);
    testfiles::Write(staged_, Project(slot_->hexText));
  }
  bool Convert(bool syncMerged = true) {
    return ConvertUnitSetup(slot_, staged_, "54 51 36 41", "", "Config:=\"[DEV]DEV:TQ6A;CPU:CPU63;\";", syncMerged,
                            unitHex_, merged_);
  }

  RecordingUserInterface recorder_;
  std::string staged_;
  std::unique_ptr<CTQPropertyData> slot_;
  std::string unitHex_, merged_;
};

TEST(HexDump, TwoUpperCaseDigitsAndASpacePerByte) {
  const std::uint8_t bytes[] = {0x00, 0x1A, 0xFF, 0xab};
  EXPECT_EQ(FormatHexDump(bytes, 4), "00 1A FF AB ");
  EXPECT_EQ(FormatHexDump(bytes, 0), "");
  const std::string large(5000, '\x5c');
  const std::string dump = HexOf(large);
  EXPECT_EQ(dump.size(), 15000u);
  EXPECT_EQ(dump.substr(0, 6), "5C 5C ");
  EXPECT_EQ(dump.back(), ' ');
  EXPECT_EQ(dump.find('\n'), std::string::npos);
}

TEST(HexDump, FileFailuresShowTheirMessages) {
  RecordingUserInterface recorder;
  const fs::path folder = testfiles::TempFolder();
  EXPECT_FALSE(WriteHexDumpFile((folder / "absent").string(), (folder / "t").string()));
  testfiles::Write(folder / "empty", "");
  EXPECT_FALSE(WriteHexDumpFile((folder / "empty").string(), (folder / "t").string()));
  testfiles::Write(folder / "bin", std::string("\x00\x06", 2));
  {
    PlatformDouble platform;
    platform.Fail(PlatformCall::CreateForWriting, "text");
    EXPECT_FALSE(WriteHexDumpFile((folder / "bin").string(), (folder / "text").string()));
  }
  EXPECT_EQ(recorder.MessageKeys(), (Keys{"MsgReadFail", "MsgFileReadIncomplete", "MsgFileCreateFail"}));
  ASSERT_TRUE(WriteHexDumpFile((folder / "bin").string(), (folder / "text").string()));
  EXPECT_EQ(testfiles::Read(folder / "text"), "00 06 ");
}

TEST_F(RoundTrip, MergesTheTransformedUnitSetupIntoTheProject) {
  ASSERT_TRUE(Convert()) << testing::PrintToString(recorder_.MessageKeys());
  EXPECT_TRUE(recorder_.log().empty());
  EXPECT_EQ(merged_, staged_ + ".merged.lqt");
  const std::string binAfter = testfiles::Read(staged_ + ".bin_after");
  EXPECT_EQ(unitHex_, HexOf(binAfter));
  EXPECT_EQ(testfiles::Read(staged_ + ".binText_after"), unitHex_);
  EXPECT_EQ(testfiles::Read(staged_ + ".binText_before"), slot_->hexText);
  EXPECT_EQ(testfiles::Read(staged_ + ".xml"), kUnitSetup);
  const std::string document = ExplodeBytes(binAfter).bytes;
  EXPECT_EQ(document, testfiles::Read(staged_ + ".xml.out.xml"));
  EXPECT_NE(document.find("FlNm=\"KPD_TQ6A-CPU63_Ver1_0.xml\""), std::string::npos) << document;
  const std::string merged = testfiles::Read(merged_);
  EXPECT_NE(merged.find("Config:=\"[DEV]DEV:TQ6A;CPU:CPU63;\";"), std::string::npos);
  EXPECT_NE(merged.find("$?St$Bk?_#[2]\r\n54 51 36 41\r\n$?St$Bk?_#[2]"), std::string::npos);
  const auto block = merged.find("$?St$Bk?_#[1]\r\n") + 15;
  EXPECT_EQ(merged.substr(block, 12), unitHex_.substr(0, 12));
}

TEST_F(RoundTrip, RefusesAnEmptySlotOrEmptyData) {
  slot_.reset();
  EXPECT_FALSE(Convert());
  slot_ = std::make_unique<CTQPropertyData>();
  EXPECT_FALSE(Convert());
  EXPECT_EQ(recorder_.MessageKeys(), (Keys{"MsgUnitSetupDataNull", "MsgIOTableEmpty"}));
}

TEST_F(RoundTrip, ATransformationFailureShowsOnlyItsMessage) {
  slot_->hexText = HexOf(ImplodeBytes("<Prj><Eqpt ID=\"S6\"/></Prj>").bytes);
  EXPECT_FALSE(Convert());
  EXPECT_EQ(recorder_.MessageKeys(), (Keys{"MsgEqptNodeNotFound"}));
  EXPECT_FALSE(fs::exists(staged_ + ".bin_after"));
  EXPECT_FALSE(fs::exists(staged_ + ".merged.lqt"));
}

TEST_F(RoundTrip, AMergeFailureIsFollowedByMsgMergeFail) {
  testfiles::Write(staged_, "ResourceCount:=1;\r\nPLC:=\r\nBEGIN\r\nEND;\r\n");  // no block to receive the data
  EXPECT_FALSE(Convert());
  EXPECT_EQ(recorder_.MessageKeys(), (Keys{"MsgMergeFail"}));

  recorder_.Clear();
  fs::resize_file(staged_, 209715201);  // one byte over the merge's limit (sparse)
  EXPECT_FALSE(Convert());
  EXPECT_EQ(recorder_.MessageKeys(), (Keys{"MsgFileTooLarge", "MsgMergeFail"}));
}

TEST_F(RoundTrip, AMergedFileThatCannotBeWrittenIsAMergeFailure) {
  PlatformDouble platform;
  platform.Fail(PlatformCall::CreateForWriting, ".merged.lqt");
  EXPECT_FALSE(Convert());
  platform.Heal();
  platform.Fail(PlatformCall::Close, ".merged.lqt");
  EXPECT_FALSE(Convert());
  EXPECT_EQ(recorder_.MessageKeys(), (Keys{"MsgMergeFail", "MsgMergeFail"}));
}

TEST_F(RoundTrip, ACompressedDocumentThatCannotBeClosedIsACompressionFailure) {
  PlatformDouble platform;
  platform.Fail(PlatformCall::Close, ".bin_after");
  EXPECT_FALSE(Convert());
  EXPECT_EQ(recorder_.MessageKeys(), (Keys{"MsgCompressFail"}));
  EXPECT_FALSE(fs::exists(staged_ + ".merged.lqt"));
}

// A merged text that is published by moving it is on the device first; one that is only read
// again to be packed is closed without waiting for the device, and its failed close still fails.
// The other working files are never synced.
TEST_F(RoundTrip, TheMergedFileIsSyncedOnlyWhenItWillBeMoved) {
  PlatformDouble platform;
  int mergedSyncs = 0;
  int otherSyncs = 0;
  platform.onCall = [&](PlatformCall call, const fs::path& path) {
    if (call != PlatformCall::Sync) return;
    ++(path.string().find(".merged.lqt") != std::string::npos ? mergedSyncs : otherSyncs);
  };
  for (const bool sync : {true, false}) {
    mergedSyncs = 0;
    otherSyncs = 0;
    ASSERT_TRUE(Convert(sync));
    EXPECT_EQ(mergedSyncs, sync ? 1 : 0) << sync;
    EXPECT_EQ(otherSyncs, 0) << sync;
    EXPECT_NE(testfiles::Read(merged_).find("54 51 36 41"), std::string::npos);
  }
  platform.Fail(PlatformCall::Close, ".merged.lqt");
  EXPECT_FALSE(Convert(false));
  EXPECT_EQ(recorder_.MessageKeys(), (Keys{"MsgMergeFail"}));
}

}  // namespace
