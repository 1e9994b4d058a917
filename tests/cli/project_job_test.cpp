// One project's job on its own: a fault that escapes the conversion is that project's alone.
#include <gtest/gtest.h>

#include <new>

#include "cli/batch_run.h"
#include "cli/json_line.h"
#include "cli/project_job.h"
#include "platform_double.h"
#include "test_files.h"

namespace {

namespace fs = std::filesystem;

// Writing the first project's Markdown report runs out of memory, after its conversion: the job
// reports MsgUnexpectedError for it (as a line on stderr, or as its JSON line), and the second
// project converts as if nothing had happened.
TEST(ProjectJob, AnUnexpectedExceptionFailsItsProjectOnlyInEitherOutput) {
  for (const bool json : {false, true}) {
    SCOPED_TRACE(json ? "json" : "text");
    const fs::path folder = testfiles::MakeFolder(json ? "json" : "text");
    const std::string plant = testfiles::Read(testfiles::Source("samples/plant.lqt"));
    testfiles::Write(folder / "first.lqt", plant);
    testfiles::Write(folder / "second.lqt", plant);
    const fs::path reports = testfiles::MakeFolder(json ? "json-reports" : "text-reports");

    PlatformDouble platform;
    platform.onCall = [](PlatformCall, const fs::path& path) {
      if (path.filename().string().rfind("first_converted.lqt.md", 0) == 0) throw std::bad_alloc();
    };
    ProjectJobOptions options;
    options.json = json;
    options.reportFolder = reports.string();
    const ConversionSteps steps = DefaultConversionSteps();
    const std::string first = (folder / "first.lqt").string();
    const std::string second = (folder / "second.lqt").string();

    const JobResult failed = RunProjectJob({first, {}}, options, steps);
    const JobResult converted = RunProjectJob({second, {}}, options, steps);

    EXPECT_EQ(failed.verdict, Verdict::Failed);
    if (json) {
      EXPECT_EQ(failed.standardOutput, "{\"input\":" + JsonString(first) +
                                           ",\"ok\":false,\"output\":null,\"messages\":[{\"key\":"
                                           "\"MsgUnexpectedError\",\"text\":\"An unexpected error occurred.\","
                                           "\"icon\":\"information\"}]}\n");
      EXPECT_EQ(failed.standardError, "");
    } else {
      EXPECT_EQ(failed.standardOutput, "");
      EXPECT_EQ(failed.standardError, "tqconv: " + first + ": An unexpected error occurred.\n");
    }
    EXPECT_EQ(converted.verdict, Verdict::Succeeded);
    EXPECT_EQ(converted.standardError, "");
    EXPECT_TRUE(fs::exists(folder / "second_converted.lqt"));
    EXPECT_EQ(testfiles::List(reports), std::vector<std::string>{"second_converted.lqt.md"});
  }
}

}  // namespace
