// Searches over a whole project text: the quick key search against the plain one, keys in lines
// with CR bytes dropped, and the block reading fed in pieces against the line reader's steps.
#include "project/text_search.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>

#include "project/project_reader.h"
#include "project_text.h"

namespace {

using projecttext::BuildProject;
using projecttext::Crlf;
using projecttext::ProjectParts;
using projecttext::WriteProject;

TEST(project_FindKey, FindsWhatFindFinds) {
  const std::string texts[] = {
      "", "BEGIN", "xBEGINBEGIN", "00 0B EG IN BEGI BEGIN", "54 51 35 4154 51 35 41", "aaa", "END; END END;",
      "$?St$Bk?_#[2] $?St$Bk?_#[12]", std::string("PLC:=\0PLC:=", 11),
  };
  const std::string_view keyList[] = {"BEGIN", "END;", "END", "54 51 35 41", "aa", "$?St$Bk?_#[2]", "PLC:=", "a", ""};
  for (const std::string& text : texts) {
    for (const std::string_view key : keyList) {
      for (std::size_t from = 0; from <= text.size() + 1; ++from) {
        EXPECT_EQ(FindKey(text, key, from), std::string_view(text).find(key, from))
            << "\"" << text << "\" \"" << key << "\" from " << from;
      }
    }
  }
}

// Hex text with the key planted at every offset around the sixteen-byte steps and the text's end,
// and near misses (first and last byte right, a middle byte wrong) everywhere else.
TEST(project_FindCommonKey, FindsWhatFindFindsAtEveryOffset) {
  const std::string_view key = "54 51 35 41";
  std::mt19937 random(7);
  const std::string digits = "0123456789ABCDEF";
  for (std::size_t size = 0; size <= 70; ++size) {
    std::string text;
    for (std::size_t i = 0; i < size; ++i) text += i % 3 == 2 ? ' ' : digits[random() % 16];
    for (std::size_t at = 0; at + key.size() <= size; at += 5) {
      std::string planted = text;
      planted.replace(at, key.size(), at % 2 == 0 ? key : std::string_view("54 51 36 41"));
      for (std::size_t from = 0; from <= size + 1; ++from) {
        ASSERT_EQ(FindCommonKey(planted, key, from), std::string_view(planted).find(key, from))
            << "\"" << planted << "\" from " << from;
      }
    }
  }
  EXPECT_EQ(FindCommonKey("5454 51 35 41", key), 2u);
  EXPECT_EQ(FindCommonKey("54 51 35 4", key), std::string_view::npos);
  EXPECT_EQ(FindCommonKey("abab", "ab", 1), 2u);
  EXPECT_EQ(FindCommonKey("abc", "c", 0), 2u);
  EXPECT_EQ(FindCommonKey("abc", "", 1), 1u);
}

TEST(project_HoldsAnyOf, EachByteAtEveryOffset) {
  for (std::size_t size = 0; size <= 140; ++size) {
    const std::string text(size, '0');
    EXPECT_FALSE(HoldsAnyOf(text, 'N', ':', '$')) << size;
    for (std::size_t at = 0; at < size; ++at) {
      for (const char c : {'N', ':', '$'}) {
        std::string held = text;
        held[at] = c;
        ASSERT_TRUE(HoldsAnyOf(held, 'N', ':', '$')) << size << " " << at << " " << c;
      }
    }
  }
}

TEST(project_HoldsLfWithoutCr, EveryLfAtEveryOffset) {
  for (std::size_t size = 1; size <= 70; ++size) {
    for (std::size_t at = 0; at < size; ++at) {
      std::string text(size, 'x');
      text[at] = '\n';
      EXPECT_EQ(HoldsLfWithoutCr(text, 'x'), true) << size << " " << at;
      EXPECT_EQ(HoldsLfWithoutCr(text, '\r'), at != 0) << size << " " << at;
      if (at > 0) {
        text[at - 1] = '\r';
        EXPECT_FALSE(HoldsLfWithoutCr(text, 'x')) << size << " " << at;
      }
    }
  }
  EXPECT_FALSE(HoldsLfWithoutCr("", 'x'));
  EXPECT_FALSE(HoldsLfWithoutCr("\r", 'x'));
  EXPECT_TRUE(HoldsLfWithoutCr("\r\n\n", 'x'));
}

TEST(project_AppendLinesSpaced, EachLineWithoutItsCrAndOneSpace) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"", ""},
      {"\n", " "},
      {"\r\n", " "},
      {"\r", "\r "},
      {"ab", "ab "},
      {"ab\r\ncd\n", "ab cd "},
      {"ab\r\r\ncd", "ab\r cd "},
      {"\r\r\n\n\r", "\r  \r "},
      {"a\rb\r\n", "a\rb "},
      {"      00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F\r\n      10 11\r\n",
       "      00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F       10 11 "},
  };
  for (const auto& [text, spaced] : cases) {
    std::string out = "kept ";
    AppendLinesSpaced(out, text);
    EXPECT_EQ(out, "kept " + std::string(spaced)) << text;
  }
  // Line ends at every offset around the sixteen-byte steps, CR before the LF or not, against a
  // line-by-line reading.
  std::mt19937 random(11);
  for (int round = 0; round < 400; ++round) {
    std::string text;
    const std::size_t size = random() % 90;
    for (std::size_t i = 0; i < size; ++i) {
      const unsigned pick = random() % 10;
      text += pick == 0 ? '\n' : pick == 1 ? '\r' : static_cast<char>('a' + pick);
    }
    std::string expected;
    for (std::size_t at = 0; at < text.size();) {
      const std::size_t lf = text.find('\n', at);
      std::size_t lineEnd = lf == std::string::npos ? text.size() : lf;
      if (lf != std::string::npos && lineEnd > at && text[lineEnd - 1] == '\r') --lineEnd;
      expected += text.substr(at, lineEnd - at) + ' ';
      at = lf == std::string::npos ? text.size() : lf + 1;
    }
    std::string out;
    AppendLinesSpaced(out, text);
    ASSERT_EQ(out, expected) << text;
  }
}

