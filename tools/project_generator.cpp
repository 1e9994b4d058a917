#include "project_generator.h"

#include <algorithm>
#include <random>

#include "implode/codec_memory.h"
#include "platform/platform.h"
#include "sample_projects.h"

namespace {

// Elements of a unit-setup document without I/O units, and of each I/O unit (the unit, its
// parameter list and 32 parameters).
constexpr int kFixedElements = 104;
constexpr int kElementsPerIoUnit = 34;

// Bytes of hex text per byte of block data, 16 values to a line indented by six.
constexpr double kHexTextPerByte = (6.0 + 3 * 16 + 1) / 16;

std::string DeviceMemory(DeviceMemoryKind kind, std::size_t size) {
  std::mt19937 random(0x7A5EEDu + static_cast<std::uint32_t>(kind));
  std::string bytes(size, '\0');
  std::size_t at = 0;
  if (kind == DeviceMemoryKind::Noisy) {
    std::uint8_t counter = 0;
    for (; at < size; ++at) {
      const std::uint32_t r = random();
      bytes[at] = static_cast<char>((r & 3) == 0 ? static_cast<std::uint8_t>(r >> 8) : counter++ & 0x3F);
    }
    return bytes;
  }
  while (at < size) {
    const std::uint32_t r = random();
    const std::size_t zeros = 64 + (r & 0x3FF);
    at += zeros;
    const std::size_t run = (r >> 10) % 7 == 0 ? 1 + ((r >> 13) & 0x7F) : 0;
    for (std::size_t k = 0; k < run && at < size; ++k) bytes[at++] = '\xFF';
    for (int k = 0; k < 3 && at < size; ++k) bytes[at++] = static_cast<char>(random());
  }
  return bytes;
}

SampleRecipe RecipeFor(const ProjectShape& shape) {
  SampleRecipe recipe{"Bench", "CPU63", false, 1, 0, 4096, true};
  recipe.ioUnits = std::max(1, (shape.unitSetupElements - kFixedElements) / kElementsPerIoUnit);
  return recipe;
}

}  // namespace

int UnitSetupElementsFor(int ioUnits) { return kFixedElements + kElementsPerIoUnit * ioUnits; }

GeneratedProject GenerateProject(const ProjectShape& shape) {
  SampleRecipe recipe = RecipeFor(shape);
  PlantedChanges planted;
  const std::string xml = UnitSetupDocument(recipe, planted);
  // The program text's cost per line, from two small projects around the same document.
  recipe.programLines = 0;
  const std::size_t fixed = ProjectWithUnitSetup(recipe, xml, planted).size();
  recipe.programLines = 800;
  const double perLine = static_cast<double>(ProjectWithUnitSetup(recipe, xml, planted).size() - fixed) / 800;

  const double target = static_cast<double>(shape.textBytes);
  const double hexText = std::min(target * shape.hexShare, std::max(0.0, target - static_cast<double>(fixed)));
  const auto memoryBytes = static_cast<std::size_t>(hexText / kHexTextPerByte);
  const std::string deviceMemory = DeviceMemory(shape.memory, memoryBytes);
  const double rest = target - static_cast<double>(fixed) - static_cast<double>(memoryBytes) * kHexTextPerByte;
  recipe.programLines = rest > 0 ? static_cast<int>(rest / perLine) : 0;

  GeneratedProject project;
  project.text = ProjectWithUnitSetup(recipe, xml, planted, deviceMemory);
  project.unitSetupXmlBytes = xml.size();
  project.unitSetupElements = UnitSetupElementsFor(recipe.ioUnits);
  return project;
}

bool WriteProject(const ProjectShape& shape, bool packed, const std::string& path, WrittenProject& written) {
  GeneratedProject project = GenerateProject(shape);
  written.textBytes = project.text.size();
  written.unitSetupXmlBytes = project.unitSetupXmlBytes;
  written.unitSetupElements = project.unitSetupElements;
  if (packed) project.text = ImplodeBytes(project.text).bytes;
  written.fileBytes = project.text.size();
  return platform::WriteWholeFile(platform::PathFromUtf8(path), project.text);
}
