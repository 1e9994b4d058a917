// Drop handles: the first file of one the shell passes with WM_DROPFILES, and one built as the
// shell builds it, for the programs that drive the dialog themselves (its tests, its pictures).
#pragma once

#include <string>
#include <vector>

#include "win32/windows_api.h"

// The path of the first dropped file, whole however long; empty when the drop holds none or it
// cannot be read. The handle stays the caller's.
std::wstring FirstDroppedPath(HDROP drop);

// A drop handle listing the files (wide names, a double zero at the end); whoever receives it
// releases it with DragFinish.
HDROP MakeDropHandle(const std::vector<std::wstring>& paths);
