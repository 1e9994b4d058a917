// The embedded template as data, its date stamp, and the replacement of the network unit.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "failing_allocations.h"
#include "inline_document.h"
#include "platform_double.h"
#include "recording_user_interface.h"
#include "unitxml/network_unit_template.h"

namespace {

using Keys = std::vector<std::string>;

std::size_t Occurrences(std::string_view text, std::string_view part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string_view::npos; at = text.find(part, at + part.size())) ++count;
  return count;
}

TEST(unitxml_Template, IsOneLineOf18829AsciiBytes) {
  const std::string_view bytes = NetworkUnitTemplate();
  EXPECT_EQ(bytes.size(), 18829u);
  for (const char c : bytes) ASSERT_TRUE(c >= 0x20 && c < 0x7F) << static_cast<int>(c);
  EXPECT_EQ(bytes.substr(0, 15), "<Comp ID=\"S28\" ");
  EXPECT_EQ(bytes.substr(bytes.size() - 15), "</Param></Comp>");
  EXPECT_EQ(bytes.find("> <"), std::string_view::npos);
  EXPECT_EQ(bytes.find(" />"), std::string_view::npos);
  EXPECT_EQ(Occurrences(bytes, "XXXX-XX-XX"), 6u);
  EXPECT_EQ(Occurrences(bytes, "CtDt=\"XXXX-XX-XX\" ModDt=\"XXXX-XX-XX\""), 3u);
}

TEST(unitxml_Template, Holds152ElementsNumberedS28ToS179) {
  const std::optional<ParsedXml> parsed = ParseXml(NetworkUnitTemplate());
  ASSERT_TRUE(parsed);
  const pugi::xml_node root = parsed->document->document_element();
  EXPECT_STREQ(root.name(), "Comp");
  EXPECT_EQ(AttributeValue(root, "MdlNm"), "TQ6A-NTX40S");
  EXPECT_EQ(AttributeValue(root, "FlNm"), "KPD_TQ6A-NTX40S_Ver1_1.xml");
  std::map<std::string, int> names;
  int expectedId = 28;
  for (pugi::xml_node at = root; at; at = NextInPreorder(at, root)) {
    ASSERT_TRUE(IsElement(at));
    ++names[at.name()];
    EXPECT_EQ(AttributeValue(at, "ID"), "S" + std::to_string(expectedId));
    ++expectedId;
  }
  EXPECT_EQ(expectedId, 180);
  EXPECT_EQ(names, (std::map<std::string, int>{{"Comp", 1}, {"CommIFs", 1}, {"CommIF", 1}, {"Param", 1}, {"ParamItem", 148}}));
  const pugi::xml_node commIf = root.child("CommIFs").child("CommIF");
  EXPECT_EQ(AttributeValue(commIf, "IFNumber"), "Z_000004");
  EXPECT_EQ(AttributeValue(commIf, "MacNum"), "16");
}

