#pragma once
// Per-driver and per-model lookups: the values the package's installer writes under the
// driver key and the profile key, read from the driver's setup data, and the paths built
// on them. Every function takes 8-bit texts and a caller's buffer (out, size in bytes),
// keeps no state, and gives 1 on success, 0 on failure.
#include <cstddef>

#include "base/bytestring.h"

// "Software\KORVA\ZELT3\Driver\" + driver name, below HKEY_LOCAL_MACHINE.
constexpr const char kDriverKeyPrefix[] = "Software\\KORVA\\ZELT3\\Driver\\";
constexpr const char kProfileKey[] = "Software\\KORVA\\ZELT3\\Profile";

// Builds the driver key path into out; 0 when it does not fit.
int FormatDriverKey(char* out, std::size_t size, const char* driverName);

// The "ModelID" of the driver key from the printer's setup data (empty without a
// printer name). Always 1.
int GetDriverModelID(const char* printerName, const char* driverName, ByteString& out);

// 1 when a file or folder of that path exists (a path ending in a backslash never does).
int FileExists(const char* path);

// A value of the driver key: from the printer's setup data when a printer name is given,
// else from the driver's. 1 when non-empty and copied. The model identifier must be
// non-empty but is not otherwise used.
int GetDriverKeyValue(char* out, std::size_t size, const char* valueName, const char* driverName,
                      const char* modelID, const char* printerName);

// The existing install folder ("InstallPath"), ending in exactly one backslash.
int GetInstallPath(char* out, std::size_t size, const char* driverName, const char* modelID,
                   const char* printerName);

// The file a driver key value names when it exists, else the install folder + the
// default file name when that exists.
int GetDriverFilePath(char* out, std::size_t size, const char* valueName, const char* defaultFileName,
                      const char* driverName, const char* modelID, const char* printerName);

// The model's data file: the "Profile" value when that file exists, else the value named
// by the model identifier under the profile key (taken as it is).
int GetDatPath(char* out, std::size_t size, const char* driverName, const char* modelID, const char* printerName);

// The printer-data ("PrnDll") and bitmap ("BmpDll") libraries named in the model's
// section of its data file, in the install folder (or ".\" without one).
int GetPrnDllPath(char* out, std::size_t size, const char* driverName, const char* modelID,
                  const char* printerName);
int GetBmpDllPath(char* out, std::size_t size, const char* driverName, const char* modelID,
                  const char* printerName);

// The status window launcher: "K_XRUN", else "K_XRUN01.EXE" in the install folder.
int GetLauncherPath(char* out, std::size_t size, const char* driverName, const char* modelID,
                    const char* printerName);
