// The data the codec benchmarks run on, generated deterministically: the same kind and size give
// the same bytes on every machine and in every program (the in-memory benchmark and the files the
// whole-process comparison packs).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace benchdata {

enum class Kind {
  kProjectHex,     // a project's data blocks: mixed lines of zeros, all-ones, counters and noise
  kMostlyZeroHex,  // device memory: long stretches of 00, runs of FF, a little noise
  kXml,            // the unit-setup document
  kRuns,           // binary runs of one byte each, of every length, between short noise
  kRandom,         // incompressible bytes
};

inline constexpr Kind kKinds[] = {Kind::kProjectHex, Kind::kMostlyZeroHex, Kind::kXml, Kind::kRuns, Kind::kRandom};

std::string_view KindName(Kind kind);  // "project_hex", "zero_hex", "xml", "runs", "random"
std::optional<Kind> KindNamed(std::string_view name);

// Exactly `size` bytes of the kind.
std::string Generate(Kind kind, std::size_t size);

}  // namespace benchdata
