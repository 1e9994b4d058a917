#include "cli/json_line.h"

#include <gtest/gtest.h>

namespace {

TEST(JsonLine, StringsAreAlwaysValidUtf8Json) {
  const std::pair<std::string, std::string> cases[] = {
      {"plain.lqt", "\"plain.lqt\""},
      {"a\"b\\c", "\"a\\\"b\\\\c\""},
      {"two\nlines\r\t", "\"two\\nlines\\r\\t\""},
      {std::string("nul\x01\x1f", 5), "\"nul\\u0001\\u001f\""},
      {"工場.lqt", "\"工場.lqt\""},
      {"\xF0\x9F\x8F\xAD", "\"\xF0\x9F\x8F\xAD\""},
      {"bad\xFF.lqt", "\"bad\xEF\xBF\xBD.lqt\""},  // a stray byte
      {"\x83\x89\x83\x43",
       "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"
       "C\""},                                                       // Shift-JIS is not UTF-8
      {"\xED\xA0\x80", "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""},  // no encoded surrogates
      {"\xE5\xB7", "\"\xEF\xBF\xBD\xEF\xBF\xBD\""},                  // cut short
  };
  for (const auto& [text, json] : cases) EXPECT_EQ(JsonString(text), json);
}

TEST(JsonLine, ReportsInputOutcomeAndMessagesInOrder) {
  EXPECT_EQ(ConversionJsonLine("a.lqt", true, std::string("/d/a_converted.lqt"), {}),
            "{\"input\":\"a.lqt\",\"ok\":true,\"output\":\"/d/a_converted.lqt\",\"messages\":[]}");
  const std::vector<ShownMessage> messages = {{"MsgFileTooLarge", "File too large.", MessageIcon::Information},
                                              {"MsgPathTooLong", "Path is too long.", MessageIcon::Warning}};
  EXPECT_EQ(ConversionJsonLine("b.lqp", false, std::nullopt, messages),
            "{\"input\":\"b.lqp\",\"ok\":false,\"output\":null,\"messages\":["
            "{\"key\":\"MsgFileTooLarge\",\"text\":\"File too large.\",\"icon\":\"information\"},"
            "{\"key\":\"MsgPathTooLong\",\"text\":\"Path is too long.\",\"icon\":\"warning\"}]}");
}

}  // namespace
