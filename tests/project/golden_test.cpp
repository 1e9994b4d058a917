// Whole projects through validation, extraction and merge, compared byte for byte with expected
// files written by hand; and the bundled sample, which later steps convert.
#include <gtest/gtest.h>

#include "pipeline/conversion_steps.h"
#include "project/extraction.h"
#include "project/merge.h"
#include "project/validation.h"
#include "project_text.h"
#include "recording_user_interface.h"

namespace {

using Keys = std::vector<std::string>;

std::string SourceFile(const std::string& relative) { return testfiles::Read(testfiles::Source(relative)); }

std::string Golden(const std::string& name) { return SourceFile("tests/project/golden/" + name); }

struct Converted {
  std::string staged;
  std::string merged;
};

// Validation, extraction and merge as the Convert command chains them, with the unit-setup text
// passed through the round trip unchanged.
Converted Convert(std::string_view project) {
  RecordingUserInterface recorder;
  const std::string path = projecttext::WriteProject(project);
  Converted result;
  EXPECT_TRUE(ValidateAndPrepareProject(path));
  result.staged = testfiles::Read(path);
  std::unique_ptr<CTQPropertyData> slot;
  std::string configLine, ioDataHex, settingsDataHex;
  EXPECT_TRUE(ExtractPlcSections(slot, path, configLine, ioDataHex, settingsDataHex));
  if (!slot) return result;
  auto input = platform::OpenForReading(path);
  projecttext::MemoryOutputFile output;
  EXPECT_TRUE(MergeProject(*input, output, ReplaceModelInHexText(ioDataHex), slot->hexText,
                           ReplaceModelInHexText(settingsDataHex), configLine));
  result.merged = output.bytes;
  EXPECT_EQ(recorder.MessageKeys(), Keys{});
  return result;
}

TEST(project_Golden, StagedAndMergedTextsByteForByte) {
  for (const std::string name : {"basic", "nested"}) {
    const Converted c = Convert(Golden(name + ".lqt"));
    EXPECT_EQ(c.staged, Golden(name + ".staged.lqt")) << name;
    EXPECT_EQ(c.merged, Golden(name + ".merged.lqt")) << name;
  }
}

TEST(project_Sample, PlantPassesValidationAndExtraction) {
  const std::string sample = SourceFile("samples/plant.lqt");
  ASSERT_FALSE(sample.empty());
  const std::string path = projecttext::WriteProject(sample);
  RecordingUserInterface recorder;
  ASSERT_TRUE(ValidateAndPrepareProject(path));
  std::unique_ptr<CTQPropertyData> slot;
  std::string configLine, ioDataHex, settingsDataHex;
  ASSERT_TRUE(ExtractPlcSections(slot, path, configLine, ioDataHex, settingsDataHex));
  EXPECT_EQ(recorder.MessageKeys(), Keys{});
  EXPECT_NE(configLine.find("DEV:TQ6A;CPU:CPU63;"), std::string::npos);
  EXPECT_TRUE(slot->DecodeHexText());
  EXPECT_FALSE(ioDataHex.empty());
  EXPECT_FALSE(settingsDataHex.empty());
  EXPECT_NE(ReplaceModelInHexText(ioDataHex).find("54 51 36 41"), std::string::npos);
}

TEST(project_Steps, TheConvertCommandRunsTheProjectSteps) {
  const ConversionSteps steps = DefaultConversionSteps();
  ASSERT_TRUE(steps.validateAndPrepareProject && steps.extractPlcSections && steps.replaceModelInHexText);
  const std::string path = projecttext::WriteProject(Golden("basic.lqt"));
  RecordingUserInterface recorder;
  ASSERT_TRUE(steps.validateAndPrepareProject(path));
  EXPECT_EQ(testfiles::Read(path), Golden("basic.staged.lqt"));
  ConversionSteps::Slot slot;
  std::string configLine, ioDataHex, settingsDataHex;
  ASSERT_TRUE(steps.extractPlcSections(slot, path, configLine, ioDataHex, settingsDataHex));
  EXPECT_EQ(steps.replaceModelInHexText(settingsDataHex, nullptr), "54 51 36 41 ff");
}

}  // namespace
