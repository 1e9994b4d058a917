// The few DOM operations the unit-setup work needs, over pugixml: strict loading that keeps the
// document's whole tree, writing it back in the encoding it came in, and attribute and tree helpers.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include <pugixml.hpp>

// How a document's bytes were encoded; saving writes the same form back.
enum class XmlEncoding {
  Utf8,            // no byte-order mark; declared UTF-8 or not declared
  Utf8WithBom,
  Utf16LeWithBom,
  Utf16BeWithBom,
  Utf16Le,         // no byte-order mark, recognised by the '<' it begins with
  Utf16Be,
  Legacy,          // declared in an 8-bit encoding other than UTF-8: bytes pass through unchanged
};

struct ParsedXml {
  std::unique_ptr<pugi::xml_document> document;
  XmlEncoding encoding = XmlEncoding::Utf8;
  // The bytes the document was parsed in, which its names and values point into; released
  // after the document.
  std::unique_ptr<std::string> buffer;
};

// Parses a whole document, keeping whitespace-only text, the declaration, comments, processing
// instructions and the document type as nodes. Nothing external is fetched, no DTD is read and
// no custom entity is expanded. Refuses (nothing) what is not well-formed, also where pugixml
// alone would accept it: an entity reference other than the five predefined ones, a character
// reference to something that is not an XML character (NUL among them), a second root element,
// text or CDATA outside the root, a misplaced declaration or document type, a declaration other
// than version, encoding and standalone in this order (the last two optional), a repeated attribute,
// a NUL character, "]]>" in text, "--" in a comment, '<' in an attribute value. A document in a
// legacy encoding may only hold character references to ASCII, since anything else would have
// to be transcoded into its bytes.
std::optional<ParsedXml> ParseXml(std::string_view bytes);
// The same over bytes read twice through read (nothing when a reading fails, or when the two
// differ in their encoding), so that the document's bytes are held once at a time.
std::optional<ParsedXml> ParseXml(const std::function<std::optional<std::string>()>& read);

// Writes the whole tree without re-indenting, in the given encoding (with its byte-order mark
// where it had one) and with the document's own declaration, if it has one. Line ends were read
// as XML defines them (CR LF as LF); a carriage return that came from a reference is written as
// "&#13;", so reading the output gives the same tree.
void WriteXml(const pugi::xml_document& document, XmlEncoding encoding, pugi::xml_writer& writer);
std::string SerializeXml(const pugi::xml_document& document, XmlEncoding encoding);

// The attribute's value when the element has the attribute; nothing otherwise ("no value").
std::optional<std::string_view> AttributeValue(pugi::xml_node element, const char* name);
// Creates or replaces the attribute. pugixml reports a write it has no memory for by a false
// result; this throws std::bad_alloc instead, so a document is never left half changed without
// anyone knowing.
void SetAttributeValue(pugi::xml_node element, const char* name, const std::string& value);
// Replaces an attribute's value or a text node's data; throws std::bad_alloc like the above.
void SetValue(pugi::xml_attribute attribute, const std::string& value);
void SetValue(pugi::xml_node text, const std::string& value);

bool IsElement(pugi::xml_node node);
// An element with exactly this name, compared case-sensitively over the whole name.
bool IsElementNamed(pugi::xml_node node, std::string_view name);
// A text or CDATA node.
bool IsText(pugi::xml_node node);

// True when both subtrees hold the same nodes with the same names, values and attributes.
// pugixml's copy leaves out what it has no memory for; this tells a whole copy from a torn one.
bool SameTree(pugi::xml_node a, pugi::xml_node b);

// The node after current in a pre-order walk of subtreeRoot's subtree (subtreeRoot first), or
// an empty node at its end. Walks without recursion, so deep documents cannot exhaust the stack.
pugi::xml_node NextInPreorder(pugi::xml_node current, pugi::xml_node subtreeRoot);
