#include "sample_projects.h"

#include <cstdint>

#include "implode/codec_memory.h"

namespace {

// Shift-JIS bytes of the Japanese comments a plant engineer writes.
const std::string kConveyorStart = "\x94\xC0\x91\x97\x83\x52\x83\x93\x83\x78\x83\x41\x8B\x4E\x93\xAE";
const std::string kEmergencyStop = "\x94\xF1\x8F\xED\x92\xE2\x8E\x7E";
const std::string kHomed = "\x8C\xB4\x93\x5F\x95\x9C\x8B\x41\x8A\xAE\x97\xB9";
const std::string kLinePacking = "\x83\x89\x83\x43\x83\x93\x31\x20\x95\xEF\x91\x95\x8D\x48\x92\xF6";
const std::string kTemperatureAlarm = "\x89\xB7\x93\x78\x8F\xE3\x8C\xC0\x8C\x78\x95\xF1";

class Random {
 public:
  explicit Random(std::uint32_t seed) : state_(seed) {}
  std::uint32_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
  }

 private:
  std::uint32_t state_;
};

std::string Id(int& next) { return std::string("S").append(std::to_string(next++)); }

std::string ParamItems(int& next, const std::string& indent, const std::string& prefix, int count) {
  std::string xml;
  for (int k = 1; k <= count; ++k) {
    xml += indent + "<ParamItem ID=\"" + Id(next) + "\" Disp=\"Yes\" SetGet=\"SetGet\" Name=\"" + prefix +
           std::to_string(k) + "\" Value=\"0x" + (k % 3 == 0 ? "0100" : "0000") + "\"/>\r\n";
  }
  return xml;
}

