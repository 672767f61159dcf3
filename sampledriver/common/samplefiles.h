#pragma once
// What the sample package's programs and libraries share: where a module lives, and the
// record files in which each of them tells the tests how it was called. Windows only.
#include <windows.h>

#include <string>

// The folder of a module (null: the running program), with a trailing backslash; "" when
// the system cannot say.
std::string ModuleFolder(HMODULE module);

// The file of that name in the user's temporary folder; "" when there is none.
std::string TempFilePath(const char* fileName);

// Appends bytes to a file with one write to a handle opened for appending, so that records
// of processes and threads writing at the same time never mix. True when all was written.
bool AppendToFile(const std::string& path, const std::string& bytes);
