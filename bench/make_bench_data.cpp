// make_bench_data KIND SIZE OUT: writes SIZE bytes of one benchmark data kind to OUT, the same
// bytes the in-memory benchmark compresses (so files for the whole-process comparison come from
// one generator).
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench_data.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: make_bench_data KIND SIZE OUT (KIND: project_hex zero_hex xml runs random)\n");
    return 2;
  }
  const auto kind = benchdata::KindNamed(argv[1]);
  char* end = nullptr;
  const unsigned long long size = std::strtoull(argv[2], &end, 10);
  if (!kind || end == argv[2] || *end != '\0') {
    std::fprintf(stderr, "make_bench_data: bad kind or size\n");
    return 2;
  }
  const std::string data = benchdata::Generate(*kind, size);
  std::FILE* const out = std::fopen(argv[3], "wb");
  if (out == nullptr) {
    std::perror(argv[3]);
    return 1;
  }
  const bool written = std::fwrite(data.data(), 1, data.size(), out) == data.size();
  if (std::fclose(out) != 0 || !written) {
    std::perror(argv[3]);
    return 1;
  }
  return 0;
}
