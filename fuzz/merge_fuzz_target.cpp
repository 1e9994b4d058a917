// Arbitrary bytes as a staged project, with a hex text taken from the front of the input: every
// patch of the merge either changes its block or leaves the buffer exactly as it was, and every
// byte before the first "PLC:=" stays untouched by the block patches.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "project/merge.h"

namespace {

void Require(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "merge fuzz target: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  // The first line is the new hex text, the rest the project.
  const std::size_t newline = input.find('\n');
  const std::string_view hex = newline == std::string_view::npos ? std::string_view{} : input.substr(0, newline);
  const std::string original(newline == std::string_view::npos ? input : input.substr(newline + 1));

  std::string buffer = original;
  const bool replacedConfig = ReplaceConfigSpan(buffer, "Config:=\"[DEV]DEV:TQ6A;\";");
  Require(replacedConfig || buffer == original, "a refused configuration span changed the buffer");

  const std::string beforeBlocks = buffer;
  const std::size_t plc = buffer.find("PLC:=");
  for (const auto& [section, entry] : {std::pair{"IOTable:", "Data:="}, {"IOTable:", "UnitSetup:="},
                                       {"Settings:", "Data:="}}) {
    const std::string before = buffer;
    if (!ReplaceHexBlock(buffer, section, hex, entry)) Require(buffer == before, "a failed block patch changed the buffer");
  }
  if (plc != std::string::npos) {
    Require(buffer.compare(0, plc, beforeBlocks, 0, plc) == 0, "a block patch touched bytes before the PLC");
  } else {
    Require(buffer == beforeBlocks, "a block patch without a PLC changed the buffer");
  }
  for (std::size_t at = buffer.find("BEGIN"); at != std::string::npos; at = buffer.find("BEGIN", at + 1)) {
    const auto end = FindMatchingEnd(buffer, at);
    Require(!end || (*end > at && *end < buffer.size()), "a matching end outside the buffer");
  }
  const std::string lines = FormatHexLines(hex);
  Require(lines.empty() || (lines.front() != ' ' && lines.back() != ' ' && lines.back() != '\n'),
          "hex lines with a separator at an end");
  return 0;
}
