// Throughput of the stream codec beside zlib on the very same data, in MB/s of uncompressed
// bytes, and the ratio of ours to zlib's at the end. The data is generated deterministically:
// project-like hex text (the data blocks of a project), XML text (the unit-setup document) and
// random bytes.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "implode/codec_memory.h"
#include "implode/explode.h"
#include "implode/implode.h"

namespace {

constexpr std::size_t kDataSize = 1 << 20;

// Lines of 32 hex values and CR LF, as in a project's data blocks: mostly zero bytes, some
// all-ones, small counters and scattered arbitrary values, with a block marker now and then.
std::string ProjectHexText() {
  static const char digits[] = "0123456789ABCDEF";
  std::mt19937 random(1);
  std::string text;
  int block = 0;
  while (text.size() < kDataSize) {
    if (random() % 64 == 0) {
      text += "$?St$Bk?_#[" + std::to_string(block++) + "]\r\n";
      continue;
    }
    const unsigned kind = random() % 10;
    for (int i = 0; i < 32; ++i) {
      unsigned value = 0;
      if (kind >= 6) {
        const unsigned r = random() % 10;
        value = r < 5 ? 0 : r < 6 ? 0xFF : r < 8 ? static_cast<unsigned>(i) : random() & 0xFF;
      }
      text.push_back(digits[value >> 4]);
      text.push_back(digits[value & 15]);
      if (i != 31) text.push_back(' ');
    }
    text += "\r\n";
  }
  text.resize(kDataSize);
  return text;
}

std::string XmlText() {
  std::mt19937 random(2);
  std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Prj Version=\"3.2\">\r\n";
  for (int id = 1; text.size() < kDataSize; ++id) {
    // Drawn last field first, so the data stays what earlier measurements ran on.
    const unsigned version = random() % 10;
    const unsigned definition = random() % 16;
    const unsigned model = random() % 8;
    const unsigned name = random() % 64;
    text += "  <Comp ID=\"S" + std::to_string(id) + "\" Name=\"Unit" + std::to_string(name) + "\" Model=\"TQ5A-" +
            std::to_string(model) + "\" Def=\"unit_" + std::to_string(definition) + ".def\" Ver=\"1." +
            std::to_string(version) + "\">\r\n";
    for (int p = 0; p < 4; ++p) {
      text += "    <Param Key=\"Port" + std::to_string(p + 1) + "Baud\" Value=\"" +
              std::to_string(9600u << (random() % 4)) + "\"/>\r\n";
    }
    text += "  </Comp>\r\n";
  }
  text += "</Prj>\r\n";
  text.resize(kDataSize);
  return text;
}

std::string RandomData() {
  std::mt19937 random(3);
  std::string bytes(kDataSize, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

const std::string& Data(int which) {
  static const std::string sets[] = {ProjectHexText(), XmlText(), RandomData()};
  return sets[which];
}
const char* const kDataNames[] = {"project_hex", "xml", "random"};

// Streaming callbacks over preallocated memory, so the benchmark measures the codec and not the
// growth of a string.
struct Buffers {
  const char* input;
  std::size_t inputSize;
  std::size_t consumed;
  char* output;
  std::size_t written;
};

std::uint32_t ReadBuffer(char* buffer, std::uint32_t& size, void* param) {
  auto& b = *static_cast<Buffers*>(param);
  const std::size_t n = std::min<std::size_t>(size, b.inputSize - b.consumed);
  std::memcpy(buffer, b.input + b.consumed, n);
  b.consumed += n;
  return static_cast<std::uint32_t>(n);
}

void WriteBuffer(const char* buffer, std::uint32_t& size, void* param) {
  auto& b = *static_cast<Buffers*>(param);
  std::memcpy(b.output + b.written, buffer, size);
  b.written += size;
}

void Explode(benchmark::State& state) {
  const std::string& data = Data(static_cast<int>(state.range(0)));
  const std::string stream = ImplodeBytes(data).bytes;
  std::vector<char> output(data.size() + 8192);
  auto work = std::make_unique<ExplodeWorkArea>();
  for (auto _ : state) {
    std::memset(work.get(), 0, sizeof *work);  // the contract: a zero-filled work area per stream
    Buffers b{stream.data(), stream.size(), 0, output.data(), 0};
    if (ExplodeStream(ReadBuffer, WriteBuffer, *work, &b) != 0 || b.written != data.size()) {
      state.SkipWithError("bad expansion");
    }
    benchmark::DoNotOptimize(output.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
  state.counters["ratio"] = static_cast<double>(stream.size()) / static_cast<double>(data.size());
  state.SetLabel(kDataNames[state.range(0)]);
}

void Implode(benchmark::State& state) {
  const std::string& data = Data(static_cast<int>(state.range(0)));
  std::vector<char> output(data.size() + data.size() / 4 + 4096);
  auto work = std::make_unique<ImplodeWorkArea>();
  std::size_t packed = 0;
  for (auto _ : state) {
    std::memset(work.get(), 0, sizeof *work);
    Buffers b{data.data(), data.size(), 0, output.data(), 0};
    ImplodeStream(ReadBuffer, WriteBuffer, *work, &b, 0, 4096);
    packed = b.written;
    benchmark::DoNotOptimize(output.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
  state.counters["ratio"] = static_cast<double>(packed) / static_cast<double>(data.size());
  state.SetLabel(kDataNames[state.range(0)]);
}

std::string Deflate(const std::string& data, int level) {
  uLongf size = compressBound(data.size());
  std::string out(size, '\0');
  if (compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()),
                data.size(), level) != Z_OK) {
    throw std::runtime_error("deflate failed");
  }
  out.resize(size);
  return out;
}

void ZlibInflate(benchmark::State& state) {
  const std::string& data = Data(static_cast<int>(state.range(0)));
  const std::string stream = Deflate(data, 6);
  std::vector<char> output(data.size());
  for (auto _ : state) {
    uLongf size = output.size();
    if (uncompress(reinterpret_cast<Bytef*>(output.data()), &size, reinterpret_cast<const Bytef*>(stream.data()),
                   stream.size()) != Z_OK || size != data.size()) {
      state.SkipWithError("bad inflate");
    }
    benchmark::DoNotOptimize(output.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
  state.counters["ratio"] = static_cast<double>(stream.size()) / static_cast<double>(data.size());
  state.SetLabel(kDataNames[state.range(0)]);
}

void ZlibDeflate(benchmark::State& state) {
  const std::string& data = Data(static_cast<int>(state.range(0)));
  const int level = static_cast<int>(state.range(1));
  std::vector<char> output(compressBound(data.size()));
  uLongf packed = 0;
  for (auto _ : state) {
    packed = output.size();
    compress2(reinterpret_cast<Bytef*>(output.data()), &packed, reinterpret_cast<const Bytef*>(data.data()),
              data.size(), level);
    benchmark::DoNotOptimize(output.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
  state.counters["ratio"] = static_cast<double>(packed) / static_cast<double>(data.size());
  state.SetLabel(kDataNames[state.range(0)]);
}

BENCHMARK(Explode)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(ZlibInflate)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(Implode)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(ZlibDeflate)->ArgsProduct({{0, 1, 2}, {1, 6}})->Unit(benchmark::kMillisecond);

// Keeps each run's throughput so that the ratios can be printed after the table.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const auto& run : runs) {
      const auto it = run.counters.find("bytes_per_second");
      if (it != run.counters.end()) rates_[run.benchmark_name()] = it->second.value;
    }
  }

  void PrintRatios() const {
    std::printf("\nThroughput of ours relative to zlib on the same data (MB/s = 10^6 bytes/s):\n");
    for (int d = 0; d < 3; ++d) {
      const std::string arg = std::string("/").append(std::to_string(d));  // appended: g++ 12 warns falsely (-Wrestrict) on "/" + a temporary
      const double explode = Rate("Explode" + arg);
      const double inflate = Rate("ZlibInflate" + arg);
      const double implode = Rate("Implode" + arg);
      const double deflate1 = Rate("ZlibDeflate" + arg + "/1");
      const double deflate6 = Rate("ZlibDeflate" + arg + "/6");
      std::printf("  %-12s explode %8.1f vs inflate %8.1f: %5.2fx | implode %7.1f vs deflate-1 %7.1f: %5.2fx, "
                  "vs deflate-6 %7.1f: %5.2fx\n",
                  kDataNames[d], explode / 1e6, inflate / 1e6, explode / inflate, implode / 1e6, deflate1 / 1e6,
                  implode / deflate1, deflate6 / 1e6, implode / deflate6);
    }
    std::printf("Targets on project_hex: explode >= 1.50x inflate, implode >= 1.00x deflate-6.\n");
  }

 private:
  double Rate(const std::string& name) const {
    const auto it = rates_.find(name);
    return it == rates_.end() ? 0.0 : it->second;
  }
  std::map<std::string, double> rates_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios();
  benchmark::Shutdown();
  return 0;
}