TEST(project_FindKeyInAnsiLines, KeysWithCrBytesBetweenTheirBytes) {
  const std::string text = "IOTa\rble:=\r\nIOT\nable:=\r\nx IOTable:=";
  EXPECT_EQ(FindKeyInAnsiLines(text, "IOTable:=", 0), 0u);  // the first line once its CR is dropped
  EXPECT_EQ(FindKeyInAnsiLines(text, "IOTable:=", 12), 26u);  // never across an LF
  EXPECT_EQ(FindKeyInAnsiLines(text, "IOTable:=", 12, 26), std::string_view::npos);
  EXPECT_EQ(FindKeyInAnsiLines("\r\r\rRe\r\rsource[1]", "Resource[1]", 0), 3u);
  EXPECT_EQ(FindKeyInAnsiLines("Resource[1", "Resource[1]", 0), std::string_view::npos);
}

// ExtractHexBlock's steps as its reader takes them, one line at a time: the reference.
std::string ExtractLineByLine(std::string_view text, std::string_view section, std::string_view entry) {
  auto file = ProjectFile::Open(WriteProject(text, "reference.lqt"));
  const auto stop = std::string_view("Resource[1]");
  if (FindLineContaining(*file, section, stop).empty()) return {};
  if (FindLineContaining(*file, entry, stop).empty()) return {};
  std::string line;
  bool opened = false;
  while (!opened && ReadAnsiLine(*file, line)) opened = line.find("$?St$Bk?_#") != std::string::npos;
  if (!opened) return {};
  std::string content;
  while (file->ReadLine(line, LineMode::ByteTransparent)) {
    if (line.find("$?St$Bk?_#") != std::string::npos) return content;
    content += line + ' ';
  }
  return {};
}

// The text in pieces of whole lines, n lines a piece.
std::vector<std::string_view> Pieces(std::string_view text, std::size_t linesPerPiece) {
  std::vector<std::string_view> pieces;
  std::size_t start = 0;
  std::size_t lines = 0;
  for (std::size_t at = 0; at < text.size(); ++at) {
    if (text[at] == '\n' && ++lines % linesPerPiece == 0) {
      pieces.push_back(text.substr(start, at + 1 - start));
      start = at + 1;
    }
  }
  if (start < text.size()) pieces.push_back(text.substr(start));
  return pieces;
}

