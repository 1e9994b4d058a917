// Throughput of the stream codec beside zlib on the very same data, in MB/s of uncompressed
// bytes, and the ratio of ours to zlib's at the end, on every kind of benchdata (project hex text,
// mostly-zero device memory as hex text, the unit-setup XML, binary runs, random bytes).
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_data.h"
#include "implode/codec_memory.h"
#include "implode/explode.h"
#include "implode/implode.h"

namespace {

constexpr std::size_t kDataSize = 1 << 20;
constexpr int kKindCount = static_cast<int>(std::size(benchdata::kKinds));

const std::string& Data(const int which) {
  static const std::vector<std::string> sets = [] {
    std::vector<std::string> all;
    for (const benchdata::Kind kind : benchdata::kKinds) all.push_back(benchdata::Generate(kind, kDataSize));
    return all;
  }();
  return sets[static_cast<std::size_t>(which)];
}

std::string KindLabel(const std::int64_t which) {
  return std::string(benchdata::KindName(benchdata::kKinds[static_cast<std::size_t>(which)]));
}

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
  state.SetLabel(KindLabel(state.range(0)));
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
  state.SetLabel(KindLabel(state.range(0)));
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
  state.SetLabel(KindLabel(state.range(0)));
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
  state.SetLabel(KindLabel(state.range(0)));
}

BENCHMARK(Explode)->DenseRange(0, kKindCount - 1)->Unit(benchmark::kMillisecond);
BENCHMARK(ZlibInflate)->DenseRange(0, kKindCount - 1)->Unit(benchmark::kMillisecond);
BENCHMARK(Implode)->DenseRange(0, kKindCount - 1)->Unit(benchmark::kMillisecond);
BENCHMARK(ZlibDeflate)->ArgsProduct({benchmark::CreateDenseRange(0, kKindCount - 1, 1), {1, 6}})
    ->Unit(benchmark::kMillisecond);

// Keeps each run's throughput and stream size so that the ratios can be printed after the table.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const auto& run : runs) {
      const auto it = run.counters.find("bytes_per_second");
      if (it != run.counters.end()) rates_[run.benchmark_name()] = it->second.value;
      const auto size = run.counters.find("ratio");
      if (size != run.counters.end()) sizes_[run.benchmark_name()] = size->second.value;
    }
  }

  void PrintRatios() const {
    std::printf("\nThroughput of ours relative to zlib on the same data (MB/s = 10^6 bytes/s):\n");
    for (int d = 0; d < kKindCount; ++d) {
      const std::string arg = "/" + std::to_string(d);
      const double explode = Rate("Explode" + arg);
      const double inflate = Rate("ZlibInflate" + arg);
      const double implode = Rate("Implode" + arg);
      const double deflate1 = Rate("ZlibDeflate" + arg + "/1");
      const double deflate6 = Rate("ZlibDeflate" + arg + "/6");
      std::printf("  %-12s explode %8.1f vs inflate %8.1f: %5.2fx | implode %7.1f vs deflate-1 %7.1f: %5.2fx, "
                  "vs deflate-6 %7.1f: %5.2fx\n",
                  KindLabel(d).c_str(), explode / 1e6, inflate / 1e6, explode / inflate, implode / 1e6, deflate1 / 1e6,
                  implode / deflate1, deflate6 / 1e6, implode / deflate6);
    }
    std::printf("\nStream size / input size:\n");
    for (int d = 0; d < kKindCount; ++d) {
      const std::string arg = "/" + std::to_string(d);
      std::printf("  %-12s ours %.4f | deflate-1 %.4f | deflate-6 %.4f\n", KindLabel(d).c_str(),
                  Value(sizes_, "Implode" + arg), Value(sizes_, "ZlibDeflate" + arg + "/1"),
                  Value(sizes_, "ZlibDeflate" + arg + "/6"));
    }
    std::printf("In memory; the compressor's targets are judged on whole processes (the comparison that follows).\n");
  }

 private:
  double Rate(const std::string& name) const { return Value(rates_, name); }
  static double Value(const std::map<std::string, double>& values, const std::string& name) {
    const auto it = values.find(name);
    return it == values.end() ? 0.0 : it->second;
  }
  std::map<std::string, double> rates_;
  std::map<std::string, double> sizes_;
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
