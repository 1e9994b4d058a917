// make_project [--packed] [--noisy] [--hex-share F] [--elements N] MEGABYTES OUT
// Writes a generated project of about MEGABYTES x 10^6 bytes of text (see project_generator.h),
// compressed into one stream with --packed.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "project_generator.h"

namespace {

int Usage() {
  std::fprintf(stderr, "usage: make_project [--packed] [--noisy] [--hex-share F] [--elements N] MEGABYTES OUT\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  ProjectShape shape;
  bool packed = false;
  int at = 1;
  for (; at < argc && argv[at][0] == '-'; ++at) {
    const std::string option = argv[at];
    if (option == "--packed") {
      packed = true;
    } else if (option == "--noisy") {
      shape.memory = DeviceMemoryKind::Noisy;
    } else if (option == "--hex-share" && at + 1 < argc) {
      shape.hexShare = std::atof(argv[++at]);
    } else if (option == "--elements" && at + 1 < argc) {
      shape.unitSetupElements = std::atoi(argv[++at]);
    } else {
      return Usage();
    }
  }
  if (argc - at != 2) return Usage();
  shape.textBytes = static_cast<std::uint64_t>(std::atof(argv[at]) * 1e6);
  WrittenProject written;
  if (!WriteProject(shape, packed, argv[at + 1], written)) {
    std::fprintf(stderr, "make_project: cannot write %s\n", argv[at + 1]);
    return 1;
  }
  std::printf("%s: %llu bytes (text %llu), unit setup %d elements, %zu bytes of XML\n", argv[at + 1],
              static_cast<unsigned long long>(written.fileBytes), static_cast<unsigned long long>(written.textBytes),
              written.unitSetupElements, written.unitSetupXmlBytes);
  return 0;
}