// The unit-setup document of a TQ5A PLC: equipment "S5" with its interfaces, port parameters,
// CPU unit, built-in network unit and I/O units.
std::string UnitSetupXml(const SampleRecipe& recipe, PlantedChanges& planted) {
  int next = 6;
  const std::string date = "2024-05-14";
  std::string eqpt;
  eqpt += "\t\t<CommIF ID=\"" + Id(next) + "\" CtDt=\"" + date + "\" ModDt=\"" + date +
          "\" IFNumber=\"Z_000001\" MacNum=\"0\"/>\r\n";
  eqpt += "\t\t<CommIF ID=\"" + Id(next) + "\" CtDt=\"" + date + "\" ModDt=\"" + date +
          "\" IFNumber=\"Z_000004\" MacNum=\"16\"/>\r\n";
  eqpt += "\t\t<!-- serial interface of the TQ5A CPU, retired on the new model -->\r\n";
  eqpt += "\t\t<CommIF ID=\"" + Id(next) + "\" CtDt=\"" + date + "\" ModDt=\"" + date +
          "\" IFNumber=\"Z_000009\" MacNum=\"1\"/>\r\n";
  planted.interfacesRemoved.push_back("Z_000009");
  ++planted.identifiersRemoved;
  eqpt += "\t\t<Param ID=\"" + Id(next) + "\" CtDt=\"" + date + "\" ModDt=\"" + date + "\" Cmt=\"\">\r\n";
  for (const char* item : {"P_Port1_Mode", "P_Port1_Baudrate", "P_Port1_Parity", "P_Port10_Timeout", "P_Port2_Mode",
                           "P_Port2_Baudrate", "P_Scan_Time", "P_Watchdog_Time"}) {
    eqpt += "\t\t\t<ParamItem ID=\"" + Id(next) + "\" Disp=\"Yes\" SetGet=\"SetGet\" Name=\"" + item +
            "\" Value=\"0x0000\"/>\r\n";
    if (std::string(item).find("P_Port1") == 0) {
      planted.parametersRemoved.push_back(item);
      ++planted.identifiersRemoved;
    }
  }
  eqpt += "\t\t</Param>\r\n";
  eqpt += "\t\t<Comp ID=\"" + Id(next) + "\" CtDt=\"" + date + "\" ModDt=\"" + date +
          "\" Name=\"CPU Unit\" Cmt=\"\" MdlNm=\"TQ5A-" + recipe.cpu + "\" UtNum=\"0\" RkNum=\"0\" StNum=\"0\"" +
          " ConfStr=\"\" MajorVer=\"2\" MinorVer=\"3\" FlNm=\"KPD_TQ5A-" + recipe.cpu + "_Ver2_3.xml\">\r\n";
  eqpt += "\t\t\t<Param ID=\"" + Id(next) + "\" CtDt=\"" + date + "\" ModDt=\"" + date + "\" Cmt=\"\">\r\n";
  eqpt += ParamItems(next, "\t\t\t\t", "P_CPU_Setting_", 24);
  eqpt += "\t\t\t</Param>\r\n\t\t</Comp>\r\n";
  planted.modelNames += 2;  // the CPU unit's MdlNm and FlNm
  ++planted.cpuComponents;
  const int networkUnitFirstId = next;
  eqpt += "\t\t<Comp ID=\"" + Id(next) + "\" CtDt=\"" + date + "\" ModDt=\"" + date +
          "\" Name=\"Component\" Cmt=\"built-in network\" MdlNm=\"TQ5A-NTX40\" UtNum=\"0\" RkNum=\"0\"" +
          " StNum=\"11\" ConfStr=\"\" MajorVer=\"1\" MinorVer=\"0\" FlNm=\"KPD_TQ5A-NTX40_Ver1_0.xml\">\r\n";
  eqpt += "\t\t\t<CommIFs ID=\"" + Id(next) + "\">\r\n\t\t\t\t<CommIF ID=\"" + Id(next) + "\" CtDt=\"" + date +
          "\" ModDt=\"" + date + "\" IFNumber=\"Z_000004\" MacNum=\"16\"/>\r\n\t\t\t</CommIFs>\r\n";
  eqpt += "\t\t\t<Param ID=\"" + Id(next) + "\" CtDt=\"" + date + "\" ModDt=\"" + date + "\" Cmt=\"\">\r\n";
  eqpt += ParamItems(next, "\t\t\t\t", "P_Network_Setting_", 60);
  eqpt += "\t\t\t</Param>\r\n\t\t</Comp>\r\n";
  planted.modelNames += 2;  // the network unit's MdlNm and FlNm, replaced before the unit is
  planted.networkUnit = true;
  planted.identifiersRemoved += next - networkUnitFirstId;
  for (int unit = 1; unit <= recipe.ioUnits; ++unit) {
    const bool input = unit % 2 == 1;
    const std::string model = input ? "TQ-ID32" : "TQ-OD32";
    eqpt += "\t\t<Comp ID=\"" + Id(next) + "\" CtDt=\"" + date + "\" ModDt=\"" + date + "\" Name=\"" +
            (input ? "Input Unit " : "Output Unit ") + std::to_string(unit) + "\" Cmt=\"\" MdlNm=\"" + model +
            "\" UtNum=\"" + std::to_string(unit) + "\" RkNum=\"0\" StNum=\"0\" ConfStr=\"\" MajorVer=\"1\"" +
            " MinorVer=\"2\" FlNm=\"KPD_" + model + "_Ver1_2.xml\">\r\n";
    eqpt += "\t\t\t<Param ID=\"" + Id(next) + "\" CtDt=\"" + date + "\" ModDt=\"" + date + "\" Cmt=\"\">\r\n";
    eqpt += ParamItems(next, "\t\t\t\t", input ? "P_Input_Filter_" : "P_Output_Hold_", 32);
    eqpt += "\t\t\t</Param>\r\n\t\t</Comp>\r\n";
  }
  std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";
  xml += "<Prj ID=\"S1\" NextID=\"S" + std::to_string(next) + "\" Name=\"" + recipe.name + "\" CtDt=\"" + date +
         "\" ModDt=\"" + date + "\" MdlNm=\"TQ5A\">\r\n";
  xml += "\t<Eqpt ID=\"S5\" CtDt=\"" + date + "\" ModDt=\"" + date + "\" Name=\"PLC1\" MdlNm=\"TQ5A\"" +
         " PLCIdentify=\"" + (recipe.plcIdentify ? "Yes" : "No") + "\">\r\n";
  xml += eqpt + "\t</Eqpt>\r\n</Prj>\r\n";
  planted.modelNames += 2;  // the MdlNm of the project and of the equipment
  planted.nextIdBefore = "S" + std::to_string(next);
  planted.identifiersBelowEquipment = next - 6;
  planted.firstRenumbered = recipe.plcIdentify ? 28 : 6;
  return xml;
}

// Hex values 16 to a line, indented, as the project editor writes its blocks.
std::string HexBlockLines(const std::string& bytes, const std::string& indent) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(bytes.size() / 16 * (indent.size() + 3 * 16 + 1) + indent.size() + 3 * 16 + 1);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i % 16 == 0) text += indent;
    const auto b = static_cast<unsigned char>(bytes[i]);
    text += kDigits[b >> 4];
    text += kDigits[b & 0x0F];
    text += (i % 16 == 15 || i + 1 == bytes.size()) ? "\r\n" : " ";
  }
  return text;
}

std::string Block(int number, const std::string& bytes, const std::string& indent) {
  const std::string marker = "$?St$Bk?_#[" + std::to_string(number) + "]";
  return indent + marker + "\r\n" + HexBlockLines(bytes, indent) + marker + "\r\n";
}

