// Which projects a batch finds in the files and folders it is given.
#include "cli/batch_inputs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "test_files.h"

namespace {

namespace fs = std::filesystem;

TEST(BatchInputs, EarlierOutputsAreToldByTheirNames) {
  const std::pair<const char*, bool> cases[] = {
      {"plant_converted.lqt", true},      {"plant_converted 1.lqt", true},   {"plant_converted 12.LQP", true},
      {"plant_converted.lqt.lqt", false}, {"plant_converted 01.lqt", false}, {"plant_converted x.lqt", false},
      {"plant_converted 1 2.lqt", false}, {"plant_converted1.lqt", false},   {"plant.lqt", false},
      {"_converted.lqt", false},          {"my_converted_plant.lqt", false}, {"plant_Converted.lqt", false},
      {"plant_converted", true},          {"plant_converted .lqt", false},
  };
  for (const auto& [name, output] : cases) EXPECT_EQ(IsEarlierOutputName(name), output) << name;
}

class BatchFolders : public testing::Test {
 protected:
  void SetUp() override {
    root_ = testfiles::MakeFolder("plant");
    for (const char* file :
         {"a.lqt", "B.LQP", "c.Lqt", "a_converted.lqt", "a_converted 2.lqt", "a_converted 02.lqt", "notes.txt",
          "x_converted.txt", ".lqt", "sub/d.lqt", "sub/deeper/e.lqp", "sub/f.lqt.bak"}) {
      fs::create_directories((root_ / file).parent_path());
      testfiles::Write(root_ / file, "x");
    }
    fs::create_directories(root_ / "nothing");
#ifndef _WIN32  // links need a privilege on Windows, and this runtime makes none
    fs::create_directory_symlink(root_ / "sub", root_ / "link.lqt");
    fs::create_directory_symlink(root_ / "sub", root_ / "sublink");
#endif
  }
  std::string Path(const char* relative) const { return (root_ / relative).string(); }
  std::vector<std::string> Paths(const std::vector<BatchInput>& inputs) const {
    std::vector<std::string> paths;
    for (const BatchInput& input : inputs) {
      std::string relative = input.path.substr(root_.string().size());
      std::replace(relative.begin(), relative.end(), static_cast<char>(fs::path::preferred_separator), '/');
      paths.push_back(input.refusalKey.empty() ? relative : relative + " " + input.refusalKey);
    }
    return paths;
  }
  fs::path root_;
};

TEST_F(BatchFolders, AFolderGivesItsProjectsInNameOrderWithoutEarlierOutputs) {
  EXPECT_EQ(Paths(GatherBatchInputs({root_.string()}, false)),
            (std::vector<std::string>{"/B.LQP", "/a.lqt", "/a_converted 02.lqt", "/c.Lqt"}));
  // A trailing separator is not doubled.
  EXPECT_EQ(GatherBatchInputs({root_.string() + "/"}, false).front().path, root_.string() + "/B.LQP");
}

TEST_F(BatchFolders, RecursionTakesSubfoldersInTheirPlaceButNoLinks) {
  EXPECT_EQ(Paths(GatherBatchInputs({root_.string()}, true)),
            (std::vector<std::string>{"/B.LQP", "/a.lqt", "/a_converted 02.lqt", "/c.Lqt", "/sub/d.lqt",
                                      "/sub/deeper/e.lqp"}));
#ifndef _WIN32
  // A link named on the command line is the folder the user meant.
  EXPECT_EQ(Paths(GatherBatchInputs({Path("sublink")}, false)), (std::vector<std::string>{"/sublink/d.lqt"}));
#endif
}

TEST_F(BatchFolders, FilesAreTakenAsNamedAndEmptyFoldersAreRefused) {
  EXPECT_EQ(
      Paths(GatherBatchInputs(
          {Path("a_converted.lqt"), Path("notes.txt"), Path("missing.lqt"), Path("nothing"), Path("sub")}, false)),
      (std::vector<std::string>{"/a_converted.lqt", "/notes.txt", "/missing.lqt", "/nothing CliFolderHoldsNoProject",
                                "/sub/d.lqt"}));
  // A folder whose projects are all earlier outputs holds none to convert.
  testfiles::Write(root_ / "nothing/old_converted.lqt", "x");
  EXPECT_EQ(Paths(GatherBatchInputs({Path("nothing")}, true)),
            (std::vector<std::string>{"/nothing CliFolderHoldsNoProject"}));
}

}  // namespace
