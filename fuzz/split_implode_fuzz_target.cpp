// Arbitrary bytes compressed on several threads must give the stream of the compressor that runs
// on one, to the byte and in the same writes. The first byte picks the literal mode, the
// dictionary, the threads, how small segments may be, whether caught-up segments are waited for,
// and whether the input's end is encoded loosely beforehand from another text ending alike (the
// second byte then shapes that text's head and where the loose encoding begins).
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_require.h"
#include "implode/codec_memory.h"
#include "implode/implode_parallel.h"
#include "implode/loose_encoding.h"
#include "stream_test_support.h"

namespace {

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
  const bool loose = (choice >> 7) & 1;
  if (loose && size < 2) return 0;
  const std::string_view payload(reinterpret_cast<const char*>(data) + (loose ? 2 : 1), size - (loose ? 2 : 1));
  // The other text: another head, of another length, before the payload's end.
  std::string other;
  const auto tail = std::make_unique<implode::LooseEncoding>();
  if (loose) {
    const std::uint8_t shape = data[1];
    const std::size_t cut = std::min(payload.size(), static_cast<std::size_t>(shape) * 97);
    other.assign(static_cast<std::size_t>(shape % 61) * 67 + 1, static_cast<char>(shape));
    other.append(payload.substr(cut));
    const std::uint64_t begin = (2 + (shape >> 6)) * std::uint64_t{4096};
    const std::atomic<bool> stop{false};
    if (begin < other.size() &&
        implode::EncodeLoose(reinterpret_cast<const std::uint8_t*>(other.data()), begin, other.size(), literalMode,
                             dictionarySize, stop, *tail)) {
      split.tail = tail.get();
    }
  }

  const CodecResult whole = ImplodeBytes(payload, literalMode, dictionarySize);
  const auto work = std::make_unique<ImplodeWorkArea>();
  streamtest::Written written;
  const unsigned code =
      ImplodeInParallel(reinterpret_cast<const std::uint8_t*>(payload.data()), payload.size(), streamtest::RecordWrite,
                        *work, &written, literalMode, dictionarySize, split);
  Require(code == whole.code, "result code");
  Require(written.bytes == whole.bytes, "stream differs from the one-thread compressor's");
  for (std::size_t i = 0; i + 1 < written.sizes.size(); ++i) Require(written.sizes[i] == kImplodeWriteSize, "write size");
  return 0;
}
