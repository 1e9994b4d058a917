// Packed files: what is left on disk after each outcome, and that every file call goes through
// the platform layer.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "implode/codec_memory.h"
#include "packed/packed_file.h"
#include "platform_double.h"
#include "stream_test_support.h"
#include "test_files.h"

namespace {

namespace fs = std::filesystem;
constexpr std::uint64_t kNoLimit = std::numeric_limits<std::uint64_t>::max();

TEST(PackedFile, PackingAnEmptyFileWritesOnlyTheEndCode) {
  const fs::path folder = testfiles::MakeFolder("empty");
  testfiles::Write(folder / "empty.lqt", "");
  ASSERT_TRUE(PackProjectFile(folder / "empty.lqt", folder / "empty.lqp"));
  EXPECT_EQ(testfiles::Read(folder / "empty.lqp"), streamtest::FromHex("00 06 01 FF"));
  // That stream is refused on the way back (too short), and the target is left empty.
  EXPECT_EQ(UnpackProjectFile(folder / "empty.lqp", folder / "back.lqt", kNoLimit), UnpackResult::Failed);
  EXPECT_EQ(testfiles::Read(folder / "back.lqt"), "");
}

TEST(PackedFile, PackThenUnpackGivesTheSameBytes) {
  const fs::path folder = testfiles::MakeFolder("round");
  const std::string text = streamtest::ProjectText(100000, 11) + std::string("\x00\x1A\r\n", 4);
  testfiles::Write(folder / "plant.lqt", text);
  ASSERT_TRUE(PackProjectFile(folder / "plant.lqt", folder / "plant.lqp"));
  const std::string packed = testfiles::Read(folder / "plant.lqp");
  EXPECT_EQ(packed, ImplodeBytes(text, 0, 4096).bytes);  // always literal mode 0, 4096 bytes
  ASSERT_EQ(UnpackProjectFile(folder / "plant.lqp", folder / "back.lqt", kNoLimit), UnpackResult::Expanded);
  EXPECT_EQ(testfiles::Read(folder / "back.lqt"), text);
}

TEST(PackedFile, FilesLongerThanOneReadOfTheSourceComeThroughWhole) {
  // The source is read in large pieces and the codec served from them: streams and expansions
  // that span several pieces, ending inside one, are the same bytes as from memory.
  const fs::path folder = testfiles::MakeFolder("pieces");
  const std::string text = streamtest::ProjectText(300001, 17);
  const std::string noise = streamtest::RandomBytes(400003, 18);  // a stream longer than a piece
  for (const std::string* data : {&text, &noise}) {
    testfiles::Write(folder / "in", *data);
    ASSERT_TRUE(PackProjectFile(folder / "in", folder / "in.lqp"));
    const std::string packed = testfiles::Read(folder / "in.lqp");
    // Compared as a whole: a difference in bytes this long is no use printed.
    EXPECT_TRUE(packed == ImplodeBytes(*data, 0, 4096).bytes) << "the stream differs from the one made in memory";
    ASSERT_EQ(UnpackProjectFile(folder / "in.lqp", folder / "back", kNoLimit), UnpackResult::Expanded);
    EXPECT_TRUE(testfiles::Read(folder / "back") == *data) << "the expansion differs from the source";
    // Cut inside its last piece, the stream is told apart as cut short, its bytes until then kept.
    testfiles::Write(folder / "cut.lqp", packed.substr(0, packed.size() - 1000));
    EXPECT_EQ(UnpackFileExplained(folder / "cut.lqp", folder / "cut", kNoLimit), UnpackFailure::Truncated);
    const std::string cut = testfiles::Read(folder / "cut");
    EXPECT_GT(cut.size(), data->size() / 2);
    EXPECT_TRUE(cut == data->substr(0, cut.size())) << "the bytes decoded before the cut differ";
    fs::remove(folder / "in.lqp");
    fs::remove(folder / "back");
  }
}

TEST(PackedFile, PackingOnSeveralThreadsGivesTheSameStream) {
  // A conversion's own merged text is mapped and compressed in segments of at least a mebibyte;
  // where it cannot be mapped it is read as on one thread.
  const fs::path folder = testfiles::MakeFolder("threads");
  const std::string text = streamtest::ProjectText(3000000, 19);
  testfiles::Write(folder / "merged.lqt", text);
  const std::string expected = ImplodeBytes(text, 0, 4096).bytes;
  ASSERT_TRUE(PackProjectFile(folder / "merged.lqt", folder / "mapped.lqp", 4));
  EXPECT_TRUE(testfiles::Read(folder / "mapped.lqp") == expected) << "the stream differs from the one made in memory";
  PlatformDouble platform;
  platform.Fail(PlatformCall::Map);
  ASSERT_TRUE(PackProjectFile(folder / "merged.lqt", folder / "read.lqp", 4));
  EXPECT_TRUE(testfiles::Read(folder / "read.lqp") == expected) << "the stream differs from the one made in memory";
  EXPECT_EQ(platform.Calls(PlatformCall::Map), 1);
  EXPECT_GE(platform.Calls(PlatformCall::Read), 3000000 / (128 * 1024));
  EXPECT_EQ(platform.Calls(PlatformCall::Sync), 1);
}

TEST(PackedFile, UnpackingAcceptsEveryModeAndDictionary) {
  const fs::path folder = testfiles::MakeFolder("modes");
  const std::string text = streamtest::ProjectText(20000, 12);
  testfiles::Write(folder / "in.lqt", text);
  for (const std::uint32_t mode : {0u, 1u}) {
    for (const std::uint32_t dictionary : {1024u, 2048u, 4096u}) {
      SCOPED_TRACE(testing::Message() << mode << "/" << dictionary);
      ASSERT_TRUE(PackFile(folder / "in.lqt", folder / "packed", mode, dictionary));
      EXPECT_EQ(testfiles::Read(folder / "packed"), ImplodeBytes(text, mode, dictionary).bytes);
      ASSERT_EQ(UnpackProjectFile(folder / "packed", folder / "out", kNoLimit), UnpackResult::Expanded);
      EXPECT_EQ(testfiles::Read(folder / "out"), text);
    }
  }
}

TEST(PackedFile, RefusedParametersCreateNoTarget) {
  const fs::path folder = testfiles::MakeFolder("refused");
  testfiles::Write(folder / "in.lqt", "abc");
  EXPECT_FALSE(PackFile(folder / "in.lqt", folder / "a", 0, 3000));
  EXPECT_FALSE(PackFile(folder / "in.lqt", folder / "b", 2, 4096));
  EXPECT_FALSE(fs::exists(folder / "a"));
  EXPECT_FALSE(fs::exists(folder / "b"));
}

TEST(PackedFile, UnpackingATextProjectFailsAndLeavesAnEmptyTarget) {
  const fs::path folder = testfiles::MakeFolder("text");
  testfiles::Write(folder / "plant.lqp", "[Project]\r\nName=plant\r\n");
  EXPECT_EQ(UnpackProjectFile(folder / "plant.lqp", folder / "out.lqt", kNoLimit), UnpackResult::Failed);
  ASSERT_TRUE(fs::exists(folder / "out.lqt"));
  EXPECT_EQ(testfiles::Read(folder / "out.lqt"), "");
}

TEST(PackedFile, UnpackingATruncatedStreamKeepsTheBytesDecoded) {
  const fs::path folder = testfiles::MakeFolder("cut");
  const std::string text = streamtest::ProjectText(30000, 13);
  const std::string stream = ImplodeBytes(text).bytes;
  testfiles::Write(folder / "cut.lqp", stream.substr(0, stream.size() - 3));
  EXPECT_EQ(UnpackProjectFile(folder / "cut.lqp", folder / "out.lqt", kNoLimit), UnpackResult::Failed);
  const std::string written = testfiles::Read(folder / "out.lqt");
  EXPECT_GT(written.size(), 20000u);
  EXPECT_EQ(written, text.substr(0, written.size()));
}

TEST(PackedFile, ExactlyTheLimitPassesOneMoreIsTooLarge) {
  const fs::path folder = testfiles::MakeFolder("limit");
  const std::string data(100000, 'z');  // expands from a few hundred bytes
  testfiles::Write(folder / "big.lqp", ImplodeBytes(data).bytes);
  EXPECT_EQ(UnpackProjectFile(folder / "big.lqp", folder / "exact", data.size()), UnpackResult::Expanded);
  EXPECT_EQ(testfiles::Read(folder / "exact"), data);
  EXPECT_EQ(UnpackProjectFile(folder / "big.lqp", folder / "over", data.size() - 1), UnpackResult::TooLarge);
  EXPECT_EQ(testfiles::Read(folder / "over"), data.substr(0, data.size() - 1));
  EXPECT_EQ(UnpackProjectFile(folder / "big.lqp", folder / "tiny", 5000), UnpackResult::TooLarge);
  EXPECT_EQ(testfiles::Read(folder / "tiny").size(), 5000u);
}

TEST(PackedFile, PastTheLimitNothingMoreIsWrittenOrRead) {
  const fs::path folder = testfiles::MakeFolder("past");
  testfiles::Write(folder / "source", "more input");
  auto source = platform::OpenForReading(folder / "source");
  auto target = platform::CreateForWriting(folder / "target");
  ASSERT_TRUE(source && target);
  PackFileContext context;
  context.source = source.get();
  context.target = target.get();
  context.limit = 10;
  std::uint32_t size = 11;
  WriteToTarget("0123456789A", size, &context);
  EXPECT_TRUE(context.tooLarge);
  EXPECT_FALSE(context.writeFailed);
  EXPECT_EQ(context.written, 10u);
  size = 3;
  WriteToTarget("BCD", size, &context);
  EXPECT_EQ(context.written, 10u);
  char buffer[16];
  std::uint32_t request = sizeof buffer;
  EXPECT_EQ(ReadFromSource(buffer, request, &context), 0u);
  ASSERT_TRUE(target->Close());
  EXPECT_EQ(testfiles::Read(folder / "target"), "0123456789");
}

TEST(PackedFile, MissingSourceOrTargetFolderFailsBeforeWriting) {
  const fs::path folder = testfiles::MakeFolder("missing");
  testfiles::Write(folder / "in.lqt", "abc");
  testfiles::Write(folder / "in.lqp", ImplodeBytes("abc").bytes);
  EXPECT_FALSE(PackProjectFile(folder / "nothing.lqt", folder / "out.lqp"));
  EXPECT_FALSE(fs::exists(folder / "out.lqp"));
  EXPECT_EQ(UnpackProjectFile(folder / "nothing.lqp", folder / "out.lqt", kNoLimit), UnpackResult::Failed);
  EXPECT_FALSE(fs::exists(folder / "out.lqt"));
  EXPECT_FALSE(PackProjectFile(folder / "in.lqt", folder / "no" / "out.lqp"));
  EXPECT_EQ(UnpackProjectFile(folder / "in.lqp", folder / "no" / "out.lqt", kNoLimit), UnpackResult::Failed);
}

TEST(PackedFile, AFullDeviceFails) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
  const fs::path folder = testfiles::MakeFolder("full");
  const std::string text = streamtest::RandomBytes(50000, 14);
  testfiles::Write(folder / "in.lqt", text);
  testfiles::Write(folder / "in.lqp", ImplodeBytes(text).bytes);
  EXPECT_FALSE(PackProjectFile(folder / "in.lqt", "/dev/full"));
  EXPECT_EQ(UnpackProjectFile(folder / "in.lqp", "/dev/full", kNoLimit), UnpackResult::Failed);
  // A small output fails only when it is flushed.
  testfiles::Write(folder / "small.lqt", "abc");
  EXPECT_FALSE(PackProjectFile(folder / "small.lqt", "/dev/full"));
}

