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

// Converts the project on one thread and on `threads`, and checks the outputs are the same file.
void ExpectTheSameOutput(const ProjectShape& shape, const std::string& name, const unsigned threads) {
  const fs::path folder = testfiles::MakeFolder(name);
  WrittenProject written;
  ASSERT_TRUE(WriteProject(shape, true, (folder / "one.lqp").string(), written));
  fs::copy_file(folder / "one.lqp", folder / "split.lqp");
  RecordingUserInterface recorder;
  ConversionState alone;
  ConversionState split;
  const ConversionOutcome one = OnConvert((folder / "one.lqp").string(), alone, DefaultConversionSteps(1));
  const ConversionOutcome several = OnConvert((folder / "split.lqp").string(), split, DefaultConversionSteps(threads));
  ASSERT_TRUE(one.succeeded);
  ASSERT_TRUE(several.succeeded);
  const std::string expected = testfiles::Read(one.outputPath);
  EXPECT_GT(expected.size(), 100000u);
  // Compared whole: a difference in files this long is no use printed.
  EXPECT_TRUE(testfiles::Read(several.outputPath) == expected) << "the outputs differ";
  // Nothing of either conversion is left but the input and the output.
  EXPECT_EQ(testfiles::List(folder).size(), 4u);
}

TEST(PackedConversion, CompressedOnSeveralThreadsTheOutputIsTheSame) {
  ProjectShape shape;
  shape.textBytes = 3000000;  // segments take at least a mebibyte: this one is cut
  shape.memory = DeviceMemoryKind::Noisy;
  ExpectTheSameOutput(shape, "packed-threads", 4);
}

TEST(PackedConversion, WithTheStagedProjectsEndCompressedAheadTheOutputIsTheSame) {
  // Large enough for its end to be compressed while the unit-setup document is converted.
  ProjectShape shape;
  shape.textBytes = 10000000;
  shape.hexShare = 0.3;
  ExpectTheSameOutput(shape, "packed-head-start", 2);
}

}  // namespace
