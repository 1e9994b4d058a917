#include "cli/batch_inputs.h"

#include <algorithm>

#include "app/ascii_case.h"
#include "pipeline/work_directory.h"
#include "platform/platform.h"

namespace {

constexpr std::string_view kOutputMark = "_converted";

bool IsProjectName(std::string_view name) {
  const std::string ending = LowerCaseEnding(name);
  return name.size() > 4 && (ending == ".lqt" || ending == ".lqp");
}

bool IsFolder(const std::string& path) {
  const auto attributes = platform::GetFileAttributes(platform::PathFromUtf8(path));
  if (!attributes) return false;
  if (attributes->directory) return true;
  // A link to a folder counts as one: named on the command line it is followed, as the user meant
  // the folder it names; met in a search it is passed over, as no project.
  std::error_code error;
  return attributes->link && std::filesystem::is_directory(platform::PathFromUtf8(path), error);
}

std::string Joined(const std::string& folder, const std::string& name) {
  if (!folder.empty() && kPathSeparators.find(folder.back()) != std::string_view::npos) return folder + name;
  return folder + kPathSeparator + name;
}

// Appends the projects of the folder; false when it cannot be listed.
bool SearchFolder(const std::string& folder, bool recursive, std::vector<BatchInput>& found) {
  std::vector<platform::DirectoryEntry> entries;
  if (!platform::ListDirectory(platform::PathFromUtf8(folder), entries)) return false;
  std::sort(entries.begin(), entries.end(),
            [](const platform::DirectoryEntry& a, const platform::DirectoryEntry& b) { return a.name < b.name; });
  for (const platform::DirectoryEntry& entry : entries) {
    const std::string path = Joined(folder, entry.name);
    if (entry.directory) {
      if (recursive && !SearchFolder(path, true, found)) found.push_back({path, "CliFolderUnreadable"});
    } else if (IsProjectName(entry.name) && !IsEarlierOutputName(entry.name) && !IsFolder(path)) {
      found.push_back({path, {}});
    }
  }
  return true;
}

}  // namespace

bool IsEarlierOutputName(std::string_view fileName) {
  const std::size_t dot = fileName.find_last_of('.');
  std::string_view stem = fileName.substr(0, dot);
  // " N" after the mark: the numbered names of a taken output name.
  const std::size_t space = stem.find_last_of(' ');
  if (space != std::string_view::npos) {
    const std::string_view number = stem.substr(space + 1);
    if (!number.empty() && number.find_first_not_of("0123456789") == std::string_view::npos && number[0] != '0') {
      stem = stem.substr(0, space);
    }
  }
  return stem.size() > kOutputMark.size() && stem.substr(stem.size() - kOutputMark.size()) == kOutputMark;
}

std::vector<BatchInput> GatherBatchInputs(const std::vector<std::string>& arguments, bool recursive) {
  std::vector<BatchInput> inputs;
  for (const std::string& argument : arguments) {
    if (!IsFolder(argument)) {
      inputs.push_back({argument, {}});
      continue;
    }
    const std::size_t before = inputs.size();
    if (!SearchFolder(argument, recursive, inputs)) {
      inputs.push_back({argument, "CliFolderUnreadable"});
    } else if (std::none_of(inputs.begin() + static_cast<std::ptrdiff_t>(before), inputs.end(),
                            [](const BatchInput& input) { return input.refusalKey.empty(); })) {
      inputs.push_back({argument, "CliFolderHoldsNoProject"});
    }
  }
  return inputs;
}
