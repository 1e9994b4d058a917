#include "unitxml/unit_setup_summary.h"

#include <gtest/gtest.h>

namespace {

TEST(UnitSetupSummary, EquipmentInterfacesUnitsAndIdentifiers) {
  const auto summary = SummarizeUnitSetup(
      "<?xml version=\"1.0\"?><Prj ID=\"S1\" NextID=\"S90\"><Eqpt ID=\"S5\" Name=\"PLC1\" MdlNm=\"TQ5A\" "
      "PLCIdentify=\"Yes\">"
      "<CommIF ID=\"S7\" IFNumber=\"Z_000001\" MacNum=\"0\"/><!-- c --><CommIF ID=\"S8\" IFNumber=\"Z_000009\"/>"
      "<Param ID=\"S9\"><ParamItem ID=\"Sx\"/></Param>"
      "<Comp ID=\"S40\" Name=\"CPU Unit\" MdlNm=\"TQ5A-CPU63\"><Comp ID=\"S41\" Name=\"inner\"/></Comp>"
      "<Comp ID=\"S12\" Name=\"Input Unit 1\" MdlNm=\"TQ-ID32\"/></Eqpt></Prj>");
  ASSERT_TRUE(summary);
  EXPECT_EQ(summary->equipmentName, "PLC1");
  EXPECT_EQ(summary->equipmentModel, "TQ5A");
  EXPECT_EQ(summary->plcIdentify, "Yes");
  ASSERT_EQ(summary->interfaces.size(), 2u);
  EXPECT_EQ(summary->interfaces[1].number, "Z_000009");
  EXPECT_EQ(summary->interfaces[1].macNumber, "");
  ASSERT_EQ(summary->units.size(), 2u);  // the equipment's own units, not those inside them
  EXPECT_EQ(summary->units[0].model, "TQ5A-CPU63");
  EXPECT_EQ(summary->identifiers, 8u);  // "Sx" has no number
  EXPECT_EQ(summary->lowestIdentifier, 1);
  EXPECT_EQ(summary->highestIdentifier, 41);
  EXPECT_EQ(summary->nextId, "S90");
}

TEST(UnitSetupSummary, NothingForWhatIsNoUnitSetup) {
  EXPECT_FALSE(SummarizeUnitSetup("<Prj ID=\"S1\"><Eqpt ID=\"S6\"/></Prj>"));
  EXPECT_FALSE(SummarizeUnitSetup("<Prj><Eqpt ID=\"S5\">"));
  EXPECT_FALSE(SummarizeUnitSetup(""));
  const auto bare = SummarizeUnitSetup("<Prj><Eqpt ID=\"S5\"/></Prj>");
  ASSERT_TRUE(bare);
  EXPECT_FALSE(bare->nextId);
  EXPECT_EQ(bare->identifiers, 1u);
}

}  // namespace
