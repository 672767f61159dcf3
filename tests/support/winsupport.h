#pragma once
// Helpers for Windows-side tests: finding sibling programs, running processes,
// reading files, and setting registry values.
#include <windows.h>

#include <string>
#include <vector>

#include "sampledriver/installer/spoolsetup.h"

namespace testsupport {

// Folder of the running test executable, with a trailing backslash.
std::string ExeDir();
// A file next to the running test executable.
std::string SiblingPath(const char* fileName);

// Starts a process with this exact command line and waits for it (up to timeoutMs).
// Returns its exit code, or -1 when it could not start or did not end in time (then it
// is terminated).
long RunProcess(const std::string& commandLine, DWORD timeoutMs = 60000);

// The user's temporary folder, with its trailing backslash.
std::string TempFolder();
// A folder of that name in the temporary folder, created when missing (no trailing
// backslash).
std::string ScratchFolder(const std::string& name);

// A driver package of small stand-in files (the spooler does not load them), written to
// a scratch folder: prefix + "DRV.DLL", "DATA.DAT", "UI.DLL", and the dependent files.
spoolsetup::DriverPackage DummyDriverPackage(const char* driverName, const char* prefix,
                                             const std::vector<std::string>& dependentFiles = {});

// Installs the sample package's driver (from the test's own folder) and adds a printer of
// that name for it, replacing one that exists. False, with the reason in *error, on failure.
bool AddSamplePrinter(const char* printerName, const char* driverName, const char* portName, std::string* error);

// The per-user target entry whose "Name" is the printer (without regard to case), as a path
// below HKEY_CURRENT_USER; "" when there is none. Read as a package's other program would.
std::string FindTargetEntry(const char* printerName);

// The texts of the diagnostic log's lines (what follows process id and time), in order.
std::vector<std::string> LogFileBodies(const std::string& logPath);

bool FileExists(const std::string& path);
// Whole file, or false when it cannot be read.
bool ReadWholeFile(const std::string& path, std::string* out);
bool WriteWholeFile(const std::string& path, const std::string& data);
// Deletes a file if present; true when it is absent afterwards.
bool RemoveFileIfPresent(const std::string& path);
// Creates every missing folder of a path of folders.
bool CreateFolders(const std::string& folder);

// Registry value helpers; each opens the key for one call. True on success.
bool SetRegValue(HKEY root, const char* subKey, const char* name, DWORD type, const void* data, DWORD size);
bool SetRegDword(HKEY root, const char* subKey, const char* name, DWORD value);
bool DeleteRegValue(HKEY root, const char* subKey, const char* name);
bool DeleteRegTree(HKEY root, const char* subKey);

// Lines of a text, split at "\r\n" (a final line without a line break counts too).
std::vector<std::string> SplitCrLfLines(const std::string& text);

}  // namespace testsupport
