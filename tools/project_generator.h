// Projects of a chosen size for the conversion benchmark: the sample layout with a large I/O table
// data block (device memory, mostly zeros or noisy), a unit-setup document of a chosen number of
// elements and program text filling the rest. Deterministic: the same shape gives the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

enum class DeviceMemoryKind {
  MostlyZero,  // long stretches of 00, runs of FF, a little noise
  Noisy,       // small counters and random values throughout
};

struct ProjectShape {
  std::uint64_t textBytes = 4000000;  // about this many bytes of project text
  double hexShare = 0.5;               // share of the text the I/O table data block takes
  DeviceMemoryKind memory = DeviceMemoryKind::MostlyZero;
  int unitSetupElements = 1000;        // elements of the unit-setup document, at least 138
};

struct GeneratedProject {
  std::string text;                // the project text
  std::size_t unitSetupXmlBytes = 0;  // the unit-setup document before compression
  int unitSetupElements = 0;          // as generated
};

GeneratedProject GenerateProject(const ProjectShape& shape);

// Elements of the unit-setup document with this many I/O units.
int UnitSetupElementsFor(int ioUnits);

struct WrittenProject {
  std::uint64_t textBytes = 0;  // the project text (what a packed file expands to)
  std::uint64_t fileBytes = 0;  // the file as written
  std::size_t unitSetupXmlBytes = 0;
  int unitSetupElements = 0;
};

// Generates a project and writes it, as text or compressed into one stream; false when the file
// cannot be written.
bool WriteProject(const ProjectShape& shape, bool packed, const std::string& path, WrittenProject& written);