TEST(PackedFile, AFailedReadLeavesAsAnException) {
  const fs::path folder = testfiles::MakeFolder("unreadable");
  testfiles::Write(folder / "in.lqt", streamtest::ProjectText(20000, 15));
  testfiles::Write(folder / "in.lqp", ImplodeBytes(streamtest::ProjectText(20000, 15)).bytes);
  PlatformDouble platform;
  platform.Fail(PlatformCall::Read, "in.lq");
  EXPECT_THROW(PackProjectFile(folder / "in.lqt", folder / "out.lqp"), platform::FileError);
  EXPECT_THROW(UnpackProjectFile(folder / "in.lqp", folder / "out.lqt", kNoLimit), platform::FileError);
}

// Every call of both operations is the platform's: a double that fails one fails the operation.
TEST(PackedFile, EveryFileCallGoesThroughThePlatform) {
  const fs::path folder = testfiles::MakeFolder("calls");
  const std::string text = streamtest::ProjectText(20000, 16);
  testfiles::Write(folder / "in.lqt", text);
  testfiles::Write(folder / "in.lqp", ImplodeBytes(text).bytes);
  {
    PlatformDouble platform;
    ASSERT_TRUE(PackProjectFile(folder / "in.lqt", folder / "a.lqp"));
    ASSERT_EQ(UnpackProjectFile(folder / "in.lqp", folder / "a.lqt", kNoLimit), UnpackResult::Expanded);
    EXPECT_EQ(platform.Calls(PlatformCall::OpenForReading), 2);
    EXPECT_EQ(platform.Calls(PlatformCall::CreateForWriting), 2);
    EXPECT_GE(platform.Calls(PlatformCall::Read), 4);
    EXPECT_GE(platform.Calls(PlatformCall::Write), 2);
    EXPECT_EQ(platform.Calls(PlatformCall::Flush), 2);
    EXPECT_EQ(platform.Calls(PlatformCall::Sync), 1);  // the packed file only
    EXPECT_EQ(platform.Calls(PlatformCall::Close), 2);
  }
  for (const PlatformCall call : {PlatformCall::OpenForReading, PlatformCall::CreateForWriting, PlatformCall::Write,
                                  PlatformCall::Flush, PlatformCall::Sync, PlatformCall::Close}) {
    PlatformDouble platform;
    platform.Fail(call);
    const bool packed = PackProjectFile(folder / "in.lqt", folder / "b.lqp");
    const UnpackResult unpacked = UnpackProjectFile(folder / "in.lqp", folder / "b.lqt", kNoLimit);
    EXPECT_FALSE(packed) << static_cast<int>(call);
    // The expansion is never synced: a working file, or a temporary one that is synced later.
    if (call != PlatformCall::Sync) {
      EXPECT_EQ(unpacked, UnpackResult::Failed) << static_cast<int>(call);
    }
  }
}

