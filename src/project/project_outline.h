// What a project holds, for a reader: its named sections as they nest, and the data blocks of
// their entries with the number of bytes each spells.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct OutlineNode {
  std::string name;                // the header line, trimmed: "PLC:=PLC1", "UnitSetup:="
  std::optional<long long> block;  // an entry's block marker number
  std::size_t blockBytes = 0;      // the hex values between the markers
  std::vector<OutlineNode> children;
};

// The sections of a project text (LF or CR LF lines): a line with ":=" that does not end in ";"
// names what follows, a body from BEGIN to its END (or END;) nests, and a block marker gives
// the last named entry its block. Text that fits none of these is passed over.
std::vector<OutlineNode> ReadProjectOutline(std::string_view text);

// The number of two-digit hexadecimal values in a block's text.
std::size_t CountHexValues(std::string_view text);
