// The sample projects: plausible TQ5A projects of a line-oriented text with one PLC, its
// configuration line, and marker-framed hex blocks, the unit setup being a compressed XML
// document. Deterministic: the same recipe gives the same bytes. Each project comes with what it
// planted for a conversion to change, so that a test can hold a conversion's report against it.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct SampleRecipe {
  std::string name;         // project title
  std::string cpu;          // CPU type designator
  bool japanese = false;    // comments in Shift-JIS
  int ioUnits = 4;          // I/O units in the unit setup
  int programLines = 40;    // lines of ladder text after the PLC definition
  int settingsBytes = 512;  // size of the settings data block
  bool plcIdentify = true;
};

// What a sample holds that a conversion changes, as the generator wrote it.
struct PlantedChanges {
  std::vector<std::string> interfacesRemoved;  // "IFNumber" of the retired interfaces
  std::vector<std::string> parametersRemoved;  // "Name" of the port-1 parameters
  std::size_t modelNames = 0;                  // "TQ5A" written in attribute values
  std::size_t cpuComponents = 0;
  bool networkUnit = false;
  std::size_t identifiersBelowEquipment = 0;  // "ID"s written below the equipment element
  std::size_t identifiersRemoved = 0;         // of those, on what the conversion removes
  int firstRenumbered = 6;                    // 28 when the equipment says PLCIdentify="Yes"
  std::string nextIdBefore;
  std::size_t ioTableBytes = 0;
  std::size_t ioTableModelEntries = 0;  // "TQ5A" in the I/O table data
  std::size_t settingsBytes = 0;
  std::size_t unitSetupBytes = 0;  // the compressed unit-setup stream
};

struct BundledSample {
  std::string fileName;  // in samples/
  SampleRecipe recipe;
  bool packed = false;  // written as one compressed stream
};

// The samples make_samples writes, in that order.
const std::vector<BundledSample>& BundledSamples();

// The project text of a recipe, and what it planted.
std::string ProjectForRecipe(const SampleRecipe& recipe, PlantedChanges& planted);

// The unit-setup document of a recipe (before compression), and what it planted.
std::string UnitSetupDocument(const SampleRecipe& recipe, PlantedChanges& planted);

// The project text of a recipe around a given unit-setup document (the fuzz seeds' edge cases),
// its I/O table data carrying deviceMemory after its unit entries.
std::string ProjectWithUnitSetup(const SampleRecipe& recipe, const std::string& unitSetupXml,
                                 PlantedChanges& planted, const std::string& deviceMemory = {});

// Shift-JIS bytes of a Japanese comment, as plant engineers write them.
const std::string& JapaneseComment();

// The file's bytes: the text, or for a packed sample its compressed stream.
std::string SampleFile(const BundledSample& sample, PlantedChanges& planted);
