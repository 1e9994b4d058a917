// The configuration line of the target model: device model, CPU type and the memory table.
#include "project/config_rewrite.h"

#include <gtest/gtest.h>

namespace {

std::string Value(std::string_view cpuEntry, std::string_view bank = "1", std::string_view um = "94208") {
  std::string value = "[DEV]DEV:TQ5A;";
  value.append(cpuEntry).append("[MEM]EM:E,0,32768,WORD,RW,").append(bank).append(",0;UM:UM,0,");
  return value.append(um).append(",KB;");
}

TEST(project_CpuMemoryTable, EveryRowAndTheDefault) {
  struct Row {
    std::string_view cpu;
    int bank;
    int um;
  };
  const Row rows[] = {
      {"CPU61", 1, 94208},   {"CPU62", 1, 104448},  {"CPU63", 1, 124928},  {"CPU64", 10, 186368},
      {"CPU65", 10, 288768}, {"CPU81", 1, 94208},   {"CPU82", 1, 104448},  {"CPU83", 1, 124928},
      {"CPU84", 10, 186368}, {"CPU85", 10, 288768}, {"CPU99", 1, 94208},   {"cpu64", 1, 94208},
      {"", 1, 94208},        {"CPU64 ", 1, 94208},
  };
  for (const Row& row : rows) {
    std::string value = Value("CPU:x;", "7", "3");
    ApplyCpuMemoryLayout(value, row.cpu);
    EXPECT_EQ(value, Value("CPU:x;", std::to_string(row.bank), std::to_string(row.um))) << row.cpu;
  }
}

TEST(project_FindCpuType, DesignatorOrTheDefault) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"CPU:CPU63;", "CPU63"}, {"CPU: CPU63 ;", "CPU63"}, {"CPU:;", ""},  {"CPU:CPU64", "CPU61"},
      {"DEV:TQ5A;", "CPU61"}, {"x;CPU:\tCPU85\t;CPU:CPU62;", "CPU85"}, {"", "CPU61"},
  };
  for (const auto& [value, cpu] : cases) EXPECT_EQ(FindCpuType(value), cpu) << value;
}

TEST(project_RewriteConfig, Lines) {
  struct Case {
    const char* name;
    std::string value;
    std::string line;
  };
  const Case cases[] = {
      {"empty value", "", "Config:=\"\";"},
      {"CPU64 sets 10 banks and its UM size", Value("CPU:CPU64;"),
       "Config:=\"[DEV]DEV:TQ6A;CPU:CPU64;[MEM]EM:E,0,32768,WORD,RW,10,0;UM:UM,0,186368,KB;\";"},
      {"spaces around the designator go", Value("CPU: CPU63 ;"),
       "Config:=\"[DEV]DEV:TQ6A;CPU:CPU63;[MEM]EM:E,0,32768,WORD,RW,1,0;UM:UM,0,124928,KB;\";"},
      {"second mention without semicolon", "[DEV]DEV:TQ5A;CPU:CPU61;X=DEV:TQ5A",
       "Config:=\"[DEV]DEV:TQ6A;CPU:CPU61;X=DEV:TQ6A\";"},
      {"lower-case device entry stays", "[DEV]DEV:tq5a;CPU:CPU62;", "Config:=\"[DEV]DEV:tq5a;CPU:CPU62;\";"},
      {"CPU entry without semicolon is kept, default figures",
       "[DEV]DEV:TQ5A;EM:E,0,32768,WORD,RW,5,0;UM:UM,0,7,;CPU:CPU64",
       "Config:=\"[DEV]DEV:TQ6A;EM:E,0,32768,WORD,RW,1,0;UM:UM,0,94208,;CPU:CPU64\";"},
      {"no CPU entry", "[DEV]DEV:TQ5A;EM:E,0,32768,WORD,RW,2,;",
       "Config:=\"[DEV]DEV:TQ6A;EM:E,0,32768,WORD,RW,1,;\";"},
      {"EM prefix at the end, UM still rewritten", "CPU:CPU65;UM:UM,0,1,;EM:E,0,32768,WORD,RW,",
       "Config:=\"CPU:CPU65;UM:UM,0,288768,;EM:E,0,32768,WORD,RW,\";"},
      {"EM without any comma after it", "CPU:CPU65;UM:UM,0,1,;EM:E,0,32768,WORD,RW,3",
       "Config:=\"CPU:CPU65;UM:UM,0,288768,;EM:E,0,32768,WORD,RW,3\";"},
      {"EM field runs to the next comma anywhere", "CPU:CPU65;EM:E,0,32768,WORD,RW,3;UM:UM,0,",
       "Config:=\"CPU:CPU65;EM:E,0,32768,WORD,RW,10,0,\";"},  // the UM entry went with it
      {"field without digits is replaced", "CPU:CPU84;EM:E,0,32768,WORD,RW,,;UM:UM,0,abc,",
       "Config:=\"CPU:CPU84;EM:E,0,32768,WORD,RW,10,;UM:UM,0,186368,\";"},
      {"only the first EM and UM entries",
       "CPU:CPU64;EM:E,0,32768,WORD,RW,1,;EM:E,0,32768,WORD,RW,1,;UM:UM,0,1,;UM:UM,0,1,",
       "Config:=\"CPU:CPU64;EM:E,0,32768,WORD,RW,10,;EM:E,0,32768,WORD,RW,1,;UM:UM,0,186368,;UM:UM,0,1,\";"},
      {"high bytes pass", "\x83R\x83\x81\x83\x93\x83g;CPU:CPU61;", "Config:=\"\x83R\x83\x81\x83\x93\x83g;CPU:CPU61;\";"},
  };
  for (const Case& c : cases) EXPECT_EQ(RewriteConfig(c.value, FindCpuType(c.value)), c.line) << c.name;
}

}  // namespace
