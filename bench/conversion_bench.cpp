// conversion_bench: whole conversions through `tqconv convert`, ours and an earlier build's, side by
// side in one run, with a plain copy of the same file as the file system's own pace.
//   conversion_bench --tqconv PATH [--baseline PATH] [--work DIR] [--repeats N] [--cases NAME,...]
// Each case is a generated project (tools/project_generator.h). Per case and program the best of
// the repeats: seconds, MB/s (10^6 bytes of project text per second) and peak resident memory over
// the project text's size (the child's ru_maxrss, from wait4). The two programs' outputs must be
// the same bytes. The targets are checked at the end; the exit status is 1 when one is missed.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "project_generator.h"

namespace fs = std::filesystem;

namespace {

struct BenchCase {
  std::string name;
  ProjectShape shape;
  bool packed = false;
  bool speedTarget = false;    // the 4x target applies
  bool largeDocument = false;  // memory may hold the unit-setup document three times besides
};

std::vector<BenchCase> AllCases() {
  const auto shape = [](double megabytes, double hexShare, DeviceMemoryKind memory, int elements) {
    return ProjectShape{static_cast<std::uint64_t>(megabytes * 1e6), hexShare, memory, elements};
  };
  const auto zero = DeviceMemoryKind::MostlyZero;
  const auto noisy = DeviceMemoryKind::Noisy;
  return {
      {"text-4-zero", shape(4, 0.5, zero, 1000), false, false, false},
      {"text-32-zero", shape(32, 0.5, zero, 8000), false, false, false},
      {"text-128-zero", shape(128, 0.5, zero, 32000), false, true, false},
      {"text-32-noisy", shape(32, 0.5, noisy, 8000), false, false, false},
      {"text-128-noisy", shape(128, 0.5, noisy, 32000), false, true, false},
      {"text-200-limit", shape(205, 0.9, zero, 8000), false, false, false},
      {"text-xml-50k", shape(32, 0.5, zero, 50000), false, false, true},
      {"text-xml-200k", shape(32, 0.5, zero, 200000), false, false, true},
      {"packed-4-zero", shape(4, 0.5, zero, 1000), true, false, false},
      {"packed-32-zero", shape(32, 0.5, zero, 8000), true, false, false},
      {"packed-128-zero", shape(128, 0.5, zero, 32000), true, true, false},
      {"packed-128-noisy", shape(128, 0.5, noisy, 32000), true, true, false},
      {"packed-200-limit", shape(205, 0.9, zero, 8000), true, false, false},
  };
}

struct Run {
  double seconds = 0;
  double cpuSeconds = 0;  // user and system
  long peakKilobytes = 0;
  bool ok = false;
};

// Runs a program with its output thrown away; its wall time and peak resident memory.
Run Measure(const std::vector<std::string>& arguments, const fs::path& temporaryFolder) {
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = ::fork();
  if (child == 0) {
    ::setenv("TMPDIR", temporaryFolder.c_str(), 1);
    std::FILE* const null = std::fopen("/dev/null", "w");
    if (null != nullptr) {
      ::dup2(::fileno(null), 1);
      ::dup2(::fileno(null), 2);
    }
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  Run run;
  int status = 0;
  rusage usage{};
  if (child < 0 || ::wait4(child, &status, 0, &usage) != child) return run;
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.peakKilobytes = usage.ru_maxrss;
  const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  run.cpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
  run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return run;
}

bool SameBytes(const fs::path& a, const fs::path& b) {
  std::ifstream first(a, std::ios::binary);
  std::ifstream second(b, std::ios::binary);
  if (!first || !second || fs::file_size(a) != fs::file_size(b)) return false;
  std::vector<char> x(1 << 20), y(1 << 20);
  while (first && second) {
    first.read(x.data(), static_cast<std::streamsize>(x.size()));
    second.read(y.data(), static_cast<std::streamsize>(y.size()));
    if (first.gcount() != second.gcount() || !std::equal(x.begin(), x.begin() + first.gcount(), y.begin())) {
      return false;
    }
  }
  return true;
}

struct Best {
  double seconds = 1e30;
  double cpuSeconds = 1e30;
  long peakKilobytes = 0;
  bool ok = true;
  void Add(const Run& run) {
    ok = ok && run.ok;
    seconds = std::min(seconds, run.seconds);
    cpuSeconds = std::min(cpuSeconds, run.cpuSeconds);
    peakKilobytes = std::max(peakKilobytes, run.peakKilobytes);
  }
};

struct Options {
  std::string tqconv;
  std::string baseline;
  fs::path work;
  int repeats = 5;
  std::vector<std::string> cases;
};

std::optional<Options> ParseOptions(int argc, char** argv) {
  Options options;
  options.work = fs::temp_directory_path() / "conversion_bench";
  for (int at = 1; at < argc; ++at) {
    const std::string option = argv[at];
    if (at + 1 >= argc) return std::nullopt;
    const std::string value = argv[++at];
    if (option == "--tqconv") {
      options.tqconv = value;
    } else if (option == "--baseline") {
      options.baseline = value;
    } else if (option == "--work") {
      options.work = value;
    } else if (option == "--repeats") {
      options.repeats = std::max(1, std::atoi(value.c_str()));
    } else if (option == "--cases") {
      for (std::size_t from = 0; from <= value.size();) {
        const std::size_t comma = std::min(value.find(',', from), value.size());
        if (comma > from) options.cases.push_back(value.substr(from, comma - from));
        from = comma + 1;
      }
    } else {
      return std::nullopt;
    }
  }
  if (options.tqconv.empty()) return std::nullopt;
  return options;
}

double Megabytes(std::uint64_t bytes) { return static_cast<double>(bytes) / 1e6; }

}  // namespace

int main(int argc, char** argv) {
  const std::optional<Options> options = ParseOptions(argc, argv);
  if (!options) {
    std::fprintf(stderr,
                 "usage: conversion_bench --tqconv PATH [--baseline PATH] [--work DIR] [--repeats N] "
                 "[--cases NAME,...]\n");
    return 2;
  }
  const bool withBaseline = !options->baseline.empty();
  const fs::path temporary = options->work / "tmp";
  fs::create_directories(temporary);

  // The program's own resident memory, before any project: the limits are on what a conversion adds.
  const double ownBytes =
      static_cast<double>(Measure({options->tqconv, "--version"}, temporary).peakKilobytes) * 1024;
  std::printf("Whole conversions (tqconv convert), best of %d; MB = 10^6 bytes of project text; s = wall time,\n"
              "cpu = user + system seconds, RSS = peak resident memory / project text (the program alone holds\n"
              "%.1f MB; the memory limits are checked on what a conversion adds to that)\n",
              options->repeats, ownBytes / 1e6);
  std::printf("%-17s %7s %6s %7s %6s | %7s %6s %6s %5s | %7s %6s %6s %5s | %7s %7s %6s\n", "case", "text MB", "XML MB",
              "elems", "cp s", withBaseline ? "base s" : "-", "cpu", "MB/s", "RSS", "now s", "cpu", "MB/s", "RSS",
              "speedup", "cpu x", "RSS ok");
  std::vector<std::string> missed;
  bool allIdentical = true;
  std::map<std::string, std::pair<double, double>> cpuAndMegabytes;  // of ours, per case
  for (const BenchCase& benchCase : AllCases()) {
    if (!options->cases.empty() &&
        std::find(options->cases.begin(), options->cases.end(), benchCase.name) == options->cases.end()) {
      continue;
    }
    const std::string extension = benchCase.packed ? ".lqp" : ".lqt";
    const fs::path input = options->work / (benchCase.name + extension);
    const fs::path output = options->work / (benchCase.name + "_converted" + extension);
    const fs::path kept = options->work / (benchCase.name + ".now" + extension);
    const fs::path copy = options->work / (benchCase.name + ".copy" + extension);
    WrittenProject written;
    if (!WriteProject(benchCase.shape, benchCase.packed, input.string(), written)) {
      std::fprintf(stderr, "conversion_bench: cannot write %s\n", input.c_str());
      return 1;
    }
    Best copied, base, now;
    bool identical = true;
    for (int repeat = 0; repeat < options->repeats; ++repeat) {
      copied.Add(Measure({"/bin/cp", input.string(), copy.string()}, temporary));
      fs::remove(copy);
      if (withBaseline) {
        base.Add(Measure({options->baseline, "convert", "--quiet", input.string()}, temporary));
        if (repeat == 0) fs::rename(output, kept);
        fs::remove(output);
      }
      now.Add(Measure({options->tqconv, "convert", "--quiet", input.string()}, temporary));
      if (repeat == 0 && withBaseline) identical = now.ok && base.ok && SameBytes(output, kept);
      fs::remove(output);
    }
    fs::remove(kept);
    fs::remove(input);
    allIdentical = allIdentical && identical;

    const double text = static_cast<double>(written.textBytes);
    const double xml = static_cast<double>(written.unitSetupXmlBytes);
    // Memory may be twice the project, and three times a large unit-setup document besides.
    const double rssLimit = benchCase.largeDocument ? (2 * text + 3 * xml) / text : 2.0;
    const double rssNow = static_cast<double>(now.peakKilobytes) * 1024 / text;
    const double addedNow = (static_cast<double>(now.peakKilobytes) * 1024 - ownBytes) / text;
    const double rssBase = static_cast<double>(base.peakKilobytes) * 1024 / text;
    const double speedup = withBaseline ? base.seconds / now.seconds : 0;
    std::printf("%-17s %7.1f %6.1f %7d %6.3f | %7.3f %6.3f %6.1f %5.2f | %7.3f %6.3f %6.1f %5.2f | %6.2fx %6.2fx %6s%s\n",
                benchCase.name.c_str(), Megabytes(written.textBytes), Megabytes(written.unitSetupXmlBytes),
                written.unitSetupElements, copied.seconds, withBaseline ? base.seconds : 0.0,
                withBaseline ? base.cpuSeconds : 0.0, withBaseline ? text / base.seconds / 1e6 : 0.0, rssBase,
                now.seconds, now.cpuSeconds, text / now.seconds / 1e6, rssNow, speedup,
                withBaseline ? base.cpuSeconds / now.cpuSeconds : 0.0, addedNow <= rssLimit ? "yes" : "NO",
                !now.ok || (withBaseline && !base.ok) ? "  (a run failed)" : identical ? "" : "  (outputs differ)");
    std::fflush(stdout);
    cpuAndMegabytes[benchCase.name] = {now.cpuSeconds, Megabytes(written.textBytes)};
    if (!now.ok) missed.push_back(benchCase.name + ": the conversion failed");
    if (withBaseline && !identical) missed.push_back(benchCase.name + ": the outputs differ from the baseline's");
    if (addedNow > rssLimit) missed.push_back(benchCase.name + ": peak memory over the limit");
    if (withBaseline && benchCase.speedTarget && speedup < 4.0) missed.push_back(benchCase.name + ": below 4x");
  }
  // Linear in size: CPU seconds per MB alike from 32 MB to the limit; and in the document's elements.
  const auto perMegabyte = [&cpuAndMegabytes](const std::string& name) {
    const auto found = cpuAndMegabytes.find(name);
    return found == cpuAndMegabytes.end() ? 0.0 : found->second.first / found->second.second;
  };
  if (perMegabyte("text-32-zero") > 0 && perMegabyte("text-200-limit") > 0) {
    const double growth = perMegabyte("text-200-limit") / perMegabyte("text-32-zero");
    std::printf("Linear in size: CPU per MB at the limit / at 32 MB = %.2f (target at most 1.25)\n", growth);
    if (growth > 1.25) missed.push_back("time per MB grows with the project");
  }
  if (perMegabyte("text-xml-50k") > 0 && perMegabyte("text-xml-200k") > 0 && perMegabyte("text-32-zero") > 0) {
    const double base = cpuAndMegabytes["text-32-zero"].first;
    const double small = (cpuAndMegabytes["text-xml-50k"].first - base) / (50000 - 8000);
    const double large = (cpuAndMegabytes["text-xml-200k"].first - base) / (200000 - 8000);
    std::printf("Linear in elements: CPU per added element at 200,000 / at 50,000 = %.2f (%.2f us, %.2f us; target "
                "at most 1.5)\n",
                large / small, large * 1e6, small * 1e6);
    if (large > 1.5 * small) missed.push_back("time per element grows with the unit-setup document");
  }
  std::printf("Targets: %s\n", missed.empty() ? "all met" : "missed");
  for (const std::string& miss : missed) std::printf("  %s\n", miss.c_str());
  if (withBaseline && allIdentical) std::printf("Outputs: byte-identical to the baseline's in every case\n");
  return missed.empty() ? 0 : 1;
}
