// A packed project large enough to be compressed in segments: converted with its output compressed
// on several threads, it is the file a conversion on one thread writes.
#include <gtest/gtest.h>

#include <filesystem>

#include "pipeline/convert_command.h"
#include "project_generator.h"
#include "recording_user_interface.h"
#include "test_files.h"

namespace {

namespace fs = std::filesystem;

TEST(PackedConversion, CompressedOnSeveralThreadsTheOutputIsTheSame) {
  const fs::path folder = testfiles::MakeFolder("packed-threads");
  ProjectShape shape;
  shape.textBytes = 3000000;  // segments take at least a mebibyte: this one is cut
  shape.memory = DeviceMemoryKind::Noisy;
  WrittenProject written;
  ASSERT_TRUE(WriteProject(shape, true, (folder / "one.lqp").string(), written));
  fs::copy_file(folder / "one.lqp", folder / "four.lqp");
  RecordingUserInterface recorder;
  ConversionState alone;
  ConversionState split;
  const ConversionOutcome one = OnConvert((folder / "one.lqp").string(), alone, DefaultConversionSteps(1));
  const ConversionOutcome four = OnConvert((folder / "four.lqp").string(), split, DefaultConversionSteps(4));
  ASSERT_TRUE(one.succeeded);
  ASSERT_TRUE(four.succeeded);
  const std::string expected = testfiles::Read(one.outputPath);
  EXPECT_GT(expected.size(), 100000u);
  // Compared whole: a difference in files this long is no use printed.
  EXPECT_TRUE(testfiles::Read(four.outputPath) == expected) << "the outputs differ";
}

}  // namespace
