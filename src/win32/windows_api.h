// The Windows API for this folder and its tests. windows.h names its functions through macros
// (CreateDirectory for CreateDirectoryW, ...); those that are also names of the platform layer's
// operations are taken back here, so that every file sees platform.h alike, whatever it
// includes first.
#pragma once

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#undef CreateDirectory
#undef RemoveDirectory
#undef DeleteFile
#undef CopyFile
#undef GetFileAttributes
