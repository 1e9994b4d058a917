// The staged project's end compressed ahead: what it makes is what the merged project's packing
// takes, the stream unchanged; and it begins only where it can gain, without a call of its own
// otherwise, and gives up quietly when its file cannot be had.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "implode/implode_parallel.h"
#include "pipeline/packing_head_start.h"
#include "platform_double.h"
#include "project_generator.h"
#include "test_files.h"

namespace {

namespace fs = std::filesystem;

struct Written {
  std::string bytes;
};

void Record(const char* buffer, std::uint32_t& size, void* param) {
  static_cast<Written*>(param)->bytes.append(buffer, size);
}

// The stream of `text` on two threads with the tail, and how many of its pieces were taken.
std::string Pack(const std::string& text, const implode::LooseEncoding* tail, unsigned& adopted) {
  const auto work = std::make_unique<ImplodeWorkArea>();
  Written written;
  ImplodeSplit how;
  how.threads = 2;
  how.tail = tail;
  ImplodeSplitReport report;
  ImplodeInParallel(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), Record, *work, &written, 0,
                    4096, how, &report);
  adopted = report.adopted;
  return written.bytes;
}

// The head start needs a mapping that the steps' own opens of the staged file can share, which
// Windows does not give (see platform.h): there it begins nothing.
#ifdef _WIN32
#define SKIP_WITHOUT_GRADUAL_MAPPING() GTEST_SKIP() << "no gradual mapping on Windows"
#else
#define SKIP_WITHOUT_GRADUAL_MAPPING() (void)0
#endif

std::string Project(const std::uint64_t bytes) {
  ProjectShape shape;
  shape.textBytes = bytes;
  shape.hexShare = 0.3;
  return GenerateProject(shape).text;
}

TEST(PackingHeadStart, WhatItMakesIsTakenByThePackingOfTheMergedProject) {
  SKIP_WITHOUT_GRADUAL_MAPPING();
  const fs::path folder = testfiles::MakeFolder("head-start");
  const std::string staged = Project(10000000);
  testfiles::Write(folder / "staged.lqt", staged);
  const std::unique_ptr<PackingHeadStart> start = PackingHeadStart::Begin((folder / "staged.lqt").string(), staged.size());
  ASSERT_NE(start, nullptr);
  // The merged project: the same end behind a head of another length, as the converted blocks give.
  const std::string merged = "(* converted *)\r\n" + staged.substr(0, 3000000) + staged.substr(3000001);
  unsigned none = 0;
  const std::string expected = Pack(merged, nullptr, none);
  // Finished wherever it has got to: the stream is the same, and what it made is taken.
  const implode::LooseEncoding* const tail = start->Finish();
  ASSERT_NE(tail, nullptr);
  unsigned adopted = 0;
  EXPECT_TRUE(Pack(merged, tail, adopted) == expected) << "the streams differ";
  EXPECT_GT(tail->begin, 3000000u);  // past the data blocks
  // The plain packing above gave it the time of a whole compression.
  EXPECT_GT(tail->reached, tail->begin + (1u << 20));
  EXPECT_GE(adopted, 1u);
  EXPECT_EQ(start->Finish(), tail);  // a second time, the same
}

TEST(PackingHeadStart, NothingBegunForASmallProjectOrOneWhoseFileCannotBeHad) {
  const fs::path folder = testfiles::MakeFolder("head-start-none");
  const std::string staged = Project(9000000);
  testfiles::Write(folder / "staged.lqt", staged);
  const std::string path = (folder / "staged.lqt").string();
  {
    // Too small: not even opened.
    PlatformDouble platform;
    EXPECT_EQ(PackingHeadStart::Begin(path, PackingHeadStart::kLeastProject - 1), nullptr);
    EXPECT_EQ(platform.Calls(PlatformCall::OpenForReading), 0);
  }
  for (const PlatformCall call : {PlatformCall::OpenForReading, PlatformCall::Map}) {
    SCOPED_TRACE(PlatformCallName(call));
    PlatformDouble platform;
    platform.Fail(call);
    EXPECT_EQ(PackingHeadStart::Begin(path, staged.size()), nullptr);
  }
#ifdef _WIN32
  EXPECT_EQ(PackingHeadStart::Begin(path, staged.size()), nullptr);
  return;
#endif
  // A size that is not the file's (it changed): nothing.
  EXPECT_EQ(PackingHeadStart::Begin(path, staged.size() + 1), nullptr);
  // A project whose data blocks take nearly all of it: begun, but nothing made.
  ProjectShape dataShape;
  dataShape.textBytes = 9000000;
  dataShape.hexShare = 0.9;
  const std::string mostlyData = GenerateProject(dataShape).text;
  testfiles::Write(folder / "data.lqt", mostlyData);
  const auto data = PackingHeadStart::Begin((folder / "data.lqt").string(), mostlyData.size());
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(data->Finish(), nullptr);
  // A text without data blocks: begun, but nothing made.
  testfiles::Write(folder / "plain.lqt", std::string(9000000, 'p'));
  const auto plain = PackingHeadStart::Begin((folder / "plain.lqt").string(), 9000000);
  ASSERT_NE(plain, nullptr);
  EXPECT_EQ(plain->Finish(), nullptr);
}

TEST(PackingHeadStart, DroppedUnfinishedItStopsAndLetsTheFileGo) {
  SKIP_WITHOUT_GRADUAL_MAPPING();
  const fs::path folder = testfiles::MakeFolder("head-start-dropped");
  const std::string staged = Project(12000000);
  testfiles::Write(folder / "staged.lqt", staged);
  for (int i = 0; i < 3; ++i) {
    auto start = PackingHeadStart::Begin((folder / "staged.lqt").string(), staged.size());
    ASSERT_NE(start, nullptr);
    start.reset();
  }
  fs::remove(folder / "staged.lqt");
  EXPECT_FALSE(fs::exists(folder / "staged.lqt"));
}

}  // namespace
