// The unit-setup data of one conversion: its hex text as extracted, and the bytes it decodes to.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CTQPropertyData {
 public:
  virtual ~CTQPropertyData() = default;

  // Decodes the hex text into bytes (replacing earlier ones). False after MsgIOTableEmpty when
  // the text is empty or yields no byte.
  bool DecodeHexText();

  // Writes the hex text and the bytes to the two working files, expands the bytes into xmlPath
  // and writes the transformed document to xmlPath + ".out.xml". False after its message.
  bool TransformUnitXml(const std::string& binTextBeforePath, const std::string& binBeforePath,
                        const std::string& xmlPath) const;

  std::string hexText;
  std::vector<std::uint8_t> bytes;
};