// A working file is the same stream, closed without a sync; every other failing call still fails it.
TEST(PackedFile, AWorkingFileIsPackedAlikeButNeverSynced) {
  const fs::path folder = testfiles::MakeFolder("working");
  const std::string text = streamtest::ProjectText(20000, 16);
  testfiles::Write(folder / "in.lqt", text);
  {
    PlatformDouble platform;
    ASSERT_TRUE(PackWorkingFile(folder / "in.lqt", folder / "a.bin"));
    EXPECT_EQ(platform.Calls(PlatformCall::Sync), 0);
    EXPECT_EQ(platform.Calls(PlatformCall::Flush), 1);
    EXPECT_EQ(platform.Calls(PlatformCall::Close), 1);
  }
  EXPECT_EQ(testfiles::Read(folder / "a.bin"), ImplodeBytes(text).bytes);
  for (const PlatformCall call : {PlatformCall::OpenForReading, PlatformCall::CreateForWriting, PlatformCall::Write,
                                  PlatformCall::Flush, PlatformCall::Close}) {
    PlatformDouble platform;
    platform.Fail(call);
    EXPECT_FALSE(PackWorkingFile(folder / "in.lqt", folder / "b.bin")) << static_cast<int>(call);
  }
}

TEST(PackedFile, APipeOrDeviceNeedsNoSync) {
  if (!fs::exists("/dev/null")) GTEST_SKIP() << "no /dev/null here";
  const fs::path folder = testfiles::MakeFolder("device");
  testfiles::Write(folder / "in.lqt", "abcabc");
  EXPECT_TRUE(PackProjectFile(folder / "in.lqt", "/dev/null"));
}

}  // namespace

