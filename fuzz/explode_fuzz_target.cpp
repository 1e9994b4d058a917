// Arbitrary bytes as a stream: the decompressor must stop cleanly with a result code, whatever
// it is fed, and must decode the same whether its input arrives whole or a few bytes at a time,
// on one thread or on two.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "fuzz_require.h"
#include "implode/codec_memory.h"
#include "implode/explode.h"
#include "implode/explode_parallel.h"

namespace {

// Delivers 5 bytes first (enough for the header check), then at most 3 bytes a read.
struct Trickle {
  std::string_view input;
  std::size_t consumed = 0;
  bool first = true;
  std::string output;
};

std::uint32_t TrickleRead(char* buffer, std::uint32_t& size, void* param) {
  auto& trickle = *static_cast<Trickle*>(param);
  std::size_t n = std::min<std::size_t>(size, trickle.input.size() - trickle.consumed);
  n = std::min<std::size_t>(n, trickle.first ? 5 : 3);
  trickle.first = false;
  std::copy_n(trickle.input.data() + trickle.consumed, n, buffer);
  trickle.consumed += n;
  return static_cast<std::uint32_t>(n);
}

void TrickleWrite(const char* buffer, std::uint32_t& size, void* param) {
  static_cast<Trickle*>(param)->output.append(buffer, size);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view stream(reinterpret_cast<const char*>(data), size);
  // A stream expands up to about 188 times; the limit keeps a run of the fuzzer small.
  const auto whole = ExplodeBytes(stream, std::uint64_t{1} << 22);
  Require(whole.code <= 4, "result code out of range");
  Require(whole.code == 0 || whole.code == 4 || whole.bytes.empty(), "output before a header error");
  if (whole.tooLarge) return 0;

  const auto work = std::make_unique<ExplodeWorkArea>();
  Trickle trickle;
  trickle.input = stream;
  const unsigned code = ExplodeStream(TrickleRead, TrickleWrite, *work, &trickle);
  Require(code == whole.code, "result depends on how the input arrives");
  Require(trickle.output == whole.bytes, "output depends on how the input arrives");

  *work = ExplodeWorkArea{};
  Trickle twoThreads;
  twoThreads.input = stream;
  const unsigned twoThreadsCode = ExplodeInParallel(TrickleRead, TrickleWrite, *work, &twoThreads);
  Require(twoThreadsCode == whole.code, "result differs on two threads");
  Require(twoThreads.output == whole.bytes, "output differs on two threads");
  return 0;
}
