// Arbitrary bytes as a staged project, with a hex text taken from the front of the input: every
// patch of the merge either changes its block or leaves the buffer exactly as it was, and every
// byte before the first "PLC:=" stays untouched by the block patches; the whole merge of a file
// read where it lies gives what the merge of the file read into memory gives.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "fuzz_require.h"
#include "project/merge.h"

namespace {

// The project as a file that can be mapped or only read.
class BytesInput final : public platform::InputFile {
 public:
  BytesInput(std::string_view bytes, bool mappable) : bytes_(bytes), mappable_(mappable) {}
  std::size_t Read(void* buffer, std::size_t size) override {
    const std::size_t take = std::min(size, bytes_.size() - position_);
    if (take != 0) std::memcpy(buffer, bytes_.data() + position_, take);
    position_ += take;
    return take;
  }
  std::uint64_t Size() override { return bytes_.size(); }
  void Rewind() override { position_ = 0; }
  std::unique_ptr<platform::FileMapping> Map() override {
    return mappable_ ? std::make_unique<platform::BorrowedBytes>(bytes_) : nullptr;
  }

 private:
  std::string_view bytes_;
  bool mappable_;
  std::size_t position_ = 0;
};

class BytesOutput final : public platform::OutputFile {
 public:
  bool Write(const void* data, std::size_t size) override {
    bytes.append(static_cast<const char*>(data), size);
    return true;
  }
  bool Close() override { return true; }
  bool Finish() override { return true; }
  std::string bytes;
};

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
  // The hex text in the configuration line too, so that its keys reach the patch planning.
  const std::string configLine = "Config:=\"" + std::string(hex) + "\";";
  bool merged[2] = {};
  BytesOutput outputs[2];
  for (const bool mappable : {false, true}) {
    BytesInput file(original, mappable);
    merged[mappable] = MergeProject(file, outputs[mappable], hex, hex, hex, configLine);
  }
  Require(merged[0] == merged[1], "the merge of the file where it lies succeeded where the other failed");
  Require(outputs[0].bytes == outputs[1].bytes, "the merge of the file where it lies wrote other bytes");

  const std::string lines = FormatHexLines(hex);
  Require(lines.empty() || (lines.front() != ' ' && lines.back() != ' ' && lines.back() != '\n'),
          "hex lines with a separator at an end");
  return 0;
}
