// Reading a subcommand's arguments, and the language every text of tqconv follows.
#include "cli/command_line.h"

#include <gtest/gtest.h>

#include "app/message_catalog.h"
#include "platform_double.h"

namespace {

constexpr OptionSpec kOptions[] = {{"json", 0, false}, {"recursive", 'r', false}, {"jobs", 'j', true}};

TEST(CommandLine, OptionsComeInEveryUsualSpelling) {
  struct Case {
    std::vector<std::string> arguments;
    std::string jobs;
    std::vector<std::string> operands;
  };
  const Case cases[] = {
      {{"--jobs", "4", "a.lqt"}, "4", {"a.lqt"}},
      {{"a.lqt", "--jobs=4", "b"}, "4", {"a.lqt", "b"}},
      {{"-j4", "a.lqt"}, "4", {"a.lqt"}},
      {{"-j", "4", "-r", "a.lqt"}, "4", {"a.lqt"}},
      {{"-j", "2", "--jobs", "3", "x"}, "3", {"x"}},             // the last one counts
      {{"--", "--jobs", "-r", "-"}, "", {"--jobs", "-r", "-"}},  // after "--" only operands
      {{"-", "--json"}, "", {"-"}},
  };
  for (const Case& c : cases) {
    const auto parsed = ParseCommandArguments("convert", c.arguments, kOptions);
    ASSERT_TRUE(parsed) << c.arguments.front();
    EXPECT_EQ(parsed->Value("jobs"), c.jobs) << c.arguments.front();
    EXPECT_EQ(parsed->operands, c.operands) << c.arguments.front();
    EXPECT_FALSE(parsed->help);
  }
  const auto flags = ParseCommandArguments("convert", {"-r", "--json", "--lang", "ja", "f"}, kOptions);
  ASSERT_TRUE(flags);
  EXPECT_TRUE(flags->Has("recursive") && flags->Has("json"));
  EXPECT_EQ(flags->Value("lang"), "ja");
}

TEST(CommandLine, HelpWinsWhereverItStands) {
  for (const std::vector<std::string>& arguments :
       {std::vector<std::string>{"--help"}, {"a.lqt", "-j", "2", "--help", "--frobnicate"}, {"-h"}}) {
    testing::internal::CaptureStderr();
    const auto parsed = ParseCommandArguments("convert", arguments, kOptions);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    ASSERT_TRUE(parsed);
    EXPECT_TRUE(parsed->help);
  }
}

TEST(CommandLine, UsageErrorsSayWhatIsWrongInTheChosenLanguage) {
  struct Case {
    std::vector<std::string> arguments;
    const char* english;
    const char* japanese;
  };
  const Case cases[] = {
      {{"--frobnicate", "a.lqt"},
       "tqconv: Unknown option '--frobnicate' for convert.\n"
       "Run 'tqconv convert --help' for the usage.\n",
       "tqconv: convert に不明なオプション「--frobnicate」が指定されました。\n"
       "使い方は「tqconv convert --help」で表示できます。\n"},
      {{"-x"},
       "tqconv: Unknown option '-x' for convert.\nRun 'tqconv convert --help' for the usage.\n",
       "tqconv: convert に不明なオプション「-x」が指定されました。\n使い方は「tqconv convert "
       "--help」で表示できます。\n"},
      {{"--json=yes"},
       "tqconv: Unknown option '--json=yes' for convert.\nRun 'tqconv convert --help' for the usage.\n",
       "tqconv: convert に不明なオプション「--json=yes」が指定されました。\n使い方は「tqconv convert "
       "--help」で表示できます。\n"},
      {{"a.lqt", "--jobs"},
       "tqconv: --jobs needs a value.\nRun 'tqconv convert --help' for the usage.\n",
       "tqconv: --jobs には値が必要です。\n使い方は「tqconv convert --help」で表示できます。\n"},
      {{"--lang", "fr", "a.lqt"},
       "tqconv: --lang does not take 'fr'; it takes en, ja.\nRun 'tqconv convert --help' for the usage.\n",
       "tqconv: --lang に「fr」は指定できません。指定できる値: en, ja\n使い方は「tqconv convert "
       "--help」で表示できます。\n"},
  };
  for (const Case& c : cases) {
    for (const char* language : {"EN", "JP"}) {
      CurrentLanguage() = language;
      testing::internal::CaptureStderr();
      EXPECT_FALSE(ParseCommandArguments("convert", c.arguments, kOptions));
      EXPECT_EQ(testing::internal::GetCapturedStderr(), std::string(language) == "EN" ? c.english : c.japanese);
    }
  }
}

TEST(CommandLine, TheLanguageComesFromLangElseFromTheLocale) {
  PlatformDouble platform;
  struct Case {
    std::vector<std::string> arguments;
    const char* nation;
    const char* language;
  };
  const Case cases[] = {
      {{"--lang", "ja", "a.lqt"}, "US", "JP"},
      {{"a.lqt", "--lang=en"}, "JP", "EN"},
      {{"a.lqt"}, "JP", "JP"},
      {{"a.lqt"}, "US", "EN"},
      {{"--lang", "fr"}, "JP", "JP"},        // refused later, in the locale's language
      {{"--", "--lang", "ja"}, "US", "EN"},  // an operand, not the option
  };
  for (const Case& c : cases) {
    platform.nationCode = c.nation;
    CurrentLanguage() = "";
    SelectCommandLanguage(c.arguments);
    EXPECT_EQ(CurrentLanguage(), c.language) << c.arguments.front() << " " << c.nation;
  }
}

}  // namespace
