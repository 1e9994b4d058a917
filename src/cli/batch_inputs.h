// The projects a batch works on: the files named, and the projects found in the folders named.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct BatchInput {
  // The file as the user named it, or the folder as named joined with the names below it.
  std::string path;
  // Empty for a file to work on; otherwise the catalog key of the refusal shown for this path
  // (a named folder that holds no project, or a folder that cannot be listed).
  std::string refusalKey;
};

// Files are taken as they are named, whatever their names. A folder gives the files in it whose
// names end in .lqt or .lqp in any letter case, except earlier outputs, in the order of their
// names; with recursive, also those in its subfolders (not through links), each subfolder's in
// its place among the names.
std::vector<BatchInput> GatherBatchInputs(const std::vector<std::string>& arguments, bool recursive);

// True for a name that an earlier conversion gave its output: NAME_converted.EXT or
// NAME_converted N.EXT, N a number from 1.
bool IsEarlierOutputName(std::string_view fileName);