namespace {

// What went wrong, told apart for those who say it: the kinds of failure an expansion has.
TEST(ImplodePackedFileExplained, TellsEachFailureApart) {
  const fs::path folder = testfiles::MakeFolder("explained");
  const std::string stream = ImplodeBytes(streamtest::ProjectText(30000, 5)).bytes;
  testfiles::Write(folder / "whole.lqp", stream);
  testfiles::Write(folder / "cut.lqp", stream.substr(0, stream.size() - 40));
  testfiles::Write(folder / "header.lqp", stream.substr(0, 3));
  testfiles::Write(folder / "text.lqp", "plain text, no stream at all");
  testfiles::Write(folder / "dictionary.lqp", std::string("\x00\x07", 2) + stream.substr(2));
  const std::uint64_t limit = std::numeric_limits<std::uint64_t>::max();
  const std::pair<const char*, UnpackFailure> cases[] = {
      {"whole.lqp", UnpackFailure::None},           {"cut.lqp", UnpackFailure::Truncated},
      {"header.lqp", UnpackFailure::NotAStream},    {"text.lqp", UnpackFailure::NotAStream},
      {"dictionary.lqp", UnpackFailure::NotAStream}, {"missing.lqp", UnpackFailure::SourceUnreadable},
  };
  for (const auto& [name, failure] : cases) {
    EXPECT_EQ(UnpackFileExplained(folder / name, folder / "out.lqt", limit), failure) << name;
  }
  EXPECT_EQ(UnpackFileExplained(folder / "whole.lqp", folder / "no" / "out.lqt", limit),
            UnpackFailure::TargetUnwritable);
  EXPECT_EQ(UnpackFileExplained(folder / "whole.lqp", folder / "out.lqt", 1000), UnpackFailure::TooLarge);
  // The old answer stays as it was for each.
  EXPECT_EQ(UnpackProjectFile(folder / "cut.lqp", folder / "out.lqt", limit), UnpackResult::Failed);
  EXPECT_EQ(UnpackProjectFile(folder / "whole.lqp", folder / "out.lqt", 1000), UnpackResult::TooLarge);
}

}  // namespace
