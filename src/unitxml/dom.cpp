#include "unitxml/dom.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <new>
#include <unordered_set>

#include "app/ascii_case.h"

namespace {

// The whole document as nodes: whitespace-only text, declaration, comments, processing
// instructions and the document type included. Character and the five predefined entity
// references are expanded; nothing else is (pugixml reads no DTD and fetches nothing).
constexpr unsigned kParseOptions = pugi::parse_full | pugi::parse_ws_pcdata;
// The same reading with references left as written and text outside the root kept, so that
// what pugixml would accept silently can be checked before the real parse.
constexpr unsigned kCheckOptions = (kParseOptions & ~pugi::parse_escapes) | pugi::parse_fragment;

bool StartsWith(std::string_view bytes, std::string_view prefix) {
  return bytes.substr(0, prefix.size()) == prefix;
}

bool IsXmlWhitespace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool IsWhitespaceOnly(std::string_view text) {
  for (const char c : text) {
    if (!IsXmlWhitespace(c)) return false;
  }
  return true;
}

// The encoding named in an 8-bit document's declaration; empty when there is none.
std::string_view DeclaredEncoding(std::string_view bytes) {
  if (!StartsWith(bytes, "<?xml") || bytes.size() < 6 || !IsXmlWhitespace(bytes[5])) return {};
  const std::size_t end = bytes.find("?>");
  if (end == std::string_view::npos) return {};
  const std::string_view declaration = bytes.substr(5, end - 5);
  const std::size_t at = declaration.find("encoding");
  if (at == std::string_view::npos) return {};
  std::size_t i = at + 8;
  while (i < declaration.size() && IsXmlWhitespace(declaration[i])) ++i;
  if (i >= declaration.size() || declaration[i] != '=') return {};
  ++i;
  while (i < declaration.size() && IsXmlWhitespace(declaration[i])) ++i;
  if (i >= declaration.size() || (declaration[i] != '"' && declaration[i] != '\'')) return {};
  const std::size_t close = declaration.find(declaration[i], i + 1);
  if (close == std::string_view::npos) return {};
  return declaration.substr(i + 1, close - i - 1);
}

struct Payload {
  XmlEncoding encoding;
  pugi::xml_encoding pugiEncoding;
  std::string_view bytes;  // without the byte-order mark
};

Payload DetectEncoding(std::string_view bytes) {
  if (StartsWith(bytes, "\xEF\xBB\xBF")) return {XmlEncoding::Utf8WithBom, pugi::encoding_utf8, bytes.substr(3)};
  if (StartsWith(bytes, "\xFF\xFE")) return {XmlEncoding::Utf16LeWithBom, pugi::encoding_utf16_le, bytes.substr(2)};
  if (StartsWith(bytes, "\xFE\xFF")) return {XmlEncoding::Utf16BeWithBom, pugi::encoding_utf16_be, bytes.substr(2)};
  // Without a mark, a document in UTF-16 still begins with '<'.
  if (StartsWith(bytes, std::string_view("<\0", 2))) return {XmlEncoding::Utf16Le, pugi::encoding_utf16_le, bytes};
  if (StartsWith(bytes, std::string_view("\0<", 2))) return {XmlEncoding::Utf16Be, pugi::encoding_utf16_be, bytes};
  const std::string_view declared = DeclaredEncoding(bytes);
  // Read as UTF-8, any 8-bit encoding keeps its bytes: markup is ASCII and pugixml copies
  // every other byte as it is.
  const bool legacy = !declared.empty() && !EqualsIgnoringAsciiCase(declared, "UTF-8");
  return {legacy ? XmlEncoding::Legacy : XmlEncoding::Utf8, pugi::encoding_utf8, bytes};
}

bool IsUtf16(XmlEncoding encoding) {
  return encoding == XmlEncoding::Utf16LeWithBom || encoding == XmlEncoding::Utf16BeWithBom ||
         encoding == XmlEncoding::Utf16Le || encoding == XmlEncoding::Utf16Be;
}

// Control characters other than tab, line feed and carriage return are not XML characters;
// NUL would moreover end pugixml's strings and silently cut the document, and the others would
// come back as references that no reader accepts.
bool IsForbiddenControl(std::uint32_t c) { return c < 0x20 && c != 0x9 && c != 0xA && c != 0xD; }

bool HoldsForbiddenControl(const Payload& payload) {
  if (!IsUtf16(payload.encoding)) {
    // Looked at a block at a time without a branch per byte, which the compiler vectorises.
    constexpr std::size_t kBlock = 64;
    const auto* const bytes = reinterpret_cast<const unsigned char*>(payload.bytes.data());
    const std::size_t size = payload.bytes.size();
    for (std::size_t at = 0; at < size; at += kBlock) {
      const std::size_t end = std::min(size, at + kBlock);
      std::uint8_t forbidden = 0;
      for (std::size_t i = at; i < end; ++i) {
        const std::uint8_t c = bytes[i];
        forbidden |= static_cast<std::uint8_t>((c < 0x20) & (c != 0x9) & (c != 0xA) & (c != 0xD));
      }
      if (forbidden != 0) return true;
    }
    return false;
  }
  if (payload.bytes.size() % 2 != 0) return true;  // a torn code unit
  const bool littleEndian =
      payload.encoding == XmlEncoding::Utf16LeWithBom || payload.encoding == XmlEncoding::Utf16Le;
  for (std::size_t i = 0; i < payload.bytes.size(); i += 2) {
    const auto low = static_cast<unsigned char>(payload.bytes[littleEndian ? i : i + 1]);
    const auto high = static_cast<unsigned char>(payload.bytes[littleEndian ? i + 1 : i]);
    if (high == 0 && IsForbiddenControl(low)) return true;
  }
  return false;
}

bool IsXmlChar(std::uint32_t c) {
  return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
         (c >= 0x10000 && c <= 0x10FFFF);
}

int DigitValue(char c, bool hex) {
  if (c >= '0' && c <= '9') return c - '0';
  if (hex && c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (hex && c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// True when every '&' of the raw text starts a reference that pugixml expands to what it means:
// one of the five predefined entities or a character reference to an XML character (to ASCII
// only when asciiOnly). pugixml would keep any other '&' as text and write it back as "&amp;".
bool ReferencesAreExpandable(std::string_view raw, bool asciiOnly) {
  for (std::size_t at = raw.find('&'); at != std::string_view::npos; at = raw.find('&', at + 1)) {
    const std::string_view rest = raw.substr(at + 1);
    const std::size_t semicolon = rest.find(';');
    if (semicolon == std::string_view::npos) return false;
    const std::string_view name = rest.substr(0, semicolon);
    if (name == "amp" || name == "lt" || name == "gt" || name == "quot" || name == "apos") continue;
    if (name.size() < 2 || name[0] != '#') return false;
    const bool hex = name[1] == 'x';
    const std::string_view digits = name.substr(hex ? 2 : 1);
    if (digits.empty()) return false;
    std::uint32_t code = 0;
    for (const char c : digits) {
      const int digit = DigitValue(c, hex);
      if (digit < 0) return false;
      code = code * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit);
      if (code > 0x10FFFF) return false;
    }
    if (!IsXmlChar(code) || (asciiOnly && code > 0x7F)) return false;
  }
  return true;
}

// One root element; around it only the declaration (first), one document type (before the root),
// comments, processing instructions and whitespace.
bool HasWellFormedTopLevel(const pugi::xml_document& fragment) {
  bool first = true;
  bool root = false;
  bool doctype = false;
  for (const pugi::xml_node node : fragment.children()) {
    switch (node.type()) {
      case pugi::node_declaration:
        if (!first) return false;
        break;
      case pugi::node_doctype:
        if (root || doctype) return false;
        doctype = true;
        break;
      case pugi::node_element:
        if (root) return false;
        root = true;
        break;
      case pugi::node_comment:
      case pugi::node_pi:
        break;
      case pugi::node_pcdata:
        if (!IsWhitespaceOnly(node.value())) return false;
        break;
      default:
        return false;
    }
    first = false;
  }
  return root;
}

// An attribute value may hold neither a reference pugixml would not expand nor '<', and no two
// attributes of an element share a name. One pass over the attributes: elements have a handful,
// and comparing each name with those before it costs less than a set until there are many.
bool HasWellFormedAttributes(pugi::xml_node element, bool asciiReferencesOnly) {
  constexpr std::size_t kPairwiseUpTo = 16;
  std::array<std::string_view, kPairwiseUpTo> names;
  std::size_t count = 0;
  std::unordered_set<std::string_view> manyNames;
  for (pugi::xml_attribute attribute = element.first_attribute(); attribute;
       attribute = attribute.next_attribute()) {
    const std::string_view value = attribute.value();
    if (!ReferencesAreExpandable(value, asciiReferencesOnly) || value.find('<') != std::string_view::npos) {
      return false;
    }
    const std::string_view name = attribute.name();
    if (count < kPairwiseUpTo) {
      if (std::find(names.begin(), names.begin() + count, name) != names.begin() + count) return false;
      names[count++] = name;
      continue;
    }
    if (manyNames.empty()) manyNames.insert(names.begin(), names.end());
    if (!manyNames.insert(name).second) return false;
  }
  return true;
}

// Text as written may hold neither a reference pugixml would not expand nor "]]>"; a comment
// no "--" and no final '-'.
bool IsWellFormedNode(pugi::xml_node node, bool asciiReferencesOnly) {
  switch (node.type()) {
    case pugi::node_pcdata: {
      const std::string_view value = node.value();
      return ReferencesAreExpandable(value, asciiReferencesOnly) && value.find("]]>") == std::string_view::npos;
    }
    case pugi::node_comment: {
      const std::string_view value = node.value();
      return value.find("--") == std::string_view::npos && (value.empty() || value.back() != '-');
    }
    case pugi::node_element:
      return HasWellFormedAttributes(node, asciiReferencesOnly);
    default:
      return true;
  }
}

// The checks pugixml does not make, on a reading that keeps references as written.
bool IsWellFormed(const pugi::xml_document& fragment, bool asciiReferencesOnly) {
  if (!HasWellFormedTopLevel(fragment)) return false;
  for (pugi::xml_node node = fragment.first_child(); node; node = NextInPreorder(node, fragment)) {
    if (!IsWellFormedNode(node, asciiReferencesOnly)) return false;
  }
  return true;
}

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }

bool IsVersionNumber(std::string_view value) {
  if (value.size() < 3 || !StartsWith(value, "1.")) return false;
  for (const char c : value.substr(2)) {
    if (!IsAsciiDigit(c)) return false;
  }
  return true;
}

bool IsEncodingName(std::string_view value) {
  if (value.empty() || !IsAsciiLetter(value[0])) return false;
  for (const char c : value.substr(1)) {
    if (!IsAsciiLetter(c) && !IsAsciiDigit(c) && c != '.' && c != '_' && c != '-') return false;
  }
  return true;
}

std::size_t LeadingWhitespace(std::string_view text) {
  std::size_t n = 0;
  while (n < text.size() && IsXmlWhitespace(text[n])) ++n;
  return n;
}

// Takes white space, the name, '=' (white space around it allowed) and a value in single or
// double quotes from the front of text. Leaves text as it was when what stands there is not that.
bool TakePseudoAttribute(std::string_view& text, std::string_view name, std::string_view& value) {
  std::string_view rest = text;
  const std::size_t space = LeadingWhitespace(rest);
  if (space == 0) return false;
  rest.remove_prefix(space);
  if (!StartsWith(rest, name)) return false;
  rest.remove_prefix(name.size());
  rest.remove_prefix(LeadingWhitespace(rest));
  if (!StartsWith(rest, "=")) return false;
  rest.remove_prefix(1);
  rest.remove_prefix(LeadingWhitespace(rest));
  if (rest.empty() || (rest[0] != '"' && rest[0] != '\'')) return false;
  const std::size_t close = rest.find(rest[0], 1);
  if (close == std::string_view::npos) return false;
  value = rest.substr(1, close - 1);
  text = rest.substr(close + 1);
  return true;
}

// What stands between "<?xml" and "?>": the version, then optionally the encoding, then
// optionally standalone, and nothing else. None of their values can hold a reference.
bool IsWellFormedDeclaration(std::string_view declaration) {
  std::string_view value;
  if (!TakePseudoAttribute(declaration, "version", value) || !IsVersionNumber(value)) return false;
  if (TakePseudoAttribute(declaration, "encoding", value) && !IsEncodingName(value)) return false;
  if (TakePseudoAttribute(declaration, "standalone", value) && value != "yes" && value != "no") return false;
  return IsWhitespaceOnly(declaration);
}

// The payload's characters up to and including the first "?>", when all of them are ASCII (the
// declaration's grammar allows nothing else); nothing otherwise.
std::optional<std::string> LeadingDeclaration(const Payload& payload) {
  const bool utf16 = IsUtf16(payload.encoding);
  const bool littleEndian =
      payload.encoding == XmlEncoding::Utf16LeWithBom || payload.encoding == XmlEncoding::Utf16Le;
  const std::size_t unit = utf16 ? 2 : 1;
  std::string text;
  for (std::size_t i = 0; i + unit <= payload.bytes.size(); i += unit) {
    const auto low = static_cast<unsigned char>(payload.bytes[utf16 && !littleEndian ? i + 1 : i]);
    const auto high = utf16 ? static_cast<unsigned char>(payload.bytes[littleEndian ? i + 1 : i]) : 0;
    if (high != 0 || low > 0x7F) return std::nullopt;
    text += static_cast<char>(low);
    if (text.size() >= 2 && text.compare(text.size() - 2, 2, "?>") == 0) return text;
  }
  return std::nullopt;
}

// pugixml takes "<?xml" in any letter case for the declaration and reads whatever attributes
// it holds, references expanded; written back, a mangled one can name another encoding than
// the one it was read in. Only the first node can be the declaration (see above).
// The declaration's text is taken before the parse, which may change the bytes where they lie.
bool HasWellFormedDeclaration(const pugi::xml_document& fragment, const std::optional<std::string>& text) {
  const pugi::xml_node first = fragment.first_child();
  if (first.type() != pugi::node_declaration) return true;
  if (std::strcmp(first.name(), "xml") != 0) return false;
  constexpr std::string_view kOpen = "<?xml";
  if (!text || !StartsWith(*text, kOpen)) return false;
  return IsWellFormedDeclaration(std::string_view(*text).substr(kOpen.size(), text->size() - kOpen.size() - 2));
}

// pugixml normalises line ends everywhere but in processing instructions and the document type;
// XML normalises them there too. Afterwards a carriage return in the tree can only come from a
// character reference. False without the memory for it.
bool NormaliseLineEnds(pugi::xml_document& document) {
  for (pugi::xml_node node = document.first_child(); node; node = NextInPreorder(node, document)) {
    if (node.type() != pugi::node_pi && node.type() != pugi::node_doctype) continue;
    const std::string_view value = node.value();
    if (value.find('\r') == std::string_view::npos) continue;
    std::string normalised;
    for (std::size_t i = 0; i < value.size(); ++i) {
      if (value[i] != '\r') {
        normalised += value[i];
      } else if (i + 1 >= value.size() || value[i + 1] != '\n') {
        normalised += '\n';
      }
    }
    if (!node.set_value(normalised.c_str())) return false;
  }
  return true;
}

// pugixml writes a carriage return in text as it is, and a reader would take it for a line end:
// it has to be written as a reference. Since loading leaves no raw carriage return anywhere
// else, every one in the output is such a character.
class CarriageReturnEscaper final : public pugi::xml_writer {
 public:
  CarriageReturnEscaper(pugi::xml_writer& out, pugi::xml_encoding encoding) : out_(out), encoding_(encoding) {}
  void write(const void* data, std::size_t size) override {
    const std::string_view bytes(static_cast<const char*>(data), size);
    std::string escaped;
    if (encoding_ == pugi::encoding_utf8) {
      // Text between carriage returns goes on as it is, most often all of it at once.
      std::size_t from = 0;
      for (std::size_t cr = bytes.find('\r'); cr != std::string_view::npos; cr = bytes.find('\r', from)) {
        escaped.append(bytes, from, cr - from).append("&#13;");
        from = cr + 1;
      }
      if (from == 0) {
        out_.write(data, size);
        return;
      }
      escaped.append(bytes, from);
    } else {
      // Whole code units only; pugixml writes them whole, but a torn one would wait here.
      std::string units = carry_ + std::string(bytes);
      carry_.clear();
      if (units.size() % 2 != 0) {
        carry_ = units.back();
        units.pop_back();
      }
      const bool littleEndian = encoding_ == pugi::encoding_utf16_le;
      for (std::size_t i = 0; i < units.size(); i += 2) {
        const char low = littleEndian ? units[i] : units[i + 1];
        const char high = littleEndian ? units[i + 1] : units[i];
        if (low != '\r' || high != '\0') {
          escaped.append(units, i, 2);
          continue;
        }
        for (const char c : std::string_view("&#13;")) {
          escaped += littleEndian ? c : '\0';
          escaped += littleEndian ? '\0' : c;
        }
      }
    }
    out_.write(escaped.data(), escaped.size());
  }
  // Passes on a byte still waiting for the rest of its code unit (none when the output is whole).
  void Finish() {
    if (!carry_.empty()) out_.write(carry_.data(), carry_.size());
    carry_.clear();
  }

 private:
  pugi::xml_writer& out_;
  const pugi::xml_encoding encoding_;
  std::string carry_;
};

class StringWriter final : public pugi::xml_writer {
 public:
  explicit StringWriter(std::string& out) : out_(out) {}
  void write(const void* data, std::size_t size) override { out_.append(static_cast<const char*>(data), size); }

 private:
  std::string& out_;
};

// One reading of the payload, the check's or the document's: in place when its bytes are given
// as mutable (the document then points into them), else over a copy of the document's own.
bool LoadPayload(pugi::xml_document& document, const Payload& payload, char* inPlace, unsigned options) {
  if (inPlace != nullptr) {
    return static_cast<bool>(
        document.load_buffer_inplace(inPlace, payload.bytes.size(), options, payload.pugiEncoding));
  }
  return static_cast<bool>(
      document.load_buffer(payload.bytes.data(), payload.bytes.size(), options, payload.pugiEncoding));
}

bool PassesChecks(const Payload& payload, char* inPlace) {
  if (HoldsForbiddenControl(payload)) return false;
  const std::optional<std::string> declaration = LeadingDeclaration(payload);  // before the bytes change
  pugi::xml_document check;
  return LoadPayload(check, payload, inPlace, kCheckOptions) &&
         IsWellFormed(check, payload.encoding == XmlEncoding::Legacy) && HasWellFormedDeclaration(check, declaration);
}

std::unique_ptr<pugi::xml_document> LoadTree(const Payload& payload, char* inPlace) {
  auto document = std::make_unique<pugi::xml_document>();
  if (!LoadPayload(*document, payload, inPlace, kParseOptions) || !NormaliseLineEnds(*document)) return nullptr;
  return document;
}

char* PayloadStart(std::string& bytes, const Payload& payload) {
  return bytes.data() + (bytes.size() - payload.bytes.size());  // past the byte-order mark
}

}  // namespace

std::optional<ParsedXml> ParseXml(std::string_view bytes) {
  const Payload payload = DetectEncoding(bytes);
  if (!PassesChecks(payload, nullptr)) return std::nullopt;
  std::unique_ptr<pugi::xml_document> document = LoadTree(payload, nullptr);
  if (!document) return std::nullopt;
  return ParsedXml{std::move(document), payload.encoding, nullptr};
}

std::optional<ParsedXml> ParseXml(const std::function<std::optional<std::string>()>& read) {
  // Each reading is parsed where it lies, the check's first: the bytes are never held twice,
  // nor beside a copy of the document's own.
  std::optional<std::string> first = read();
  if (!first) return std::nullopt;
  const Payload checked = DetectEncoding(*first);
  if (!PassesChecks(checked, PayloadStart(*first, checked))) return std::nullopt;
  const XmlEncoding encoding = checked.encoding;
  const std::size_t size = first->size();
  first.reset();
  std::optional<std::string> second = read();
  if (!second || second->size() != size) return std::nullopt;
  auto bytes = std::make_unique<std::string>(std::move(*second));
  const Payload payload = DetectEncoding(*bytes);
  if (payload.encoding != encoding || HoldsForbiddenControl(payload)) return std::nullopt;
  std::unique_ptr<pugi::xml_document> document = LoadTree(payload, PayloadStart(*bytes, payload));
  if (!document) return std::nullopt;
  return ParsedXml{std::move(document), encoding, std::move(bytes)};
}

void WriteXml(const pugi::xml_document& document, XmlEncoding encoding, pugi::xml_writer& writer) {
  unsigned flags = pugi::format_raw | pugi::format_no_declaration;  // the document's own declaration only
  pugi::xml_encoding target = pugi::encoding_utf8;
  switch (encoding) {
    case XmlEncoding::Utf8:
    case XmlEncoding::Legacy:
      break;
    case XmlEncoding::Utf8WithBom:
      flags |= pugi::format_write_bom;
      break;
    case XmlEncoding::Utf16LeWithBom:
      flags |= pugi::format_write_bom;
      target = pugi::encoding_utf16_le;
      break;
    case XmlEncoding::Utf16BeWithBom:
      flags |= pugi::format_write_bom;
      target = pugi::encoding_utf16_be;
      break;
    case XmlEncoding::Utf16Le:
      target = pugi::encoding_utf16_le;
      break;
    case XmlEncoding::Utf16Be:
      target = pugi::encoding_utf16_be;
      break;
  }
  CarriageReturnEscaper escaper(writer, target);
  document.save(escaper, "", flags, target);
  escaper.Finish();
}

std::string SerializeXml(const pugi::xml_document& document, XmlEncoding encoding) {
  std::string out;
  StringWriter writer(out);
  WriteXml(document, encoding, writer);
  return out;
}

std::optional<std::string_view> AttributeValue(pugi::xml_node element, const char* name) {
  const pugi::xml_attribute attribute = element.attribute(name);
  if (!attribute) return std::nullopt;
  return std::string_view(attribute.value());
}

void SetAttributeValue(pugi::xml_node element, const char* name, const std::string& value) {
  pugi::xml_attribute attribute = element.attribute(name);
  if (!attribute) attribute = element.append_attribute(name);
  if (!attribute) throw std::bad_alloc();
  SetValue(attribute, value);
}

void SetValue(pugi::xml_attribute attribute, const std::string& value) {
  if (!attribute.set_value(value.c_str())) throw std::bad_alloc();
}

void SetValue(pugi::xml_node text, const std::string& value) {
  if (!text.set_value(value.c_str())) throw std::bad_alloc();
}

bool IsElement(pugi::xml_node node) { return node.type() == pugi::node_element; }

bool IsElementNamed(pugi::xml_node node, std::string_view name) {
  return IsElement(node) && name == node.name();
}

bool IsText(pugi::xml_node node) {
  return node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata;
}

namespace {

bool SameNode(pugi::xml_node a, pugi::xml_node b) {
  if (a.type() != b.type() || std::strcmp(a.name(), b.name()) != 0 || std::strcmp(a.value(), b.value()) != 0) {
    return false;
  }
  pugi::xml_attribute x = a.first_attribute();
  pugi::xml_attribute y = b.first_attribute();
  for (; x && y; x = x.next_attribute(), y = y.next_attribute()) {
    if (std::strcmp(x.name(), y.name()) != 0 || std::strcmp(x.value(), y.value()) != 0) return false;
  }
  return !x && !y;
}

}  // namespace

bool SameTree(pugi::xml_node a, pugi::xml_node b) {
  pugi::xml_node x = a;
  pugi::xml_node y = b;
  for (; x && y; x = NextInPreorder(x, a), y = NextInPreorder(y, b)) {
    if (!SameNode(x, y)) return false;
    // Equal shapes make both walks step alike: the same nodes have children and next siblings
    // (the roots' own siblings lie outside the subtrees).
    if (static_cast<bool>(x.first_child()) != static_cast<bool>(y.first_child())) return false;
    if (x != a && static_cast<bool>(x.next_sibling()) != static_cast<bool>(y.next_sibling())) return false;
  }
  return !x && !y;
}

pugi::xml_node NextInPreorder(pugi::xml_node current, pugi::xml_node subtreeRoot) {
  if (const pugi::xml_node child = current.first_child()) return child;
  for (pugi::xml_node node = current; node && node != subtreeRoot; node = node.parent()) {
    if (const pugi::xml_node sibling = node.next_sibling()) return sibling;
  }
  return {};
}
