#include <gtest/gtest.h>

#include <algorithm>

#include "app/message_catalog.h"
#include "platform_double.h"

namespace {

struct Lookup {
  const char* key;
  const char* japanese;
  const char* english;
};

TEST(MessageCatalog, GivesTheTextOfTheCurrentLanguage) {
  const Lookup cases[] = {
      {"MsgResult", "変換が正常に完了しました。", "Conversion succeeded."},
      {"BtnOk", "OK", "OK"},
      {"BtnCancel", "閉じる", "Close"},
      {"DialogTitle", "TQ5A→TQ6A LQPプロジェクトファイルコンバータ", "TQ5A to TQ6A LQP Project Converter"},
      {"MsgUnsupportedExt", "対応していないファイル形式です。\n対応: .lqt, .lqp",
       "Unsupported file type.\nSupported: .lqt, .lqp"},
      {"MsgEqptNodeNotFound", "ドキュメント内に<Eqpt ID=\"S5\">が見つかりません。",
       "<Eqpt ID=\"S5\"> not found in document."},
      {"MsgOpenProcessedFileFail", "処理済みファイルの開込に失敗しました", "Failed to open processed file"},
      // The label's text keeps its own characters, the odd-looking one included.
      {"StaticTop", "TQ5AのLQPプロジェクトファイルをPLCシステム設定とユニッ卜設定を保持して機種変換します。",
       "Converts TQ5A LQP project files to a new PLC model while preserving the PLC system and unit settings."},
      {"MsgStdException", "標準例外が発生しました: %s", "Standard exception: %s"},
      {"StaticPath", "出力先:", "Output Path:"},
  };
  for (const Lookup& entry : cases) {
    CurrentLanguage() = "JP";
    EXPECT_EQ(LookupMessage(entry.key), entry.japanese) << entry.key;
    CurrentLanguage() = "EN";
    EXPECT_EQ(LookupMessage(entry.key), entry.english) << entry.key;
  }
}

TEST(MessageCatalog, KeysItLacksYieldThemselves) {
  for (const char* language : {"JP", "EN"}) {
    CurrentLanguage() = language;
    EXPECT_EQ(LookupMessage("msgresult"), "msgresult");
    EXPECT_EQ(LookupMessage("MsgResult "), "MsgResult ");
    EXPECT_EQ(LookupMessage(""), "");
    EXPECT_EQ(LookupMessage("MsgCastFinalCompFail"), "MsgCastFinalCompFail");
  }
}

TEST(MessageCatalog, OnlyExactlyJPGivesJapanese) {
  for (const char* language : {"jp", "Jp", "EN", "", "JPN"}) {
    CurrentLanguage() = language;
    EXPECT_EQ(LookupMessage("MsgResult"), "Conversion succeeded.") << language;
  }
}

TEST(MessageCatalog, LanguageFollowsTheNationCode) {
  const std::pair<const char*, const char*> cases[] = {
      {"JP", "JP"}, {"jp", "JP"}, {"jP", "JP"}, {"US", "EN"}, {"", "EN"}, {"JPN", "EN"}, {"DE", "EN"}};
  for (const auto& [nation, language] : cases) {
    PlatformDouble platform;
    platform.nationCode = nation;
    CurrentLanguage() = "XX";
    SelectLanguage();
    EXPECT_EQ(CurrentLanguage(), language) << nation;
  }
}

TEST(MessageCatalog, NationComesFromTheLocaleEnvironment) {
#ifdef _WIN32
  GTEST_SKIP() << "POSIX only: Windows takes the nation from GetUserGeoID (PlatformWin32 tests)";
#else
  struct Case {
    const char *all, *address, *lang, *nation;
  };
  const Case cases[] = {
      {"ja_JP.UTF-8", "en_US.UTF-8", "de_DE", "JP"},
      {"", "en_US.UTF-8", "ja_JP", "US"},
      {nullptr, nullptr, "ja_JP.eucJP@mod", "JP"},
      {nullptr, nullptr, "C.UTF-8", ""},
      {nullptr, nullptr, nullptr, ""},
  };
  for (const Case& c : cases) {
    for (const auto& [name, value] : {std::pair{"LC_ALL", c.all}, {"LC_ADDRESS", c.address}, {"LANG", c.lang}}) {
      if (value) {
        setenv(name, value, 1);
      } else {
        unsetenv(name);
      }
    }
    EXPECT_EQ(platform::NativePlatform().UserNationCode(), c.nation);
  }
#endif
}

TEST(MessageCatalog, OnlyPercentSTakesTheDetail) {
  EXPECT_EQ(FormatCatalogText("Standard exception: %s", "bad_alloc"), "Standard exception: bad_alloc");
  EXPECT_EQ(FormatCatalogText("Standard exception: %s", ""), "Standard exception: %s");
  EXPECT_EQ(FormatCatalogText("Data merge failed.", "detail"), "Data merge failed.");
  EXPECT_EQ(FormatCatalogText("100% of %d: %s", "x"), "100% of %d: x");
  EXPECT_EQ(FormatCatalogText("%s", "%s%n%x"), "%s%n%x");
}

TEST(MessageCatalog, NumberedPlaceholdersTakeTheirValuesInOnePass) {
  EXPECT_EQ(FormatCatalogValues("%2 before %1", {"one", "two"}), "two before one");
  EXPECT_EQ(FormatCatalogValues("%1 and %3", {"%2", "x"}), "%2 and %3");  // values are not read again
  EXPECT_EQ(FormatCatalogValues("100% of %1%", {"a"}), "100% of a%");
  EXPECT_EQ(FormatCatalogValues("%1", {}), "%1");
}

// tqconv's own texts exist in both languages, the Japanese one written as Japanese.
TEST(MessageCatalog, TheCommandLinesTextsAreInBothLanguages) {
  for (const char* key : {"CliInputMissing", "CliInputUnreadable", "CliNotAStream", "CliStreamTruncated",
                          "CliOutputExists", "CliOutputUnwritable", "CliFolderHoldsNoProject", "CliSummary",
                          "CliUsageUnknownOption", "CliHelp", "CliHelpConvert", "ReportConfig",
                          "ReportIdentifiersRenumbered",
                          "InspectMemoryLayout", "InspectIdentifiers"}) {
    CurrentLanguage() = "EN";
    const std::string english = LookupMessage(key);
    CurrentLanguage() = "JP";
    const std::string japanese = LookupMessage(key);
    EXPECT_NE(english, key);
    EXPECT_NE(japanese, english) << key;
    const auto notAscii = [](char c) { return static_cast<unsigned char>(c) >= 0x80; };
    EXPECT_TRUE(std::any_of(japanese.begin(), japanese.end(), notAscii))
        << key;
  }
}

}  // namespace
