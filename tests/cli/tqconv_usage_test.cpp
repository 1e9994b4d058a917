// tqconv as a user meets it: the language of the locale or of --lang, help after every command,
// and usage errors that say what a command lacks.
#include <gtest/gtest.h>

#include <filesystem>

#include "test_files.h"
#include "tool_process.h"

namespace {

namespace fs = std::filesystem;

TEST(TqconvUsage, EachCommandSaysWhatItLacks) {
  const std::pair<std::vector<std::string>, const char*> cases[] = {
      {{"convert", "--lang", "en"},
       "tqconv: convert needs at least one FILE or FOLDER.\nRun 'tqconv convert --help' for the usage.\n"},
      {{"check", "--lang", "ja", "-r"},
       "tqconv: check には FILE または FOLDER を1つ以上指定してください。\n"
       "使い方は「tqconv check --help」で表示できます。\n"},
      {{"inspect", "--lang", "en", "a.lqt", "b.lqt"},
       "tqconv: inspect takes FILE.\nRun 'tqconv inspect --help' for the usage.\n"},
      {{"unit-setup", "--lang", "en", "a.lqt"},
       "tqconv: unit-setup takes FILE OUT.xml.\nRun 'tqconv unit-setup --help' for the usage.\n"},
      {{"unpack", "--lang", "en", "a"}, "tqconv: unpack takes IN OUT.\nRun 'tqconv unpack --help' for the usage.\n"},
      {{"convert", "--lang", "en", "-j", "0", "a.lqt"},
       "tqconv: --jobs does not take '0'; it takes a whole number from 1.\n"
       "Run 'tqconv convert --help' for the usage.\n"},
      {{"--lang", "en"}, "tqconv: Unknown command '--lang'.\nRun 'tqconv --help' for the usage.\n"},
#ifndef _WIN32  // the language of the locale: Windows takes the nation from GetUserGeoID instead
      {{}, "tqconv: コマンドが指定されていません。\n使い方は「tqconv --help」で表示できます。\n"},
#endif
  };
#ifdef _WIN32
  const ToolSetting japaneseUser;
#else
  const ToolSetting japaneseUser = InLocale("ja_JP.UTF-8");
#endif
  for (const auto& [arguments, err] : cases) {
    const ToolRun run = RunTqconv(arguments, japaneseUser);
    EXPECT_EQ(run.status, 2) << err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, err);
  }
}

TEST(TqconvLanguage, HelpComesInTheLanguageOfLang) {
  for (const char* command : {"convert", "check", "inspect", "unit-setup", "pack", "unpack"}) {
    const ToolRun help = RunTqconv({command, "--lang", "ja", "--help"});
    EXPECT_EQ(help.status, 0) << command;
    EXPECT_EQ(help.err, "") << command;
    EXPECT_EQ(help.out.rfind(std::string("使い方: tqconv ") + command, 0), 0u) << help.out;
  }
}

// The case as a new user met it: the locale chooses the language, the input is named.
TEST(TqconvLanguage, TheLocaleChoosesTheLanguageOfTheCommandLine) {
#ifdef _WIN32
  GTEST_SKIP() << "POSIX only: on Windows the nation comes from GetUserGeoID (PlatformWin32 tests)";
#endif
  const fs::path folder = testfiles::MakeFolder("codec");
  const auto Path = [&](const char* name) { return (folder / name).string(); };
  const ToolRun english = RunTqconv({"unpack", Path("missing.pk"), Path("t.out")}, InLocale("en_US.UTF-8"));
  EXPECT_EQ(english.status, 1);
  EXPECT_EQ(english.err, "tqconv: " + Path("missing.pk") + ": No such file.\n");
  const ToolRun japanese = RunTqconv({"unpack", Path("missing.pk"), Path("t.out")}, InLocale("ja_JP.UTF-8"));
  EXPECT_EQ(japanese.err, "tqconv: " + Path("missing.pk") + ": ファイルがありません。\n");
  const ToolRun usage = RunTqconv({"pack", "--dictionary", "3000", "a", "b"}, InLocale("ja_JP.UTF-8"));
  EXPECT_EQ(usage.status, 2);
  EXPECT_EQ(usage.err,
            "tqconv: --dictionary に「3000」は指定できません。指定できる値: 1024, 2048, 4096\n"
            "使い方は「tqconv pack --help」で表示できます。\n");
  EXPECT_EQ(RunTqconv({"convert", "--help"}, InLocale("C")).out.rfind("usage: tqconv convert", 0), 0u);
}

}  // namespace
