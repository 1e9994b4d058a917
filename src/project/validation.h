// Admission of project files and validation of the staged project.
#pragma once

#include <string>
#include <string_view>

// True when the path ends in ".lqt" or ".lqp" in any letter case; otherwise shows
// MsgUnsupportedExt and is false.
bool CheckProjectExtension(std::string_view path);

// Reads the staged project, checks it, replaces the support-version key, rewrites the file with
// CR LF line ends and checks the PLC's model. False after the failing check's message.
bool ValidateAndPrepareProject(std::string path);
