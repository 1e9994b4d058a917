#include "test_files.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

#include "platform/platform.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace testfiles {

std::filesystem::path TempFolder() {
#ifdef _WIN32
  // What GetTempPathW gives, less its trailing separator.
  std::wstring folder(MAX_PATH + 1, L'\0');
  folder.resize(GetTempPathW(static_cast<DWORD>(folder.size()), folder.data()));
  return std::filesystem::path(folder).parent_path();
#else
  const char* tmp = std::getenv("TMPDIR");
  return tmp && *tmp ? tmp : "/tmp";
#endif
}

std::filesystem::path MakeFolder(std::string_view name) {
  const auto path = TempFolder() / platform::PathFromUtf8(name);
  std::filesystem::create_directories(path);
  return path;
}

void Write(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out.flush()) throw std::runtime_error("cannot write " + path.string());
}

std::string Read(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::filesystem::path Source(std::string_view relative) {
  return platform::PathFromUtf8(TQ_SOURCE_DIR) / platform::PathFromUtf8(relative);
}

std::filesystem::path BinaryFolder() { return platform::PathFromUtf8(TQ_BINARY_DIR); }

void RemoveTree(const std::filesystem::path& path) {
  namespace fs = std::filesystem;
  const auto writable = [](const fs::path& entry) {
    if (!fs::is_symlink(entry)) fs::permissions(entry, fs::perms::owner_write, fs::perm_options::add);
  };
  if (fs::is_directory(fs::symlink_status(path))) {
    for (const auto& entry : fs::recursive_directory_iterator(path)) writable(entry.path());
  } else if (fs::exists(fs::symlink_status(path))) {
    writable(path);
  }
  fs::remove_all(path);
}

std::vector<std::string> List(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(platform::PathToUtf8(entry.path().filename()));
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace testfiles
