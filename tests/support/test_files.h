// Small file helpers for tests: bytes in, bytes out, a folder of the test's own.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace testfiles {

// The test's own temporary folder ($TMPDIR, private to each test case).
std::filesystem::path TempFolder();
// A new directory below it.
std::filesystem::path MakeFolder(std::string_view name);
void Write(const std::filesystem::path& path, std::string_view bytes);
std::string Read(const std::filesystem::path& path);
// The file in the source tree, e.g. Source("samples/plant.lqt").
std::filesystem::path Source(std::string_view relative);
// The build folder, where tqconv and the tools are.
std::filesystem::path BinaryFolder();
// Removes a file or a tree; its read-only files too, which Windows refuses to delete otherwise.
void RemoveTree(const std::filesystem::path& path);
// Names of the entries of a folder, sorted.
std::vector<std::string> List(const std::filesystem::path& folder);

}  // namespace testfiles
