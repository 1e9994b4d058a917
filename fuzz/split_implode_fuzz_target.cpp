// Arbitrary bytes compressed on several threads must give the stream of the compressor that runs
// on one, to the byte and in the same writes. The first byte picks the literal mode, the
// dictionary, the threads, how small segments may be and whether caught-up segments are waited for.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_require.h"
#include "implode/codec_memory.h"
#include "implode/implode_parallel.h"

namespace {

struct Written {
  std::string bytes;
  std::vector<std::uint32_t> sizes;
};

void Record(const char* buffer, std::uint32_t& size, void* param) {
  auto& written = *static_cast<Written*>(param);
  written.bytes.append(buffer, size);
  written.sizes.push_back(size);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t choice = data[0];
  const std::uint32_t literalMode = choice & 1;
  const std::uint32_t dictionarySize = 1024u << ((choice >> 1) % 3);
  ImplodeSplit split;
  split.threads = 2 + ((choice >> 3) & 3);
  split.leastSegment = std::uint64_t{4096} << ((choice >> 5) & 1);
  split.patient = (choice >> 6) & 1;
  const std::string_view payload(reinterpret_cast<const char*>(data) + 1, size - 1);

  const CodecResult whole = ImplodeBytes(payload, literalMode, dictionarySize);
  const auto work = std::make_unique<ImplodeWorkArea>();
  Written written;
  const unsigned code = ImplodeInParallel(reinterpret_cast<const std::uint8_t*>(payload.data()), payload.size(), Record,
                                          *work, &written, literalMode, dictionarySize, split);
  Require(code == whole.code, "result code");
  Require(written.bytes == whole.bytes, "stream differs from the one-thread compressor's");
  for (std::size_t i = 0; i + 1 < written.sizes.size(); ++i) Require(written.sizes[i] == kImplodeWriteSize, "write size");
  return 0;
}
