// Every stream the compressor makes, in both literal modes and with every dictionary, expands to
// exactly its input, for sizes around the block edges (3, 516, 4096, 8192) and beyond.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "implode/codec_memory.h"
#include "stream_test_support.h"

namespace {

enum class Kind { Random, Repetitive, Text };

std::string Data(Kind kind, std::size_t size) {
  switch (kind) {
    case Kind::Random: return streamtest::RandomBytes(size, static_cast<std::uint32_t>(size));
    case Kind::Repetitive: return streamtest::Repetitive(size);
    case Kind::Text: return streamtest::ProjectText(size, static_cast<std::uint32_t>(size));
  }
  return {};
}

using Parameters = std::tuple<Kind, std::uint32_t, std::uint32_t>;

std::string ParameterName(const testing::TestParamInfo<Parameters>& info) {
  static const char* const kKinds[] = {"Random", "Repetitive", "Text"};
  return std::string(kKinds[static_cast<int>(std::get<0>(info.param))]) + "Mode" +
         std::to_string(std::get<1>(info.param)) + "Dictionary" + std::to_string(std::get<2>(info.param));
}

class ImplodeRoundTrip : public testing::TestWithParam<Parameters> {};

TEST_P(ImplodeRoundTrip, ExpandsToTheInput) {
  const auto [kind, literalMode, dictionarySize] = GetParam();
  for (const std::size_t size : {1, 2, 3, 515, 516, 517, 4095, 4096, 4097, 4612, 8192, 8193, 300000}) {
    SCOPED_TRACE(size);
    const std::string data = Data(kind, size);
    const auto packed = ImplodeBytes(data, literalMode, dictionarySize);
    ASSERT_EQ(packed.code, 0u);
    ASSERT_EQ(static_cast<unsigned char>(packed.bytes[0]), literalMode);
    const auto expanded = ExplodeBytes(packed.bytes);
    EXPECT_EQ(expanded.code, 0u);
    EXPECT_TRUE(expanded.bytes == data);
    // A source that delivers a few bytes at a time changes nothing.
    if (size < 10000) {
      EXPECT_EQ(streamtest::Implode(data, literalMode, dictionarySize, 333).output, packed.bytes);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(AllModes, ImplodeRoundTrip,
                         testing::Combine(testing::Values(Kind::Random, Kind::Repetitive, Kind::Text),
                                          testing::Values(0u, 1u), testing::Values(1024u, 2048u, 4096u)),
                         ParameterName);

TEST(ImplodeRoundTripShapes, CompressesWhatRepeats) {
  // Not a speed or ratio target, just proof that matches are used at all block positions.
  const std::string text = streamtest::ProjectText(300000, 5);
  const auto packed = ImplodeBytes(text);
  EXPECT_LT(packed.bytes.size(), text.size() / 2);
  EXPECT_EQ(ExplodeBytes(packed.bytes).bytes, text);
  const auto run = ImplodeBytes(std::string(300000, '\0'));
  EXPECT_LT(run.bytes.size(), 300000u / 100);
}

}  // namespace
