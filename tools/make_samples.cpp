// Writes the bundled sample projects (see sample_projects.h), or a whole plant of varied ones
// for trying batches.
//   make_samples OUTPUT_FOLDER
//   make_samples --plant COUNT OUTPUT_FOLDER   COUNT projects in hall folders of 50
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

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
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_samples OUTPUT_FOLDER\n       make_samples --plant COUNT OUTPUT_FOLDER\n");
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
