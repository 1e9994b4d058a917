// Every failure of pack and unpack names the file it concerns and says what is wrong with it,
// in the chosen language; no OUT is left behind.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/message_catalog.h"
#include "cli/commands.h"
#include "implode/codec_memory.h"
#include "platform_double.h"
#include "test_files.h"

namespace {

namespace fs = std::filesystem;

struct Outcome {
  int status;
  std::string err;
};

Outcome RunCommand(int (*command)(const std::vector<std::string>&), const std::vector<std::string>& arguments) {
  testing::internal::CaptureStderr();
  const int status = command(arguments);
  return {status, testing::internal::GetCapturedStderr()};
}

class PackAndUnpack : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = testfiles::MakeFolder("codec");
    testfiles::Write(folder_ / "in.txt", "abcabcabc abcabcabc");
    stream_ = ImplodeBytes(std::string(3000, 'x') + "tail of the text").bytes;
    testfiles::Write(folder_ / "in.bin", stream_);
    testfiles::Write(folder_ / "cut.bin", stream_.substr(0, stream_.size() / 2));
    testfiles::Write(folder_ / "taken", "keep me");
    fs::create_directory(folder_ / "folder");
  }
  std::string Path(const char* name) const { return (folder_ / name).string(); }
  fs::path folder_;
  std::string stream_;
};

TEST_F(PackAndUnpack, EachFailureNamesItsFileInBothLanguages) {
  struct Case {
    int (*command)(const std::vector<std::string>&);
    const char* in;
    const char* out;
    const char* named;  // the file the message names
    const char* english;
    const char* japanese;
  };
  const Case cases[] = {
      {RunPackCommand, "missing.txt", "new.bin", "missing.txt", "No such file.", "ファイルがありません。"},
      {RunUnpackCommand, "missing.pk", "t.out", "missing.pk", "No such file.", "ファイルがありません。"},
      {RunPackCommand, "folder", "new.bin", "folder", "This is a folder, not a file.",
       "ファイルではなくフォルダです。"},
      {RunUnpackCommand, "folder", "new.txt", "folder", "This is a folder, not a file.",
       "ファイルではなくフォルダです。"},
      {RunUnpackCommand, "in.txt", "new.txt", "in.txt", "Not a compressed stream.", "圧縮ストリームではありません。"},
      {RunUnpackCommand, "cut.bin", "new.txt", "cut.bin", "The compressed stream is cut short.",
       "圧縮ストリームが途中で終わっています。"},
      {RunPackCommand, "in.txt", "taken", "taken", "Exists already; not replaced.",
       "既に存在するため、置き換えません。"},
      {RunUnpackCommand, "in.bin", "taken", "taken", "Exists already; not replaced.",
       "既に存在するため、置き換えません。"},
  };
  for (const Case& c : cases) {
    for (const char* language : {"EN", "JP"}) {
      CurrentLanguage() = language;
      const Outcome outcome = RunCommand(c.command, {Path(c.in), Path(c.out)});
      EXPECT_EQ(outcome.status, 1) << c.in;
      EXPECT_EQ(outcome.err,
                "tqconv: " + Path(c.named) + ": " + (std::string(language) == "EN" ? c.english : c.japanese) + "\n");
    }
    EXPECT_EQ(testfiles::Read(folder_ / "taken"), "keep me");
  }
  EXPECT_EQ(testfiles::List(folder_), (std::vector<std::string>{"cut.bin", "folder", "in.bin", "in.txt", "taken"}));
}

TEST_F(PackAndUnpack, FilesTheFileLayerRefusesAreNamedToo) {
  PlatformDouble platform;
  platform.Fail(PlatformCall::OpenForReading, "in.");
  EXPECT_EQ(RunCommand(RunPackCommand, {Path("in.txt"), Path("a.bin")}).err,
            "tqconv: " + Path("in.txt") + ": The file cannot be read.\n");
  EXPECT_EQ(RunCommand(RunUnpackCommand, {Path("in.bin"), Path("a.txt")}).err,
            "tqconv: " + Path("in.bin") + ": The file cannot be read.\n");
  platform.Heal();
  platform.Fail(PlatformCall::CreateExclusive, "codec");
  CurrentLanguage() = "JP";
  EXPECT_EQ(RunCommand(RunPackCommand, {Path("in.txt"), Path("a.bin")}).err,
            "tqconv: " + Path("a.bin") + ": 書き込めません。\n");
  EXPECT_EQ(RunCommand(RunUnpackCommand, {Path("in.bin"), Path("a.txt")}).err,
            "tqconv: " + Path("a.txt") + ": 書き込めません。\n");
  EXPECT_EQ(testfiles::List(folder_), (std::vector<std::string>{"cut.bin", "folder", "in.bin", "in.txt", "taken"}));
}

TEST_F(PackAndUnpack, ARoundTripStillWorks) {
  EXPECT_EQ(RunCommand(RunUnpackCommand, {Path("in.bin"), Path("out.txt")}).status, 0);
  EXPECT_EQ(testfiles::Read(folder_ / "out.txt"), std::string(3000, 'x') + "tail of the text");
  EXPECT_EQ(RunCommand(RunPackCommand, {"--dictionary", "1024", Path("in.txt"), Path("in.pk")}).status, 0);
  EXPECT_EQ(ExplodeBytes(testfiles::Read(folder_ / "in.pk")).bytes, "abcabcabc abcabcabc");
}

}  // namespace
