// Writes the bundled sample projects (see sample_projects.h), a whole plant of varied ones for
// trying batches, or the seeds of the conversion and unit-setup fuzz targets.
//   make_samples OUTPUT_FOLDER
//   make_samples --plant COUNT OUTPUT_FOLDER   COUNT projects in hall folders of 50
//   make_samples --fuzz-seeds CORPUS_FOLDER    small projects and documents of the samples' make-up
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "implode/codec_memory.h"
#include "sample_projects.h"

namespace {

void Write(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out.flush()) {
    std::fprintf(stderr, "make_samples: cannot write %s\n", path.string().c_str());
    std::exit(1);
  }
  std::printf("%s (%zu bytes)\n", path.string().c_str(), bytes.size());
}

// The text with the first occurrence of what replaced by with; the seeds' edge cases.
std::string Replaced(std::string text, const std::string& what, const std::string& with) {
  const std::size_t at = text.find(what);
  if (at == std::string::npos) {
    std::fprintf(stderr, "make_samples: no \"%s\" to replace\n", what.c_str());
    std::exit(1);
  }
  return text.replace(at, what.size(), with);
}

const SampleRecipe kPlant{"Line1", "CPU63", false, 4, 40, 512, true};
const SampleRecipe kKojo{"Kojo2", "CPU64", true, 6, 120, 1024, true};
const SampleRecipe kPress{"Press3", "CPU85", false, 3, 60, 768, false};
// The large line's make-up at a size a fuzzer can run many times a second.
const SampleRecipe kLineCut{"Line9", "CPU65", true, 12, 160, 2048, true};
const SampleRecipe kSmall{"Edge", "CPU63", false, 1, 4, 32, false};

std::string Project(const SampleRecipe& recipe) {
  PlantedChanges planted;
  return ProjectForRecipe(recipe, planted);
}
std::string Project(const SampleRecipe& recipe, const std::string& unitSetupXml) {
  PlantedChanges planted;
  return ProjectWithUnitSetup(recipe, unitSetupXml, planted);
}
std::string UnitSetupXml(const SampleRecipe& recipe) {
  PlantedChanges planted;
  return UnitSetupDocument(recipe, planted);
}

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
  Write(folder / "shift_jis.xml",
        Replaced(Replaced(xml, "UTF-8", "Shift_JIS"), "Name=\"PLC1\"", "Name=\"" + JapaneseComment() + "\""));
  Write(folder / "next_id_beyond_int32.xml", Replaced(xml, "NextID=\"S", "NextID=\"S99999999999"));
  Write(folder / "equipment_is_the_root.xml",
        "<Prj ID=\"S5\" NextID=\"S2\"><Comp ID=\"S7\" Name=\"Component\" MdlNm=\"TQ5A-NTX40\"/><C ID=\"S7\"/></Prj>");
  Write(folder / "equipment_is_the_network_unit.xml",
        "<Prj ID=\"S1\"><Comp ID=\"S5\" Name=\"Component\" MdlNm=\"TQ5A-NTX40\"><C ID=\"S6\"/></Comp></Prj>");
  Write(folder / "highest_id.xml",
        "<Prj NextID=\"S3\"><E ID=\"S5\"><A ID=\"S2147483647\"/><B ID=\"S2147483648\"/></E></Prj>");
}

// Project number n of a plant: every CPU type in turn, sizes and languages varied, every
// seventh packed.
BundledSample PlantProject(int n) {
  static const char* const kCpus[] = {"CPU61", "CPU62", "CPU63", "CPU64", "CPU65",
                                      "CPU81", "CPU82", "CPU83", "CPU84", "CPU85"};
  BundledSample sample;
  sample.packed = n % 7 == 0;
  sample.fileName = "line" + std::to_string(n) + (sample.packed ? ".lqp" : ".lqt");
  sample.recipe = {"Line" + std::to_string(n), kCpus[n % 10], n % 3 == 0, 1 + n % 12, 20 + (n * 37) % 400,
                   256 + (n * 131) % 4096, n % 2 == 0};
  return sample;
}

int WritePlant(const char* countText, const std::filesystem::path& folder) {
  const int count = std::atoi(countText);
  if (count <= 0) {
    std::fprintf(stderr, "make_samples: COUNT must be a number from 1\n");
    return 2;
  }
  for (int n = 1; n <= count; ++n) {
    const BundledSample sample = PlantProject(n);
    const std::filesystem::path hall = folder / ("hall" + std::to_string((n - 1) / 50 + 1));
    std::filesystem::create_directories(hall);
    PlantedChanges planted;
    Write(hall / sample.fileName, SampleFile(sample, planted));
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--plant") return WritePlant(argv[2], argv[3]);
  if (argc == 3 && std::string(argv[1]) == "--fuzz-seeds") {
    const std::filesystem::path corpus = argv[2];
    WriteConversionSeeds(corpus / "conversion");
    WriteUnitRulesSeeds(corpus / "unit_rules");
    return 0;
  }
  if (argc != 2) {
    std::fprintf(stderr,
                 "usage: make_samples OUTPUT_FOLDER\n       make_samples --plant COUNT OUTPUT_FOLDER\n"
                 "       make_samples --fuzz-seeds CORPUS_FOLDER\n");
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  std::filesystem::create_directories(folder);
  for (const BundledSample& sample : BundledSamples()) {
    PlantedChanges planted;
    Write(folder / sample.fileName, SampleFile(sample, planted));
  }
  return 0;
}
