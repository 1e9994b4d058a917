// Admission of project files and validation of the staged project.
#pragma once

#include <string>
#include <string_view>

// True when the path ends in ".lqt" or ".lqp" in any letter case; otherwise shows
// MsgUnsupportedExt and is false.
bool CheckProjectExtension(std::string_view path);

// Reads the staged project, checks it, replaces the support-version key, rewrites the file with
// CR LF line ends and checks the PLC's model. False after the failing check's message:
// MsgReadFail, MsgOpenProjectFail, MsgOnePLC, MsgOpenTempFail (the rewrite failed), MsgParseFail
// (the file cannot be reopened, or the PLC's configuration and the first configuration of the
// text differ) or MsgOnlyTQ5A.
bool ValidateAndPrepareProject(std::string path);

// True when the text holds every key the later steps need and exactly one PLC; false after
// MsgOpenProjectFail or MsgOnePLC.
bool CheckProjectStructure(std::string_view text);

// Fills the descriptor ("TQ5A CPU63") of the PLC's configuration, empty when it has none. False
// after MsgParseFail when the file cannot be opened.
bool ReadModelDescriptor(const std::string& path, std::string& descriptor);

// True when the descriptor's device model is TQ5A in any letter case and it names a CPU type;
// false after MsgOnlyTQ5A.
bool CheckSourceModel(std::string_view descriptor);

// Writes the text as the file's whole content with every LF written as CR LF, in chunks, every
// write checked. False when the file cannot be created or any write or the close fails.
bool WriteProjectText(const std::string& path, std::string_view text);