TEST(project_HexBlockReader, ReadsAsTheLineReaderDoesInAnyPieces) {
  const std::string project = BuildProject({});
  const std::string texts[] = {
      project,
      Crlf({"IOTable:=", "Data:= $?St$Bk?_#[2]", "x", "$?St$Bk?_#[2]", "0A", "$?St$Bk?_#[2]"}),
      Crlf({"IOTable:=", "Data:=", "$?St$Bk?_#[2]", "0A", "0B"}),
      Crlf({"Resource[1]:=", "IOTable:=", "Data:=", "$?St$Bk?_#[2]", "0A", "$?St$Bk?_#[2]"}),
      Crlf({"IOTable:= Resource[1]", "Data:=", "$?St$Bk?_#[2]", "0A", "$?St$Bk?_#[2]"}),
      Crlf({"IOTable:=", "Resource[1] Data:=", "$?St$Bk?_#[2]", "0A", "$?St$Bk?_#[2]"}),
      Crlf({"IOTable:= Data:=", "$?St$Bk?_#[2]", "0A", "$?St$Bk?_#[2]"}),
      Crlf({"IOTable:=", "Data:=", "$?St$Bk?_#[2]", "$?St$Bk?_#[2]"}),
      "IOTa\rble:=\r\nDa\rta:=\r\n$?St\r$Bk?_#[2]\r\n0A\r0B\r\n\n  0C\n$?St$Bk?_#[2]",
      "IOTable:=\nData:=\n$?St$Bk?_#[2]\n0A\n$?St$Bk?_#[2]",  // the closing line has no line end
      "IOTable:=\nData:=\n$?St$Bk?_#[2]",
      "IOTable:=\nData:=\n$?St$Bk?_#[2]\n0A $?St$Bk",
      "",
  };
  const std::pair<std::string_view, std::string_view> blocks[] = {
      {"IOTable:=", "Data:="}, {"IOTable:=", "UnitSetup:="}, {"Settings:=", "Data:="}};
  for (const std::string& text : texts) {
    for (const auto& [section, entry] : blocks) {
      const std::string expected = ExtractLineByLine(text, section, entry);
      for (const std::size_t lines : {std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{1000}}) {
        HexBlockReader reader(section, entry, true);
        std::size_t offset = 0;
        for (const std::string_view piece : Pieces(text, lines)) {
          reader.Feed(piece, offset);
          offset += piece.size();
        }
        const std::optional<TextSpan> span = reader.Span();
        EXPECT_EQ(reader.TakeContent(), expected) << section << entry << " in \"" << text << "\", " << lines;
        // Read whole, the text gives the same span.
        if (span) {
          EXPECT_EQ(LocateExtractedContent(text, section, entry)->begin, span->begin);
          EXPECT_EQ(LocateExtractedContent(text, section, entry)->end, span->end);
        } else {
          EXPECT_FALSE(LocateExtractedContent(text, section, entry)) << text;
        }
      }
    }
  }
}

TEST(project_ExtractHexBlocks, OnePassReadsEachBlockAsIfAlone) {
  ProjectParts parts;
  // Longer than the reader's piece: the I/O table data block crosses pieces.
  for (int line = 0; line < 60000; ++line) parts.ioData += "\r\n      00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F";
  parts.settingsData = "Settings:= IOTable:=";
  const std::string text = BuildProject(parts);
  auto file = ProjectFile::Open(WriteProject(text));
  const std::vector<std::string> blocks = ExtractHexBlocks(
      *file, {{"IOTable:=", "UnitSetup:="}, {"IOTable:=", "Data:="}, {"Settings:=", "Data:="}, {"Absent:=", "Data:="}});
  ASSERT_EQ(blocks.size(), 4u);
  EXPECT_EQ(blocks[0], ExtractLineByLine(text, "IOTable:=", "UnitSetup:="));
  EXPECT_EQ(blocks[1], ExtractLineByLine(text, "IOTable:=", "Data:="));
  EXPECT_EQ(blocks[2], ExtractLineByLine(text, "Settings:=", "Data:="));
  EXPECT_EQ(blocks[3], "");
  EXPECT_GT(blocks[1].size(), 3000000u);
  EXPECT_EQ(ExtractHexBlock(*file, "IOTable:=", "Data:="), blocks[1]);
}

}  // namespace
