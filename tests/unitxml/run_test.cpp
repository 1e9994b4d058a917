// The run of the four steps on files: what it writes, where it stops, and the exceptions it ends.
#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <string>

#include "failing_allocations.h"
#include "platform_double.h"
#include "recording_user_interface.h"
#include "test_files.h"
#include "unitxml/unit_xml_transformer.h"

namespace {

namespace fs = std::filesystem;
using Keys = std::vector<std::string>;

class unitxml_Run : public testing::Test {
 protected:
  unitxml_Run() : input_(testfiles::TempFolder() / "unit.xml"), output_(testfiles::TempFolder() / "unit.xml.out.xml") {
    platform_.today = platform::LocalDate{2026, 3, 1};
  }
  RecordingUserInterface ui_;
  PlatformDouble platform_;
  UnitXmlTransformer transformer_;
  const fs::path input_;
  const fs::path output_;
};

TEST_F(unitxml_Run, WritesTheTransformedDocument) {
  testfiles::Write(input_, "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Prj NextID=\"S9\">\r\n"
                           "\t<Eqpt ID=\"S5\" MdlNm=\"TQ5A\"><Comp ID=\"S6\" MdlNm=\"TQ5A-CPU60\"/></Eqpt>\r\n</Prj>\r\n");
  EXPECT_TRUE(transformer_.Run(input_, output_));
  EXPECT_EQ(testfiles::Read(output_),
            "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?><Prj NextID=\"S9\">\n"
            "\t<Eqpt ID=\"S5\" MdlNm=\"TQ6A\"><Comp ID=\"S6\" MdlNm=\"TQ6A-CPU60\" FlNm=\"KPD_TQ6A-CPU60_Ver1_0.xml\" "
            "MajorVer=\"1\" MinorVer=\"0\"/></Eqpt>\n</Prj>");
  EXPECT_EQ(ui_.MessageKeys(), Keys{});
}

std::string Utf16(std::u16string_view text, bool bigEndian) {
  std::string bytes;
  for (const char16_t unit : text) {
    const char high = static_cast<char>(unit >> 8);
    const char low = static_cast<char>(unit & 0xFF);
    bytes += bigEndian ? high : low;
    bytes += bigEndian ? low : high;
  }
  return bytes;
}

TEST_F(unitxml_Run, TheOutputKeepsTheEncodingOfTheInput) {
  const struct {
    const char* name;
    std::string in;
    std::string out;
  } cases[] = {
      {"utf-8 with bom", "\xEF\xBB\xBF<Prj><E ID=\"S5\" M=\"TQ5A\">\xE8\xA8\xAD\xE5\xAE\x9A</E></Prj>",
       "\xEF\xBB\xBF<Prj NextID=\"S6\"><E ID=\"S5\" M=\"TQ6A\">\xE8\xA8\xAD\xE5\xAE\x9A</E></Prj>"},
      {"utf-16le", Utf16(u"\uFEFF<Prj><E ID=\"S5\" M=\"TQ5A\">\u8A2D\u5B9A</E></Prj>", false),
       Utf16(u"\uFEFF<Prj NextID=\"S6\"><E ID=\"S5\" M=\"TQ6A\">\u8A2D\u5B9A</E></Prj>", false)},
      {"utf-16be", Utf16(u"\uFEFF<Prj><E ID=\"S5\" M=\"TQ5A\">\u8A2D\u5B9A</E></Prj>", true),
       Utf16(u"\uFEFF<Prj NextID=\"S6\"><E ID=\"S5\" M=\"TQ6A\">\u8A2D\u5B9A</E></Prj>", true)},
      // "設定" and "ソ" in Shift_JIS; the second byte of "ソ" is a backslash.
      {"shift_jis",
       "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><Prj><E ID=\"S5\" M=\"TQ5A\x83\x5C\">\x90\xDD\x92\xE8</E></Prj>",
       "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><Prj NextID=\"S6\"><E ID=\"S5\" M=\"TQ6A\x83\x5C\">"
       "\x90\xDD\x92\xE8</E></Prj>"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    testfiles::Write(input_, c.in);
    EXPECT_TRUE(transformer_.Run(input_, output_));
    EXPECT_EQ(testfiles::Read(output_), c.out);
  }
  EXPECT_EQ(ui_.MessageKeys(), Keys{});
}

TEST_F(unitxml_Run, StopsAtTheFirstFailingStepWithItsMessageOnly) {
  const struct {
    const char* xml;
    const char* key;
  } cases[] = {
      {"<Prj><Eqpt ID=\"S5\"></Prj>", "MsgXmlParseFail"},
      {"<Prj><Eqpt ID=\"S6\"/></Prj>", "MsgEqptNodeNotFound"},
      {"<prj><Eqpt ID=\"S5\"/></prj>", "MsgXmlRootTagInvalid"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.xml);
    ui_.Clear();
    testfiles::Write(input_, c.xml);
    EXPECT_FALSE(transformer_.Run(input_, output_));
    EXPECT_EQ(ui_.MessageKeys(), Keys{c.key});
    EXPECT_FALSE(fs::exists(output_));
  }
}

TEST_F(unitxml_Run, AStandardExceptionEndsTheRunWithItsText) {
  testfiles::Write(input_, "<Prj><Eqpt ID=\"S5\"/></Prj>");
  platform_.Fail(PlatformCall::Read, "unit.xml");
  EXPECT_FALSE(transformer_.Run(input_, output_));
  EXPECT_EQ(ui_.MessageKeys(), Keys{"MsgStdException"});
  EXPECT_EQ(ui_.log()[0].text, "Standard exception: injected read failure");
  EXPECT_FALSE(fs::exists(output_));
}

TEST_F(unitxml_Run, ExceptionsReleaseTheDocument) {
  // The document is loaded when the network unit's date stamp fails; the user's answer throws.
  testfiles::Write(input_, "<Prj><Eqpt ID=\"S5\"><Comp Name=\"Component\" MdlNm=\"TQ5A-NTX40\"/></Eqpt></Prj>");
  platform_.Fail(PlatformCall::Today);
  const struct {
    std::function<void()> raise;
    Keys keys;
    const char* text;
  } cases[] = {
      {[] { throw std::runtime_error("out of words"); }, {"MsgLocalTimeFail", "MsgStdException"},
       "Standard exception: out of words"},
      {[] { throw 42; }, {"MsgLocalTimeFail", "MsgUnknownException"}, "Unknown exception occurred."},
  };
  for (const auto& c : cases) {
    ui_.Clear();
    ui_.onMessage = [&c](const std::string& key) {
      if (key == "MsgLocalTimeFail") c.raise();
    };
    EXPECT_FALSE(transformer_.Run(input_, output_));
    EXPECT_EQ(ui_.MessageKeys(), c.keys);
    EXPECT_EQ(ui_.log().back().text, c.text);
    EXPECT_FALSE(transformer_.document);
    EXPECT_FALSE(transformer_.eqptNode);
    EXPECT_FALSE(fs::exists(output_));
  }
}

TEST_F(unitxml_Run, NoFailedAllocationEndsInAHalfTransformedOutput) {
  // The CPU type is long enough that its definition-file name needs memory of its own.
  testfiles::Write(input_, "<Prj NextID=\"S9\"><Eqpt ID=\"S5\" MdlNm=\"TQ5A\"><CommIF IFNumber=\"Z_000001\"/>"
                           "<CommIF IFNumber=\"Z_000009\"/><Comp ID=\"S6\" Name=\"Component\" MdlNm=\"TQ5A-NTX40\"/>"
                           "<Comp ID=\"S7\" MdlNm=\"TQ5A-CPU" + std::string(100000, '6') +
                               "\">TQ5A</Comp><Comp ID=\"S7\"/></Eqpt></Prj>");
  int allocations = 0;
  {
    const FailingAllocations none(-1);
    ASSERT_TRUE(transformer_.Run(input_, output_));
    allocations = FailingAllocations::count();
  }
  const std::string expected = testfiles::Read(output_);
  std::set<std::string> keys;
  for (int failAt = 0; failAt < allocations; ++failAt) {
    SCOPED_TRACE(failAt);
    fs::remove(output_);
    ui_.Clear();
    bool done = false;
    {
      const FailingAllocations failing(failAt);
      done = transformer_.Run(input_, output_);
    }
    if (done) {
      EXPECT_EQ(testfiles::Read(output_), expected);
      EXPECT_EQ(ui_.MessageKeys(), Keys{});
    } else {
      ASSERT_EQ(ui_.MessageKeys().size(), 1u);
      keys.insert(ui_.MessageKeys()[0]);
      EXPECT_FALSE(fs::exists(output_));
    }
  }
  // The load, the template's parse and copy, and the rules' writes were each made to fail.
  EXPECT_EQ(keys, (std::set<std::string>{"MsgXmlParseFail", "MsgReplaceXmlParseFail", "MsgReplaceNodeFail",
                                         "MsgStdException"}));
}

TEST_F(unitxml_Run, WithoutADateThePlaceholdersReachTheOutput) {
  testfiles::Write(input_, "<Prj><Eqpt ID=\"S5\"><Comp Name=\"Component\" MdlNm=\"TQ5A-NTX40\"/></Eqpt></Prj>");
  platform_.Fail(PlatformCall::Today);
  EXPECT_TRUE(transformer_.Run(input_, output_));
  EXPECT_EQ(ui_.MessageKeys(), Keys{"MsgLocalTimeFail"});
  EXPECT_NE(testfiles::Read(output_).find("<Comp ID=\"S28\" CtDt=\"XXXX-XX-XX\" ModDt=\"XXXX-XX-XX\""), std::string::npos);
}

}  // namespace
