// Arbitrary bytes as a unit-setup document: the parser either refuses them or gives a tree whose
// saved form reads back as the same tree and saves to the same bytes again.
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_require.h"
#include "unitxml/dom.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::optional<ParsedXml> first = ParseXml(bytes);
  if (!first) return 0;
  const std::string saved = SerializeXml(*first->document, first->encoding);
  const std::optional<ParsedXml> second = ParseXml(saved);
  Require(second.has_value(), "a saved document does not read back");
  Require(second->encoding == first->encoding, "the encoding changed on the way back");
  Require(SameTree(*first->document, *second->document), "the tree changed on the way back");
  Require(SerializeXml(*second->document, second->encoding) == saved, "saving twice gives other bytes");
  return 0;
}
