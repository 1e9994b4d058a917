// Writes the bundled sample projects: plausible TQ5A projects of a line-oriented text with one
// PLC, its configuration line, and marker-framed hex blocks, the unit setup being a compressed
// XML document. Deterministic: the same program writes the same bytes.
//   make_samples OUTPUT_FOLDER               the bundled samples
//   make_samples --fuzz-seeds CORPUS_FOLDER  seeds of the conversion and unit-setup fuzz targets,
//                                            small projects and documents of the samples' make-up
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

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

struct SampleRecipe {
  std::string name;        // project title
  std::string cpu;         // CPU type designator
  bool japanese = false;   // comments in Shift-JIS
  int ioUnits = 4;         // I/O units in the unit setup
  int programLines = 40;   // lines of ladder text after the PLC definition
  int settingsBytes = 512; // size of the settings data block
  bool plcIdentify = true;
};

// The next identifier. Built by appending: g++ 12 takes an insertion in front of a temporary
// string for an overlapping copy (-Wrestrict).
std::string Id(int& next) {
  std::string id = "S";
  id += std::to_string(next++);
  return id;
}

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
std::string UnitSetupXml(const SampleRecipe& recipe) {
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
  eqpt += "\t\t<Param ID=\"" + Id(next) + "\" CtDt=\"" + date + "\" ModDt=\"" + date + "\" Cmt=\"\">\r\n";
  for (const char* item : {"P_Port1_Mode", "P_Port1_Baudrate", "P_Port1_Parity", "P_Port10_Timeout",
                           "P_Port2_Mode", "P_Port2_Baudrate", "P_Scan_Time", "P_Watchdog_Time"}) {
    eqpt += "\t\t\t<ParamItem ID=\"" + Id(next) + "\" Disp=\"Yes\" SetGet=\"SetGet\" Name=\"" + item +
            "\" Value=\"0x0000\"/>\r\n";
  }
  eqpt += "\t\t</Param>\r\n";
  eqpt += "\t\t<Comp ID=\"" + Id(next) + "\" CtDt=\"" + date + "\" ModDt=\"" + date +
          "\" Name=\"CPU Unit\" Cmt=\"\" MdlNm=\"TQ5A-" + recipe.cpu + "\" UtNum=\"0\" RkNum=\"0\" StNum=\"0\"" +
          " ConfStr=\"\" MajorVer=\"2\" MinorVer=\"3\" FlNm=\"KPD_TQ5A-" + recipe.cpu + "_Ver2_3.xml\">\r\n";
  eqpt += "\t\t\t<Param ID=\"" + Id(next) + "\" CtDt=\"" + date + "\" ModDt=\"" + date + "\" Cmt=\"\">\r\n";
  eqpt += ParamItems(next, "\t\t\t\t", "P_CPU_Setting_", 24);
  eqpt += "\t\t\t</Param>\r\n\t\t</Comp>\r\n";
  eqpt += "\t\t<Comp ID=\"" + Id(next) + "\" CtDt=\"" + date + "\" ModDt=\"" + date +
          "\" Name=\"Component\" Cmt=\"built-in network\" MdlNm=\"TQ5A-NTX40\" UtNum=\"0\" RkNum=\"0\"" +
          " StNum=\"11\" ConfStr=\"\" MajorVer=\"1\" MinorVer=\"0\" FlNm=\"KPD_TQ5A-NTX40_Ver1_0.xml\">\r\n";
  // The interface takes its number before the list around it does (the bundled samples have it so).
  const std::string interfaceId = Id(next);
  const std::string interfaceListId = Id(next);
  eqpt += "\t\t\t<CommIFs ID=\"" + interfaceListId + "\">\r\n\t\t\t\t<CommIF ID=\"" + interfaceId + "\" CtDt=\"" +
          date + "\" ModDt=\"" + date + "\" IFNumber=\"Z_000004\" MacNum=\"16\"/>\r\n\t\t\t</CommIFs>\r\n";
  eqpt += "\t\t\t<Param ID=\"" + Id(next) + "\" CtDt=\"" + date + "\" ModDt=\"" + date + "\" Cmt=\"\">\r\n";
  eqpt += ParamItems(next, "\t\t\t\t", "P_Network_Setting_", 60);
  eqpt += "\t\t\t</Param>\r\n\t\t</Comp>\r\n";
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
  xml += "<Prj ID=\"S1\" NextID=\"S" + std::to_string(next) + "\" Name=\"" + recipe.name +
         "\" CtDt=\"" + date + "\" ModDt=\"" + date + "\" MdlNm=\"TQ5A\">\r\n";
  xml += "\t<Eqpt ID=\"S5\" CtDt=\"" + date + "\" ModDt=\"" + date + "\" Name=\"PLC1\" MdlNm=\"TQ5A\"" +
         " PLCIdentify=\"" + (recipe.plcIdentify ? "Yes" : "No") + "\">\r\n";
  xml += eqpt + "\t</Eqpt>\r\n</Prj>\r\n";
  return xml;
}

