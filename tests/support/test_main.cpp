// Every test case runs with a TMPDIR of its own, removed afterwards, and with the language and
// clock it sets itself: nothing depends on the machine's locale or date.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "app/message_catalog.h"

namespace {

class PrivateTemporaryFolder : public testing::EmptyTestEventListener {
 public:
  explicit PrivateTemporaryFolder(std::string parent) : parent_(std::move(parent)) {}

  void OnTestStart(const testing::TestInfo&) override {
    std::string pattern = parent_ + "/case-XXXXXX";
    current_ = mkdtemp(pattern.data());
    setenv("TMPDIR", current_.c_str(), 1);
    CurrentLanguage() = "EN";
  }
  void OnTestEnd(const testing::TestInfo&) override {
    std::error_code ignored;
    std::filesystem::permissions(current_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(current_, ignored);
    setenv("TMPDIR", parent_.c_str(), 1);
  }

 private:
  std::string parent_;
  std::string current_;
};

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  const char* tmp = getenv("TMPDIR");
  std::string parent = tmp && *tmp ? tmp : "/tmp";
  std::filesystem::create_directories(parent);
  testing::UnitTest::GetInstance()->listeners().Append(new PrivateTemporaryFolder(parent));
  return RUN_ALL_TESTS();
}
