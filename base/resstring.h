#pragma once
// Strings loaded by number from the current resource module: the resource library while
// it is loaded, the program's own module otherwise. Windows only.
#include <windows.h>

#include "base/bytestring.h"

// Makes module the source of LoadByteString; null means the program's own module.
void SetStringResourceModule(HMODULE module);
HMODULE GetStringResourceModule();

// The string with that id, or the empty string when the module has none.
ByteString LoadByteString(UINT id);
