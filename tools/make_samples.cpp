// Writes the bundled sample projects (see sample_projects.h).
//   make_samples OUTPUT_FOLDER
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

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_samples OUTPUT_FOLDER\n");
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