TEST(unitxml_Template, ParameterValues) {
  const std::optional<ParsedXml> parsed = ParseXml(NetworkUnitTemplate());
  ASSERT_TRUE(parsed);
  std::map<std::string, std::string> values;
  std::map<std::string, std::string> access;
  for (const pugi::xml_node item : parsed->document->document_element().child("Param").children("ParamItem")) {
    const std::string name(*AttributeValue(item, "Name"));
    values[name] = *AttributeValue(item, "Value");
    access[name] = *AttributeValue(item, "SetGet");
    EXPECT_EQ(AttributeValue(item, "Disp"), "Yes");
    EXPECT_EQ(std::string(item.first_attribute().name()) + item.first_attribute().next_attribute().name(), "IDDisp");
  }
  ASSERT_EQ(values.size(), 148u);
  const std::string snmp = "7075626c696300000000";  // "public", zero-padded
  const std::map<std::string, std::string> expected = {
      {"P_Configuration_Control_Ex", "0x00000000"},
      {"P_Interface_Configuration", "0x" + std::string(44, '0')},
      {"P_Interface_Control", "0x01000000"},
      {"P_TCP_Configuration_Control", "0x00a80400"},
      {"P_Address_Conversion_Configuration_32", "0x0000000000000000"},
      {"P_TCP_Connection_Configuration_1", "0x0200ef0000000000"},
      {"P_TCP_Connection_Configuration_16", "0x0200fe0000000000"},
      {"P_TCP_Connection_Configuration_17", "0x0200000000000000"},
      {"P_TCP_Connection_Configuration_32", "0x0200000000000000"},
      {"P_IP_Routing_Table8", "0x" + std::string(24, '0')},
      {"P_SNMP_Acceptance_Control_1", "0x" + std::string(20, '0') + snmp},
      {"P_SNMP_Acceptance_Control_2", "0x" + std::string(20, '0') + snmp},
      {"P_SNMP_Trap_Control_1", "0x01" + std::string(18, '0') + snmp},
      {"P_SNMP_Trap_Control_2", "0x01" + std::string(18, '0') + snmp},
      {"P_PacketFilter_Num_Entry", "0x0100"},
      {"P_PacketFilter_Configuration32", "0x" + std::string(72, '0')},
      {"P_Modbus_TCP_Server_Keep_Alive", "0x0100"},
      {"P_Modbus_TCP_Server_Data_Allocation_Control_2", "0x000000000100"},
      {"P_Modbus_UDP_Server_Data_Allocation_Control_1", "0x000000000100"},
      {"P_Modbus_UDP_Server_Data_Allocation_Control_2", "0x000000000100"},
  };
  for (const auto& [name, value] : expected) EXPECT_EQ(values[name], value) << name;
  for (const auto& [name, setGet] : access) EXPECT_EQ(setGet, name == "P_Current_Status_Area" ? "Get" : "SetGet") << name;
}

TEST(unitxml_DateStamp, EveryPlaceholderGetsTheLocalDate) {
  PlatformDouble platform;
  platform.today = platform::LocalDate{2026, 3, 1};
  const std::string stamped = UnitXmlTransformer::StampTemplateDates(std::string(NetworkUnitTemplate()));
  EXPECT_EQ(Occurrences(stamped, "XXXX-XX-XX"), 0u);
  EXPECT_EQ(Occurrences(stamped, "CtDt=\"2026-03-01\" ModDt=\"2026-03-01\""), 3u);
  EXPECT_EQ(stamped.size(), 18829u);
  EXPECT_EQ(UnitXmlTransformer::StampTemplateDates("XXXX-XX-XXXXXX-XX-XXX-XX-XX"), "2026-03-012026-03-01X-XX-XX");
}

TEST(unitxml_DateStamp, UnknownDateLeavesThePlaceholders) {
  RecordingUserInterface ui;
  PlatformDouble platform;
  platform.Fail(PlatformCall::Today);
  EXPECT_EQ(UnitXmlTransformer::StampTemplateDates("a XXXX-XX-XX b"), "a XXXX-XX-XX b");
  EXPECT_EQ(ui.MessageKeys(), Keys{"MsgLocalTimeFail"});
}

class unitxml_NetworkUnit : public testing::Test {
 protected:
  unitxml_NetworkUnit() { platform_.today = platform::LocalDate{2026, 12, 9}; }
  RecordingUserInterface ui_;
  PlatformDouble platform_;
};

// The template as inserted on 2026-12-09.
std::string StampedTemplate() {
  std::string text(NetworkUnitTemplate());
  for (std::size_t at = text.find("XXXX-XX-XX"); at != std::string::npos; at = text.find("XXXX-XX-XX")) {
    text.replace(at, 10, "2026-12-09");
  }
  return text;
}

