// The XML run from the unit-setup bytes: the working files it writes, the expansion and its
// limit, and what is left on disk after each failure.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "implode/codec_memory.h"
#include "platform_double.h"
#include "recording_user_interface.h"
#include "test_files.h"
#include "unitxml/unit_xml_run.h"

namespace {

namespace fs = std::filesystem;
using Keys = std::vector<std::string>;

constexpr std::string_view kDocument =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Prj NextID=\"S7\">\n"
    " <Eqpt ID=\"S5\" MdlNm=\"TQ5A\"><Comp ID=\"S6\" MdlNm=\"TQ5A-CPU63\"/></Eqpt>\n</Prj>\n";
constexpr std::string_view kTransformed =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Prj NextID=\"S7\">\n"
    " <Eqpt ID=\"S5\" MdlNm=\"TQ6A\"><Comp ID=\"S6\" MdlNm=\"TQ6A-CPU63\" FlNm=\"KPD_TQ6A-CPU63_Ver1_0.xml\" "
    "MajorVer=\"1\" MinorVer=\"0\"/></Eqpt>\n</Prj>";

std::vector<std::uint8_t> Stream(std::string_view document) {
  const CodecResult packed = ImplodeBytes(document);
  EXPECT_EQ(packed.code, 0u);
  return {packed.bytes.begin(), packed.bytes.end()};
}

class unitxml_TransformUnitXml : public testing::Test {
 protected:
  // Working files named as the round trip names them, in a folder with a Japanese name.
  unitxml_TransformUnitXml() : folder_(testfiles::MakeFolder("作業フォルダ")), base_(folder_ / "temp_project.lqt") {
    platform_.today = platform::LocalDate{2026, 3, 1};
  }
  // The suffix is ASCII; the folder's name must not go through a narrow string (on Windows that
  // is the ANSI code page).
  fs::path File(std::string_view suffix) const { return fs::path(base_) += std::string(suffix); }
  bool Run(std::string_view hex, const std::vector<std::uint8_t>& bytes) {
    return TransformUnitXml(hex, bytes, File(".binText_before"), File(".bin_before"), File(".xml"));
  }

  RecordingUserInterface ui_;
  PlatformDouble platform_;
  const fs::path folder_;
  const fs::path base_;
};

TEST_F(unitxml_TransformUnitXml, WritesEveryWorkingFileAndTheTransformedDocument) {
  const std::vector<std::uint8_t> stream = Stream(kDocument);
  EXPECT_TRUE(Run("00 06 1A ", stream));
  EXPECT_EQ(ui_.MessageKeys(), Keys{});
  EXPECT_EQ(testfiles::Read(File(".binText_before")), "00 06 1A ");
  EXPECT_EQ(testfiles::Read(File(".bin_before")), std::string(stream.begin(), stream.end()));
  EXPECT_EQ(testfiles::Read(File(".xml")), kDocument);
  EXPECT_EQ(testfiles::Read(File(".xml.out.xml")), kTransformed);
  EXPECT_EQ(testfiles::List(folder_), (std::vector<std::string>{"temp_project.lqt.binText_before",
                                                                "temp_project.lqt.bin_before", "temp_project.lqt.xml",
                                                                "temp_project.lqt.xml.out.xml"}));
}

TEST_F(unitxml_TransformUnitXml, BytesThatAreNoStreamEndTheRunBeforeAnyDocument) {
  const std::string notAStream = "<Prj/>";
  EXPECT_FALSE(Run("", std::vector<std::uint8_t>(notAStream.begin(), notAStream.end())));
  EXPECT_EQ(ui_.MessageKeys(), Keys{"MsgZipExtractFail"});
  EXPECT_FALSE(fs::exists(File(".xml.out.xml")));
}

TEST_F(unitxml_TransformUnitXml, StopsPastTheExpansionLimit) {
  const std::vector<std::uint8_t> stream = Stream(kDocument);
  const auto run = [&](std::uint64_t limit) {
    return TransformUnitXml("", stream, File(".binText_before"), File(".bin_before"), File(".xml"), limit);
  };
  EXPECT_FALSE(run(kDocument.size() - 1));
  EXPECT_EQ(ui_.MessageKeys(), Keys{"MsgZipExtractFail"});
  EXPECT_FALSE(fs::exists(File(".xml.out.xml")));
  ui_.Clear();
  EXPECT_TRUE(run(kDocument.size()));  // exactly the limit passes
  EXPECT_EQ(ui_.MessageKeys(), Keys{});
  EXPECT_EQ(testfiles::Read(File(".xml.out.xml")), kTransformed);
}

TEST_F(unitxml_TransformUnitXml, AWorkingFileThatCannotBeWrittenStopsTheRun) {
  const struct {
    PlatformCall call;
    const char* file;
    std::vector<std::string> left;
  } cases[] = {
      {PlatformCall::CreateForWriting, ".binText_before", {}},
      {PlatformCall::Write, ".binText_before", {"temp_project.lqt.binText_before"}},
      {PlatformCall::Close, ".bin_before", {"temp_project.lqt.binText_before", "temp_project.lqt.bin_before"}},
  };
  const std::vector<std::uint8_t> stream = Stream(kDocument);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    ui_.Clear();
    for (const std::string& name : testfiles::List(folder_)) fs::remove(folder_ / name);
    platform_.Heal();
    platform_.Fail(c.call, c.file);
    EXPECT_FALSE(Run("00 ", stream));
    EXPECT_EQ(ui_.MessageKeys(), Keys{"MsgFileCreateFail"});
    EXPECT_EQ(testfiles::List(folder_), c.left);
  }
}

TEST_F(unitxml_TransformUnitXml, ATransformationFailureWritesNoOutput) {
  EXPECT_FALSE(Run("", Stream("<Prj><Eqpt ID=\"S6\"/></Prj>")));
  EXPECT_EQ(ui_.MessageKeys(), Keys{"MsgEqptNodeNotFound"});
  EXPECT_TRUE(fs::exists(File(".xml")));
  EXPECT_FALSE(fs::exists(File(".xml.out.xml")));
}

}  // namespace
