// Loading, the equipment search, the root check and saving, with the messages they show and the
// files they leave.
#include <gtest/gtest.h>

#include <string>

#include "inline_document.h"
#include "platform_double.h"
#include "recording_user_interface.h"
#include "test_files.h"

namespace {

namespace fs = std::filesystem;
using Keys = std::vector<std::string>;

TEST(unitxml_EqptSearch, TakesTheFirstElementWithIdS5WhateverItsName) {
  const struct {
    const char* xml;
    const char* found;  // the "n" of the element found, or nullptr
  } cases[] = {
      {"<Prj><Anything ID=\"S5\" n=\"1\"/></Prj>", "1"},
      {"<Prj ID=\"S5\" n=\"root\"/>", "root"},
      {"<Prj><A><B ID=\"S5\" n=\"1\"/></A><C ID=\"S5\" n=\"2\"/></Prj>", "1"},
      {"<Prj><A ID=\"S5\" n=\"1\"><B ID=\"S5\" n=\"2\"/></A></Prj>", "1"},
      {"<Prj><A ID=\"S55\"/><B Id=\"S5\"/><C id=\"S5\"/><D ID=\"S5\" n=\"4\"/></Prj>", "4"},
      {"<Prj><A ID=\"s5\"/></Prj>", nullptr},
      {"<Prj><A ID=\" S5\"/></Prj>", nullptr},
      {"<Prj><A ID=\"S5 \"/></Prj>", nullptr},
      {"<Prj><!--<A ID=\"S5\"/>--><![CDATA[<A ID=\"S5\"/>]]></Prj>", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.xml);
    const std::optional<ParsedXml> parsed = ParseXml(c.xml);
    ASSERT_TRUE(parsed);
    const pugi::xml_node found = UnitXmlTransformer::FindEqptNode(*parsed->document);
    if (c.found) {
      EXPECT_EQ(AttributeValue(found, "n"), c.found);
    } else {
      EXPECT_FALSE(found);
    }
  }
}

class unitxml_DocumentService : public testing::Test {
 protected:
  fs::path Document(std::string_view name, std::string_view bytes) {
    const fs::path path = testfiles::TempFolder() / platform::PathFromUtf8(name);
    testfiles::Write(path, bytes);
    return path;
  }
  RecordingUserInterface ui_;
  UnitXmlTransformer transformer_;
};

TEST_F(unitxml_DocumentService, LoadsAndFindsTheEquipmentElement) {
  const fs::path path = Document("unit.xml", "<Prj NextID=\"S9\"><Eqpt ID=\"S5\" PLCIdentify=\"Yes\"/></Prj>");
  EXPECT_TRUE(transformer_.LoadDocument(path));
  ASSERT_TRUE(transformer_.document);
  EXPECT_EQ(std::string(transformer_.eqptNode.name()), "Eqpt");
  EXPECT_TRUE(transformer_.CheckRoot());
  EXPECT_EQ(ui_.MessageKeys(), Keys{});
}

TEST_F(unitxml_DocumentService, SearchesForTheEquipmentBeforeTheRootIsChecked) {
  const fs::path path = Document("unit.xml", "<prj><Eqpt ID=\"S6\"/></prj>");
  EXPECT_FALSE(transformer_.LoadDocument(path));
  EXPECT_EQ(ui_.MessageKeys(), Keys{"MsgEqptNodeNotFound"});
  EXPECT_EQ(ui_.log()[0].text, "<Eqpt ID=\"S5\"> not found in document.");
  EXPECT_FALSE(transformer_.document);
  EXPECT_FALSE(transformer_.eqptNode);
}

TEST_F(unitxml_DocumentService, RootMustBePrjInExactlyThatCase) {
  const struct {
    const char* xml;
    bool accepted;
  } cases[] = {
      {"<Prj><E ID=\"S5\"/></Prj>", true},
      {"<prj><E ID=\"S5\"/></prj>", false},
      {"<PRJ><E ID=\"S5\"/></PRJ>", false},
      {"<Prj2><E ID=\"S5\"/></Prj2>", false},
      {"<x:Prj xmlns:x=\"urn:x\"><E ID=\"S5\"/></x:Prj>", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.xml);
    ui_.Clear();
    ASSERT_TRUE(transformer_.LoadDocument(Document("unit.xml", c.xml)));
    EXPECT_EQ(transformer_.CheckRoot(), c.accepted);
    EXPECT_EQ(ui_.MessageKeys(), c.accepted ? Keys{} : Keys{"MsgXmlRootTagInvalid"});
  }
}

TEST_F(unitxml_DocumentService, CheckRootWithoutADocument) {
  EXPECT_FALSE(transformer_.CheckRoot());
  EXPECT_EQ(ui_.MessageKeys(), Keys{"MsgXmlDocNull"});
}

TEST_F(unitxml_DocumentService, MalformedOrMissingFileShowsItsPath) {
  const fs::path malformed = Document("broken unit.xml", "<Prj><Eqpt ID=\"S5\"></Prj>");
  const fs::path missing = testfiles::TempFolder() / "missing.xml";
  EXPECT_FALSE(transformer_.LoadDocument(malformed));
  EXPECT_FALSE(transformer_.LoadDocument(missing));
  ASSERT_EQ(ui_.MessageKeys(), (Keys{"MsgXmlParseFail", "MsgXmlParseFail"}));
  EXPECT_EQ(ui_.log()[0].text, "Failed to parse XML file: " + malformed.string());
  EXPECT_EQ(ui_.log()[1].text, "Failed to parse XML file: " + missing.string());
  EXPECT_FALSE(transformer_.document);
}

TEST_F(unitxml_DocumentService, AFailedLoadReleasesTheEarlierDocument) {
  ASSERT_TRUE(transformer_.LoadDocument(Document("good.xml", "<Prj><E ID=\"S5\"/></Prj>")));
  EXPECT_FALSE(transformer_.LoadDocument(Document("bad.xml", "<Prj>")));
  EXPECT_FALSE(transformer_.document);
  EXPECT_FALSE(transformer_.eqptNode);
}

TEST_F(unitxml_DocumentService, SavesTheWholeDocumentUnderAJapanesePath) {
  const fs::path folder = testfiles::MakeFolder("ユニット設定");
  const std::string input = "<?xml version=\"1.0\"?>\n<Prj>\n <Eqpt ID=\"S5\" Cmt=\"設定\"/>\n</Prj>";
  const fs::path in = folder / platform::PathFromUtf8("入力.xml");
  const fs::path out = folder / platform::PathFromUtf8("入力.xml.out.xml");
  testfiles::Write(in, input);
  ASSERT_TRUE(transformer_.LoadDocument(in));
  EXPECT_TRUE(transformer_.SaveDocument(out));
  // Whitespace outside the root is the one thing that may change.
  EXPECT_EQ(testfiles::Read(out), "<?xml version=\"1.0\"?><Prj>\n <Eqpt ID=\"S5\" Cmt=\"設定\"/>\n</Prj>");
  EXPECT_EQ(ui_.MessageKeys(), Keys{});
}

TEST_F(unitxml_DocumentService, SavesInTheEncodingItCameIn) {
  std::string utf16 = "\xFF\xFE";
  for (const char c : std::string_view("<Prj><E ID=\"S5\"/></Prj>")) {
    utf16 += c;
    utf16 += '\0';
  }
  ASSERT_TRUE(transformer_.LoadDocument(Document("in.xml", utf16)));
  const fs::path out = testfiles::TempFolder() / "out.xml";
  ASSERT_TRUE(transformer_.SaveDocument(out));
  EXPECT_EQ(testfiles::Read(out), utf16);
}

TEST_F(unitxml_DocumentService, SaveWithoutADocument) {
  const fs::path out = testfiles::TempFolder() / "out.xml";
  EXPECT_FALSE(transformer_.SaveDocument(out));
  EXPECT_EQ(ui_.MessageKeys(), Keys{"MsgXmlSerializeNullDoc"});
  EXPECT_FALSE(fs::exists(out));
}

TEST_F(unitxml_DocumentService, AFailedSaveLeavesNoFile) {
  for (const PlatformCall call : {PlatformCall::CreateForWriting, PlatformCall::Write, PlatformCall::Close}) {
    SCOPED_TRACE(static_cast<int>(call));
    ui_.Clear();
    ASSERT_TRUE(transformer_.LoadDocument(Document("in.xml", "<Prj><E ID=\"S5\"/></Prj>")));
    const fs::path out = testfiles::TempFolder() / "in.xml.out.xml";
    PlatformDouble platform;
    platform.Fail(call, ".out.xml");
    EXPECT_FALSE(transformer_.SaveDocument(out));
    EXPECT_EQ(ui_.MessageKeys(), Keys{"MsgXmlSerializerFail"});
    EXPECT_FALSE(fs::exists(out));
  }
}

}  // namespace
