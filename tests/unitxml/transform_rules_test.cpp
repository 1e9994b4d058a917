// The transformation rules one by one on small documents, then Transform over a whole one.
#include <gtest/gtest.h>

#include <string>

#include "inline_document.h"
#include "platform_double.h"
#include "recording_user_interface.h"

namespace {

using Keys = std::vector<std::string>;

// The serialised subtree of the equipment element.
std::string EqptText(const UnitXmlTransformer& transformer) {
  std::string out;
  struct Writer : pugi::xml_writer {
    std::string* out;
    void write(const void* data, std::size_t size) override { out->append(static_cast<const char*>(data), size); }
  } writer;
  writer.out = &out;
  transformer.eqptNode.print(writer, "", pugi::format_raw);
  return out;
}

TEST(unitxml_RetiredInterfaces, RemovedAndTheElementBeforeTakesMacNumber252) {
  const struct {
    const char* name;
    const char* eqpt;
    const char* expected;
  } cases[] = {
      {"comment in between",
       "<Eqpt ID=\"S5\"><CommIF IFNumber=\"Z_000001\" MacNum=\"1\"/><!--c--><CommIF IFNumber=\"Z_000009\"/></Eqpt>",
       "<Eqpt ID=\"S5\"><CommIF IFNumber=\"Z_000001\" MacNum=\"252\"/><!--c--></Eqpt>"},
      {"no element before",
       "<Eqpt ID=\"S5\">text<CommIF IFNumber=\"Z_000009\"/><CommIF IFNumber=\"Z_000002\"/></Eqpt>",
       "<Eqpt ID=\"S5\">text<CommIF IFNumber=\"Z_000002\"/></Eqpt>"},
      {"two in a row, MacNum created",
       "<Eqpt ID=\"S5\"><A/><B IFNumber=\"Z_000009\"/><C IFNumber=\"Z_000009\"/><D IFNumber=\"Z_000009 \"/></Eqpt>",
       "<Eqpt ID=\"S5\"><A MacNum=\"252\"/><D IFNumber=\"Z_000009 \"/></Eqpt>"},
      {"only direct children",
       "<Eqpt ID=\"S5\"><A><B IFNumber=\"Z_000009\"/></A></Eqpt>",
       "<Eqpt ID=\"S5\"><A><B IFNumber=\"Z_000009\"/></A></Eqpt>"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    UnitXmlTransformer transformer = Loaded(std::string("<Prj>") + c.eqpt + "</Prj>");
    UnitXmlTransformer::RemoveRetiredInterfaces(transformer.eqptNode);
    EXPECT_EQ(EqptText(transformer), c.expected);
  }
}

TEST(unitxml_Port1Parameters, OnlyTheFirstParamLosesThemAndP_Port10Too) {
  UnitXmlTransformer transformer = Loaded(
      "<Prj><Eqpt ID=\"S5\"><Other><Param><I Name=\"P_Port1_A\"/></Param></Other>"
      "<Param><I Name=\"P_Port1_A\"/><I Name=\"P_Port1_B\"/><!--c--><I Name=\"P_Port2_A\"/>"
      "<I Name=\"P_Port10\"/><I Name=\"p_port1\"/><I Value=\"P_Port1\"/><I Name=\"X_P_Port1\"/></Param>"
      "<Param><I Name=\"P_Port1_A\"/></Param></Eqpt></Prj>");
  EXPECT_TRUE(transformer.Transform());  // finds the first "Param" child itself
  EXPECT_EQ(EqptText(transformer),
            "<Eqpt ID=\"S5\"><Other><Param><I Name=\"P_Port1_A\"/></Param></Other>"
            "<Param><!--c--><I Name=\"P_Port2_A\"/><I Name=\"p_port1\"/><I Value=\"P_Port1\"/></Param>"
            "<Param><I Name=\"P_Port1_A\"/></Param></Eqpt>");
}

TEST(unitxml_ModelNames, EveryOccurrenceInAttributesAndTextWithinTheRoot) {
  UnitXmlTransformer transformer = Loaded(
      "<?xml version=\"1.0\"?><!--TQ5A--><Prj A=\"TQ5ATQ5A\" B=\"tq5a\" C=\"TQ5\" D=\"TQ6A\">"
      "TQ5A-1<![CDATA[<TQ5A>]]><!--TQ5A--><?pi TQ5A?><E ID=\"S5\" M=\"x TQ5A-CPU63 TQ5A\"/></Prj><?after TQ5A?>");
  UnitXmlTransformer::ReplaceModelNames(transformer.document->document_element());
  EXPECT_EQ(Saved(transformer),
            "<?xml version=\"1.0\"?><!--TQ5A--><Prj A=\"TQ6ATQ6A\" B=\"tq5a\" C=\"TQ5\" D=\"TQ6A\">"
            "TQ6A-1<![CDATA[<TQ6A>]]><!--TQ5A--><?pi TQ5A?><E ID=\"S5\" M=\"x TQ6A-CPU63 TQ6A\"/></Prj>"
            "<?after TQ5A?>");
}

TEST(unitxml_CpuComponents, DefinitionFileAndVersionFromTheWholeModelName) {
  UnitXmlTransformer transformer = Loaded(
      "<Prj><E ID=\"S5\"><Comp MdlNm=\"TQ6A-CPU63\" FlNm=\"old\" MajorVer=\"3\" MinorVer=\"2\"/>"
      "<Comp MdlNm=\"TQ6A-CPU\"/><Comp MdlNm=\"TQ6A-NTX40\" FlNm=\"keep\" MajorVer=\"9\"/>"
      "<Comp MdlNm=\"TQ6A-cpu63\" FlNm=\"keep\"/><Unit MdlNm=\"TQ6A-CPU63\" FlNm=\"keep\"/>"
      "<Comp><Comp MdlNm=\"X TQ6A-CPU\"/></Comp></E></Prj>");
  UnitXmlTransformer::UpdateCpuComponents(transformer.document->document_element());
  EXPECT_EQ(EqptText(transformer),
            "<E ID=\"S5\"><Comp MdlNm=\"TQ6A-CPU63\" FlNm=\"KPD_TQ6A-CPU63_Ver1_0.xml\" MajorVer=\"1\" MinorVer=\"0\"/>"
            "<Comp MdlNm=\"TQ6A-CPU\" FlNm=\"KPD_TQ6A-CPU_Ver1_0.xml\" MajorVer=\"1\" MinorVer=\"0\"/>"
            "<Comp MdlNm=\"TQ6A-NTX40\" FlNm=\"keep\" MajorVer=\"9\"/>"
            "<Comp MdlNm=\"TQ6A-cpu63\" FlNm=\"keep\"/><Unit MdlNm=\"TQ6A-CPU63\" FlNm=\"keep\"/>"
            "<Comp><Comp MdlNm=\"X TQ6A-CPU\" FlNm=\"KPD_X TQ6A-CPU_Ver1_0.xml\" MajorVer=\"1\" MinorVer=\"0\"/>"
            "</Comp></E>");
}

TEST(unitxml_Renumbering, OnlyOnARepetitionBelowTheEquipmentFrom28Or6) {
  const struct {
    const char* plcIdentify;  // nullptr: no attribute
    std::int64_t start;
  } starts[] = {{"Yes", 28}, {"yes", 6}, {"Yes ", 6}, {"No", 6}, {nullptr, 6}};
  for (const auto& s : starts) {
    SCOPED_TRACE(s.plcIdentify ? s.plcIdentify : "(none)");
    const std::string identify = s.plcIdentify ? std::string(" PLCIdentify=\"") + s.plcIdentify + "\"" : "";
    UnitXmlTransformer transformer = Loaded("<Prj ID=\"S1\"><E ID=\"S5\"" + identify +
                                            "><A ID=\"S7\"><B ID=\"S9\"/><B/></A><C ID=\"S7\"/></E>"
                                            "<F ID=\"S7\"/></Prj>");
    std::int64_t counter = UnitXmlTransformer::IdStartNumber(transformer.eqptNode);
    EXPECT_EQ(counter, s.start);
    UnitXmlTransformer::RenumberDuplicateIds(transformer.eqptNode, counter);
    // Appended: g++ 12 warns falsely (-Wrestrict) on "S" + a temporary.
    const std::string a = std::string("S").append(std::to_string(s.start));
    const std::string b = std::string("S").append(std::to_string(s.start + 1));
    const std::string c = std::string("S").append(std::to_string(s.start + 2));
    EXPECT_EQ(Saved(transformer), "<Prj ID=\"S1\"><E ID=\"S5\"" + identify + "><A ID=\"" + a + "\"><B ID=\"" + b +
                                      "\"/><B/></A><C ID=\"" + c + "\"/></E><F ID=\"S7\"/></Prj>");
    EXPECT_EQ(counter, s.start + 3);
  }
}

TEST(unitxml_Renumbering, DistinctIdentifiersStayEvenWhenTheyCollideOutside) {
  const std::string xml = "<Prj><A ID=\"S7\"/><E ID=\"S5\"><A ID=\"S7\"/><B ID=\"S5\"/><C ID=\"\"/></E></Prj>";
  UnitXmlTransformer transformer = Loaded(xml);
  std::int64_t counter = 6;
  UnitXmlTransformer::RenumberDuplicateIds(transformer.eqptNode, counter);
  EXPECT_EQ(Saved(transformer), xml);
  EXPECT_EQ(counter, 6);
}

TEST(unitxml_Identifiers, HighestNumberAndNextId) {
  const struct {
    const char* name;
    const char* ids;     // identifier elements inside the root
    const char* nextId;  // nullptr: none
    const char* expected;
  } cases[] = {
      {"S500 kept", "<A ID=\"S179\"/>", "S500", "S500"},
      {"S12 raised", "<A ID=\"S179\"/>", "S12", "S180"},
      {"equal to the highest", "<A ID=\"S179\"/>", "S179", "S180"},
      {"one more is enough", "<A ID=\"S179\"/>", "S180", "S180"},
      {"missing created", "<A ID=\"S179\"/>", nullptr, "S180"},
      {"no digit", "<A ID=\"S179\"/>", "Sx", "S180"},
      {"first digit run", "<A ID=\"S0012X3\"/>", "T0013Y", "T0013Y"},
      {"identifier over 2147483647 counts as 0", "<A ID=\"S2147483648\"/><B ID=\"S3\"/>", nullptr, "S4"},
      {"NextID over 2147483647 rewritten", "<A ID=\"S3\"/>", "S99999999999", "S4"},
      {"highest number plus one in 64 bits", "<A ID=\"S2147483647\"/>", "S2147483647", "S2147483648"},
      {"no identifiers", "<A/>", nullptr, "S1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string next = c.nextId ? std::string(" NextID=\"") + c.nextId + "\"" : "";
    UnitXmlTransformer transformer = Loaded("<Prj" + next + ">" + c.ids + "</Prj>");
    const pugi::xml_node root = transformer.document->document_element();
    EXPECT_TRUE(UnitXmlTransformer::RaiseNextId(root, std::int64_t{UnitXmlTransformer::HighestIdNumber(root)} + 1));
    EXPECT_EQ(AttributeValue(root, "NextID"), c.expected);
  }
}

TEST(unitxml_Identifiers, ReadsTheFirstDigitRunAsASigned32BitNumber) {
  EXPECT_EQ(ReadIdentifierNumber("S28"), 28);
  EXPECT_EQ(ReadIdentifierNumber("S0012X3"), 12);
  EXPECT_EQ(ReadIdentifierNumber("S-5"), 5);
  EXPECT_EQ(ReadIdentifierNumber("S2147483647"), 2147483647);
  EXPECT_EQ(ReadIdentifierNumber("S2147483648"), std::nullopt);
  EXPECT_EQ(ReadIdentifierNumber("S00000000000000000001"), 1);
  EXPECT_EQ(ReadIdentifierNumber("S"), std::nullopt);
}

TEST(unitxml_Identifiers, RaiseNextIdWithoutARoot) {
  RecordingUserInterface ui;
  EXPECT_FALSE(UnitXmlTransformer::RaiseNextId(pugi::xml_node(), 5));
  EXPECT_EQ(ui.MessageKeys(), Keys{"MsgPrjNextIDNull"});
}

TEST(unitxml_Transform, RefusesWithoutDocumentOrEquipment) {
  RecordingUserInterface ui;
  UnitXmlTransformer empty;
  EXPECT_FALSE(empty.Transform());
  UnitXmlTransformer noEqpt = Loaded("<Prj/>");
  EXPECT_FALSE(noEqpt.Transform());
  EXPECT_EQ(ui.MessageKeys(), (Keys{"MsgXmlTransformNull", "MsgXmlTransformNull"}));
  EXPECT_EQ(ui.log()[0].text, "Document or Eqpt node is null for transformations.");
}

TEST(unitxml_Transform, AppliesTheRulesInOrderWithoutANetworkUnit) {
  RecordingUserInterface ui;
  UnitXmlTransformer transformer = Loaded(
      "<?xml version=\"1.0\"?><Prj NextID=\"S12\" Model=\"TQ5A\">\n"
      "<Eqpt ID=\"S5\" PLCIdentify=\"Yes\" MdlNm=\"TQ5A\">\n"
      " <CommIF ID=\"S6\" IFNumber=\"Z_000001\" MacNum=\"1\"/><CommIF ID=\"S7\" IFNumber=\"Z_000009\"/>\n"
      " <Param ID=\"S8\"><ParamItem ID=\"S9\" Name=\"P_Port1_Baud\"/><ParamItem ID=\"S10\" Name=\"P_Port2\"/></Param>\n"
      " <Comp ID=\"S11\" MdlNm=\"TQ5A-CPU63\" FlNm=\"KPD_TQ5A-CPU63_Ver2_3.xml\" MajorVer=\"2\" MinorVer=\"3\"/>\n"
      "</Eqpt>\n</Prj>");
  ASSERT_TRUE(transformer.Transform());
  EXPECT_EQ(Saved(transformer),
            "<?xml version=\"1.0\"?><Prj NextID=\"S12\" Model=\"TQ6A\">\n"
            "<Eqpt ID=\"S5\" PLCIdentify=\"Yes\" MdlNm=\"TQ6A\">\n"
            " <CommIF ID=\"S6\" IFNumber=\"Z_000001\" MacNum=\"252\"/>\n"
            " <Param ID=\"S8\"><ParamItem ID=\"S10\" Name=\"P_Port2\"/></Param>\n"
            " <Comp ID=\"S11\" MdlNm=\"TQ6A-CPU63\" FlNm=\"KPD_TQ6A-CPU63_Ver1_0.xml\" MajorVer=\"1\" "
            "MinorVer=\"0\"/>\n"
            "</Eqpt>\n</Prj>");
  EXPECT_EQ(ui.MessageKeys(), Keys{});
}

TEST(unitxml_Transform, NextIdAfterTheHighestReadableNumber) {
  UnitXmlTransformer transformer = Loaded("<Prj NextID=\"S7\"><E ID=\"S5\"><A ID=\"S2147483647\"/></E></Prj>");
  ASSERT_TRUE(transformer.Transform());
  EXPECT_EQ(AttributeValue(transformer.document->document_element(), "NextID"), "S2147483648");
}

TEST(unitxml_Transform, DeepDocumentsDoNotExhaustTheStack) {
  constexpr int kDepth = 200000;
  std::string xml = "<Prj><E ID=\"S5\">";
  for (int i = 0; i < kDepth; ++i) xml += "<D>";
  xml += "<Comp ID=\"S7\" MdlNm=\"TQ5A-CPU63\">TQ5A</Comp>";
  for (int i = 0; i < kDepth; ++i) xml += "</D>";
  xml += "</E></Prj>";
  UnitXmlTransformer transformer = Loaded(xml);
  ASSERT_TRUE(transformer.Transform());
  const std::string saved = Saved(transformer);
  EXPECT_NE(saved.find("<Comp ID=\"S7\" MdlNm=\"TQ6A-CPU63\" FlNm=\"KPD_TQ6A-CPU63_Ver1_0.xml\" MajorVer=\"1\" "
                       "MinorVer=\"0\">TQ6A</Comp>"),
            std::string::npos);
  EXPECT_EQ(AttributeValue(transformer.document->document_element(), "NextID"), "S8");
}

}  // namespace