TEST_F(unitxml_NetworkUnit, EveryFailedAllocationLeavesTheDocumentWholeWithOneMessage) {
  const std::string xml = "<Prj><E ID=\"S5\"><A/><Comp Name=\"Component\" MdlNm=\"TQ6A-NTX40\"/><B/></E></Prj>";
  const std::string replaced = "<Prj><E ID=\"S5\"><A/>" + StampedTemplate() + "<B/></E></Prj>";
  int allocations = 0;
  {
    UnitXmlTransformer transformer = Loaded(xml);
    const FailingAllocations none(-1);
    ASSERT_TRUE(transformer.ReplaceNetworkUnit(transformer.eqptNode));
    allocations = FailingAllocations::count();
  }
  ASSERT_GT(allocations, 2);
  std::set<std::string> keys;
  for (int failAt = 0; failAt < allocations; ++failAt) {
    SCOPED_TRACE(failAt);
    UnitXmlTransformer transformer = Loaded(xml);
    ui_.Clear();
    bool done = false;
    {
      const FailingAllocations failing(failAt);
      done = transformer.ReplaceNetworkUnit(transformer.eqptNode);
    }
    if (done) {
      EXPECT_EQ(Saved(transformer), replaced);
      EXPECT_EQ(ui_.MessageKeys(), Keys{});
    } else {
      ASSERT_EQ(ui_.MessageKeys().size(), 1u);
      keys.insert(ui_.MessageKeys()[0]);
      EXPECT_EQ(Saved(transformer), xml);  // no torn template left behind
    }
  }
  // Both the template's parse and its copy into the document were made to fail.
  EXPECT_EQ(keys, (std::set<std::string>{"MsgReplaceXmlParseFail", "MsgReplaceNodeFail"}));
}

TEST_F(unitxml_NetworkUnit, TheFirstMatchingComponentTakesTheTemplatesPlace) {
  UnitXmlTransformer transformer = Loaded(
      "<Prj><E ID=\"S5\"><Comp Name=\"Component\" MdlNm=\"TQ6A-NTX40S\"/><A/>"
      "<Comp ID=\"S6\" Name=\"Component\" MdlNm=\"TQ6A-NTX40\"><Param ID=\"S7\"/></Comp>"
      "<B/><Comp ID=\"S8\" Name=\"Component\" MdlNm=\"TQ6A-NTX40\"/></E></Prj>");
  EXPECT_TRUE(transformer.ReplaceNetworkUnit(transformer.eqptNode));
  EXPECT_EQ(Saved(transformer), "<Prj><E ID=\"S5\"><Comp Name=\"Component\" MdlNm=\"TQ6A-NTX40S\"/><A/>" +
                                    StampedTemplate() +
                                    "<B/><Comp ID=\"S8\" Name=\"Component\" MdlNm=\"TQ6A-NTX40\"/></E></Prj>");
  EXPECT_EQ(ui_.MessageKeys(), Keys{});
}

TEST_F(unitxml_NetworkUnit, OnlyAnExactComponentMatches) {
  const char* const documents[] = {
      "<Prj><E ID=\"S5\"><Comp Name=\"Other\" MdlNm=\"TQ6A-NTX40\"/></E></Prj>",
      "<Prj><E ID=\"S5\"><Comp Name=\"component\" MdlNm=\"TQ6A-NTX40\"/></E></Prj>",
      "<Prj><E ID=\"S5\"><Comp Name=\"Component\" MdlNm=\"TQ6A-NTX40 \"/></E></Prj>",
      "<Prj><E ID=\"S5\"><Comp Name=\"Component\"/></E></Prj>",
      "<Prj><E ID=\"S5\"><Unit Name=\"Component\" MdlNm=\"TQ6A-NTX40\"/></E></Prj>",
      "<Prj><Comp Name=\"Component\" MdlNm=\"TQ6A-NTX40\"/><E ID=\"S5\"/></Prj>",
  };
  for (const char* xml : documents) {
    SCOPED_TRACE(xml);
    UnitXmlTransformer transformer = Loaded(xml);
    EXPECT_TRUE(transformer.ReplaceNetworkUnit(transformer.eqptNode));
    EXPECT_EQ(Saved(transformer), xml);
  }
  EXPECT_EQ(ui_.MessageKeys(), Keys{});
}