std::string IoTableData(const SampleRecipe& recipe, const std::string& deviceMemory, Random& random) {
  std::string bytes = "TQ5A";  // the table names the PLC model it was made for, twice
  bytes += std::string("\x00\x01\x00\x00", 4);
  for (int unit = 1; unit <= recipe.ioUnits; ++unit) {
    bytes += static_cast<char>(unit);
    bytes += static_cast<char>(unit % 2 ? 0x11 : 0x21);
    bytes += std::string("\x00\x20", 2);
    for (int k = 0; k < 12; ++k) bytes += static_cast<char>(random.Next() & 0x0F);
  }
  bytes += deviceMemory;
  bytes += "TQ5A";
  return bytes;
}

}  // namespace

const std::string& JapaneseComment() { return kHomed; }

std::string UnitSetupDocument(const SampleRecipe& recipe, PlantedChanges& planted) {
  return UnitSetupXml(recipe, planted);
}

std::string ProjectForRecipe(const SampleRecipe& recipe, PlantedChanges& planted) {
  return ProjectWithUnitSetup(recipe, UnitSetupXml(recipe, planted), planted);
}

std::string ProjectWithUnitSetup(const SampleRecipe& recipe, const std::string& unitSetupXml,
                                 PlantedChanges& planted, const std::string& deviceMemory) {
  Random random(0x5EED0000u + static_cast<std::uint32_t>(recipe.programLines));
  const std::string unitSetup = ImplodeBytes(unitSetupXml).bytes;
  planted.unitSetupBytes = unitSetup.size();
  planted.ioTableModelEntries = 2;
  std::string settings;
  for (int i = 0; i < recipe.settingsBytes; ++i)
    settings += static_cast<char>(random.Next() % 7 == 0 ? random.Next() : 0);

  std::string t;
  t += "(* Velkor LQT project *)\r\n";
  t += "Project:=" + recipe.name + "\r\nBEGIN\r\n";
  t += "  FileFormat:=\"4.2\";\r\n";
  t += "  Author:=\"Plant engineering\";\r\n";
  t += recipe.japanese ? "  Comment:=\"" + kLinePacking + "\";\r\n" : "  Comment:=\"Line 1 packaging\";\r\n";
  t += "  TQ5ASupportVersion:=\"1.08\";\r\n";
  t += "  ResourceCount:=1;\r\n";
  t += "  PLC:=PLC1\r\n  BEGIN\r\n";
  t += "    Name:=\"PLC1\";\r\n";
  t += "    Config:=\"[DEV]DEV:TQ5A;CPU:" + recipe.cpu +
       ";[MEM]IO:X,0,1024,BIT,RW,;EM:E,0,32768,WORD,RW,1,;DM:D,0,32768,WORD,RW,;UM:UM,0,94208,;[NET]IP:192.168.0.10;\";"
       "\r\n";
  t += "    IOTable:=\r\n    BEGIN\r\n";
  t += "      UnitSetup:=\r\n" + Block(1, unitSetup, "      ");
  const std::string ioTable = IoTableData(recipe, deviceMemory, random);
  planted.ioTableBytes = ioTable.size();
  planted.settingsBytes = settings.size();
  t += "      Data:=\r\n" + Block(2, ioTable, "      ");
  t += "    END;\r\n";
  t += "    Settings:=\r\n    BEGIN\r\n";
  t += "      Data:=\r\n" + Block(3, settings, "      ");
  t += "    END;\r\n";
  t += "  END;\r\n";
  t += "  Resource[1]:=PLC1\r\n  BEGIN\r\n    Program:=Main\r\n    BEGIN\r\n";
  const std::string* comments[] = {&kConveyorStart, &kEmergencyStop, &kHomed, &kTemperatureAlarm};
  for (int line = 0; line < recipe.programLines; ++line) {
    if (line % 8 == 0) {
      const std::string comment = recipe.japanese ? *comments[(line / 8) % 4] : "rung " + std::to_string(line / 8);
      t += "      (* " + comment + " *)\r\n";
    }
    t += "      LD X" + std::to_string(line % 64) + "; AND X" + std::to_string((line * 7) % 64) + "; OUT Y" +
         std::to_string(line % 32) + ";\r\n";
  }
  t += "    END;\r\n  END;\r\nEND;\r\n";
  return t;
}

const std::vector<BundledSample>& BundledSamples() {
  static const std::vector<BundledSample> samples = {
      {"plant.lqt", {"Line1", "CPU63", false, 4, 40, 512, true}, false},
      {"kojo_sjis.lqt", {"Kojo2", "CPU64", true, 6, 120, 1024, true}, false},
      {"press.lqp", {"Press3", "CPU85", false, 3, 60, 768, false}, true},
      {"large_line.lqt", {"Line9", "CPU65", true, 12, 28000, 420000, true}, false},
  };
  return samples;
}

std::string SampleFile(const BundledSample& sample, PlantedChanges& planted) {
  const std::string text = ProjectForRecipe(sample.recipe, planted);
  return sample.packed ? ImplodeBytes(text).bytes : text;
}
