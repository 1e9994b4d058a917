// Unit-setup documents written inline beside their checks.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "unitxml/unit_xml_transformer.h"

// A transformer holding the parsed document and its equipment element, as LoadDocument leaves it.
inline UnitXmlTransformer Loaded(std::string_view xml) {
  UnitXmlTransformer transformer;
  std::optional<ParsedXml> parsed = ParseXml(xml);
  EXPECT_TRUE(parsed) << xml;
  if (!parsed) return transformer;
  transformer.document = std::move(parsed->document);
  transformer.encoding = parsed->encoding;
  transformer.eqptNode = UnitXmlTransformer::FindEqptNode(*transformer.document);
  return transformer;
}

// The document as SaveDocument writes it.
inline std::string Saved(const UnitXmlTransformer& transformer) {
  return transformer.document ? SerializeXml(*transformer.document, transformer.encoding) : std::string();
}
