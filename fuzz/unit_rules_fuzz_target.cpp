// Arbitrary bytes as a unit-setup document. When the document service would accept it (it
// parses, has an element with "ID" "S5" and the root "Prj"), the model transformation runs
// without a message and leaves a document that saves and reads back as what was saved, in which
// the identifiers below the equipment element are pairwise distinct (the renumbering's promise;
// the equipment element keeps "S5" and identifiers elsewhere stay as they were) and the number
// of the root's "NextID" is above every identifier number in the document.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "fuzz_require.h"
#include "app/user_interface.h"
#include "platform_double.h"
#include "unitxml/dom.h"
#include "unitxml/unit_xml_transformer.h"

namespace {

// Documents past this are not what a project carries; each execution stays fast.
constexpr std::size_t kMaxInput = 64 * 1024;

class MessageLog final : public UserInterface {
 public:
  void ShowMessage(const std::string& key, const std::string&, MessageIcon) override { keys.push_back(key); }
  void ShowConversionResult(const std::string&, const std::string&) override {}
  void SetBusy(bool) override {}
  std::vector<std::string> keys;
};

// The number of an identifier read as the rules read it (from the first digit on), in 64 bits;
// nothing without a digit or past 18 digits.
std::optional<std::int64_t> WideIdentifierNumber(std::string_view value) {
  const std::size_t first = value.find_first_of("0123456789");
  if (first == std::string_view::npos) return std::nullopt;
  std::int64_t number = 0;
  for (std::size_t i = first, digits = 0; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i, ++digits) {
    if (digits == 18) return std::nullopt;
    number = number * 10 + (value[i] - '0');
  }
  return number;
}

bool IdentifiersBelowAreDistinct(pugi::xml_node eqpt) {
  std::unordered_set<std::string_view> seen;
  for (const pugi::xml_node element : UnitXmlTransformer::CollectIdElements(eqpt)) {
    if (!seen.insert(*AttributeValue(element, "ID")).second) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > kMaxInput) return 0;
  std::optional<ParsedXml> parsed = ParseXml(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!parsed) return 0;

  PlatformDouble platform;  // the template's dates
  platform.today = platform::LocalDate{2024, 6, 1};
  MessageLog log;
  const ScopedUserInterface scope(log);
  UnitXmlTransformer transformer;
  transformer.document = std::move(parsed->document);
  transformer.encoding = parsed->encoding;
  transformer.eqptNode = UnitXmlTransformer::FindEqptNode(*transformer.document);
  if (!transformer.eqptNode || !transformer.CheckRoot()) return 0;

  Require(transformer.Transform(), "an accepted document was not transformed");
  Require(log.keys.empty(), "the transformation showed a message");
  const pugi::xml_node root = transformer.document->document_element();
  if (transformer.eqptNode) {
    Require(AttributeValue(transformer.eqptNode, "ID") == "S5", "the equipment element lost its identifier");
    Require(IdentifiersBelowAreDistinct(transformer.eqptNode), "identifiers below the equipment element repeat");
  }
  const std::optional<std::int64_t> next = WideIdentifierNumber(AttributeValue(root, "NextID").value_or(""));
  Require(next && *next > UnitXmlTransformer::HighestIdNumber(root), "NextID is not above every identifier");

  const std::string saved = SerializeXml(*transformer.document, transformer.encoding);
  const std::optional<ParsedXml> again = ParseXml(saved);
  Require(again.has_value(), "the transformed document does not read back");
  Require(again->encoding == transformer.encoding, "the encoding changed on the way back");
  // Not the same tree node for node: text on both sides of a removed element reads back as one.
  Require(SerializeXml(*again->document, again->encoding) == saved, "the saved document reads back as another");
  return 0;
}