TEST_F(unitxml_NetworkUnit, WithoutEquipmentElement) {
  UnitXmlTransformer transformer = Loaded("<Prj/>");
  EXPECT_FALSE(transformer.ReplaceNetworkUnit(transformer.eqptNode));
  EXPECT_EQ(ui_.MessageKeys(), Keys{"MsgEqptNull"});
}

TEST_F(unitxml_NetworkUnit, TemplateFailures) {
  UnitXmlTransformer transformer = Loaded("<Prj><E ID=\"S5\"/></Prj>");
  EXPECT_FALSE(transformer.ParseUnitTemplate("<Comp>"));
  EXPECT_FALSE(transformer.ParseUnitTemplate("<Comp/><Comp/>"));
  EXPECT_FALSE(transformer.ParseUnitTemplate("<Unit/>"));
  EXPECT_FALSE(transformer.ParseUnitTemplate("<comp/>"));
  EXPECT_TRUE(transformer.ParseUnitTemplate("<Comp/>"));
  UnitXmlTransformer empty;
  EXPECT_FALSE(empty.ParseUnitTemplate("<Comp/>"));
  EXPECT_EQ(ui_.MessageKeys(), (Keys{"MsgReplaceXmlParseFail", "MsgReplaceXmlParseFail", "MsgReplaceRootNotComp",
                                     "MsgReplaceRootNotComp", "MsgReplaceNodeFail"}));
}

TEST_F(unitxml_NetworkUnit, TransformKeepsTemplateIdentifiersWithoutARepetition) {
  UnitXmlTransformer transformer = Loaded(
      "<Prj NextID=\"S12\"><E ID=\"S5\"><Comp ID=\"S6\" Name=\"Component\" MdlNm=\"TQ5A-NTX40\"/>"
      "<Comp ID=\"S7\" MdlNm=\"TQ5A-CPU63\"/></E></Prj>");
  ASSERT_TRUE(transformer.Transform());
  EXPECT_EQ(Saved(transformer), "<Prj NextID=\"S180\"><E ID=\"S5\">" + StampedTemplate() +
                                    "<Comp ID=\"S7\" MdlNm=\"TQ6A-CPU63\" FlNm=\"KPD_TQ6A-CPU63_Ver1_0.xml\" "
                                    "MajorVer=\"1\" MinorVer=\"0\"/></E></Prj>");
}

TEST_F(unitxml_NetworkUnit, TransformRenumbersOnACollisionWithTheTemplate) {
  UnitXmlTransformer transformer = Loaded(
      "<Prj NextID=\"S500\"><E ID=\"S5\" PLCIdentify=\"Yes\"><Comp ID=\"S28\" Name=\"Component\" MdlNm=\"TQ5A-NTX40\"/>"
      "<Comp ID=\"S30\"/></E></Prj>");
  ASSERT_TRUE(transformer.Transform());
  const pugi::xml_node eqpt = transformer.eqptNode;
  // The template's 152 identifiers keep S28 to S179; the component after it collides and moves on.
  EXPECT_EQ(AttributeValue(eqpt.first_child(), "ID"), "S28");
  EXPECT_EQ(AttributeValue(eqpt.last_child(), "ID"), "S180");
  EXPECT_EQ(AttributeValue(transformer.document->document_element(), "NextID"), "S500");
}

TEST_F(unitxml_NetworkUnit, TheEquipmentElementItselfAsNetworkUnit) {
  // Enough repeated identifiers below it that their memory is given back when it leaves the
  // document: nothing may renumber them afterwards.
  std::string xml = "<Prj><Comp ID=\"S5\" Name=\"Component\" MdlNm=\"TQ5A-NTX40\">";
  for (int i = 0; i < 5000; ++i) xml += "<X ID=\"S6\"/>";
  UnitXmlTransformer transformer = Loaded(xml + "</Comp></Prj>");
  ASSERT_TRUE(transformer.Transform());
  EXPECT_FALSE(transformer.eqptNode);
  EXPECT_EQ(Saved(transformer), "<Prj NextID=\"S180\">" + StampedTemplate() + "</Prj>");
}

}  // namespace