// Hex values 16 to a line, indented, as the project editor writes its blocks.
std::string HexBlockLines(const std::string& bytes, const std::string& indent) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
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

std::string IoTableData(const SampleRecipe& recipe, Random& random) {
  std::string bytes = "TQ5A";  // the table names the PLC model it was made for
  bytes += std::string("\x00\x01\x00\x00", 4);
  for (int unit = 1; unit <= recipe.ioUnits; ++unit) {
    bytes += static_cast<char>(unit);
    bytes += static_cast<char>(unit % 2 ? 0x11 : 0x21);
    bytes += std::string("\x00\x20", 2);
    for (int k = 0; k < 12; ++k) bytes += static_cast<char>(random.Next() & 0x0F);
  }
  bytes += "TQ5A";
  return bytes;
}

// The project of the recipe around the given unit-setup document.
std::string Project(const SampleRecipe& recipe, const std::string& unitSetupXml) {
  Random random(0x5EED0000u + static_cast<std::uint32_t>(recipe.programLines));
  const std::string unitSetup = ImplodeBytes(unitSetupXml).bytes;
  std::string settings;
  for (int i = 0; i < recipe.settingsBytes; ++i) settings += static_cast<char>(random.Next() % 7 == 0 ? random.Next() : 0);

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
       ";[MEM]IO:X,0,1024,BIT,RW,;EM:E,0,32768,WORD,RW,1,;DM:D,0,32768,WORD,RW,;UM:UM,0,94208,;[NET]IP:192.168.0.10;\";\r\n";
  t += "    IOTable:=\r\n    BEGIN\r\n";
  t += "      UnitSetup:=\r\n" + Block(1, unitSetup, "      ");
  t += "      Data:=\r\n" + Block(2, IoTableData(recipe, random), "      ");
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

std::string Project(const SampleRecipe& recipe) { return Project(recipe, UnitSetupXml(recipe)); }

// The text with the first occurrence of what replaced by with; the seeds' edge cases.
std::string Replaced(std::string text, const std::string& what, const std::string& with) {
  const std::size_t at = text.find(what);
  if (at == std::string::npos) {
    std::fprintf(stderr, "make_samples: no \"%s\" to replace\n", what.c_str());
    std::exit(1);
  }
  return text.replace(at, what.size(), with);
}

void Write(const std::filesystem::path& path, const std::string& bytes);

const SampleRecipe kPlant{"Line1", "CPU63", false, 4, 40, 512, true};
const SampleRecipe kKojo{"Kojo2", "CPU64", true, 6, 120, 1024, true};
const SampleRecipe kPress{"Press3", "CPU85", false, 3, 60, 768, false};
const SampleRecipe kLargeLine{"Line9", "CPU65", true, 12, 28000, 420000, true};
// The large line's make-up at a size a fuzzer can run many times a second.
const SampleRecipe kLineCut{"Line9", "CPU65", true, 12, 160, 2048, true};
const SampleRecipe kSmall{"Edge", "CPU63", false, 1, 4, 32, false};

// Seeds of the whole-conversion fuzz target: a route byte (0 text, 1 packed as given, 2 packed
// from the rest, 3 a project around the rest as its unit-setup document), then those bytes.
void WriteConversionSeeds(const std::filesystem::path& folder) {
  std::filesystem::create_directories(folder);
  const auto seed = [&folder](const char* name, char route, const std::string& bytes) {
    Write(folder / name, route + bytes);
  };
  seed("text_plant", 0, Project(kPlant));
  seed("text_kojo_sjis", 0, Project(kKojo));
  seed("packed_press", 1, ImplodeBytes(Project(kPress)).bytes);
  seed("compressed_press", 2, Project(kPress));
  seed("text_line_cut", 0, Project(kLineCut));
  const std::string small = Project(kSmall);
  seed("text_small", 0, small);
  seed("compressed_small", 2, small);
  seed("text_empty", 0, "");
  seed("packed_not_a_stream", 1, small);
  seed("text_two_plcs", 0, Replaced(small, "ResourceCount:=1;", "ResourceCount:=2;"));
  seed("text_target_model", 0, Replaced(small, "DEV:TQ5A;", "DEV:TQ6A;"));
  std::string lf = small;
  lf.erase(std::remove(lf.begin(), lf.end(), '\r'), lf.end());
  seed("text_lf_line_ends", 0, lf);
  const std::string unitSetupBlock = "$?St$Bk?_#[1]\r\n";
  const std::size_t open = small.find(unitSetupBlock) + unitSetupBlock.size();
  const std::size_t close = small.find("$?St$Bk?_#[1]", open);
  seed("text_unit_setup_not_a_stream", 0, small.substr(0, open) + "      00 01 02 03\r\n" + small.substr(close));
  seed("text_unit_setup_empty", 0, small.substr(0, open) + small.substr(close));
  const std::string xml = UnitSetupXml(kSmall);
  seed("text_no_equipment", 0, Project(kSmall, Replaced(xml, "ID=\"S5\"", "ID=\"S4\"")));
  seed("text_root_not_prj", 0, Project(kSmall, Replaced(Replaced(xml, "<Prj ", "<Proj "), "</Prj>", "</Proj>")));
  seed("text_unit_setup_not_xml", 0, Project(kSmall, "<Prj><Eqpt ID=\"S5\">"));
  seed("document_small", 3, xml);
  seed("document_plant", 3, UnitSetupXml(kPlant));
  seed("document_equipment_is_the_network_unit", 3,
       "<Prj ID=\"S1\"><Comp ID=\"S5\" Name=\"Component\" MdlNm=\"TQ5A-NTX40\"><C ID=\"S6\"/></Comp></Prj>");
}

// Seeds of the unit-setup rules fuzz target: unit-setup documents.
void WriteUnitRulesSeeds(const std::filesystem::path& folder) {
  std::filesystem::create_directories(folder);
  Write(folder / "plant.xml", UnitSetupXml(kPlant));
  Write(folder / "kojo_sjis.xml", UnitSetupXml(kKojo));
  Write(folder / "press.xml", UnitSetupXml(kPress));
  Write(folder / "line_cut.xml", UnitSetupXml(kLineCut));
  const std::string xml = UnitSetupXml(kSmall);
  Write(folder / "small.xml", xml);
  Write(folder / "no_network_unit.xml", Replaced(xml, "MdlNm=\"TQ5A-NTX40\"", "MdlNm=\"TQ5A-NTX41\""));
  Write(folder / "shift_jis.xml", Replaced(Replaced(xml, "UTF-8", "Shift_JIS"), "Name=\"PLC1\"", "Name=\"" + kHomed + "\""));
  Write(folder / "next_id_beyond_int32.xml", Replaced(xml, "NextID=\"S", "NextID=\"S99999999999"));
  Write(folder / "equipment_is_the_root.xml",
        "<Prj ID=\"S5\" NextID=\"S2\"><Comp ID=\"S7\" Name=\"Component\" MdlNm=\"TQ5A-NTX40\"/><C ID=\"S7\"/></Prj>");
  Write(folder / "equipment_is_the_network_unit.xml",
        "<Prj ID=\"S1\"><Comp ID=\"S5\" Name=\"Component\" MdlNm=\"TQ5A-NTX40\"><C ID=\"S6\"/></Comp></Prj>");
  Write(folder / "highest_id.xml", "<Prj NextID=\"S3\"><E ID=\"S5\"><A ID=\"S2147483647\"/><B ID=\"S2147483648\"/></E></Prj>");
}

void Write(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out.flush()) {
    std::fprintf(stderr, "make_samples: cannot write %s\n", path.string().c_str());
    std::exit(1);
  }
  std::printf("%s (%zu bytes)\n", path.string().c_str(), bytes.size());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string_view(argv[1]) == "--fuzz-seeds") {
    const std::filesystem::path corpus = argv[2];
    WriteConversionSeeds(corpus / "conversion");
    WriteUnitRulesSeeds(corpus / "unit_rules");
    return 0;
  }
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_samples OUTPUT_FOLDER | make_samples --fuzz-seeds CORPUS_FOLDER\n");
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  std::filesystem::create_directories(folder);

  Write(folder / "plant.lqt", Project(kPlant));
  Write(folder / "kojo_sjis.lqt", Project(kKojo));
  Write(folder / "press.lqp", ImplodeBytes(Project(kPress)).bytes);
  Write(folder / "large_line.lqt", Project(kLargeLine));
  return 0;
}
