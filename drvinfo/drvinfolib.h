#pragma once
// Binding of the printer driver's information library. On the NT line from 5.0 on, the
// agent serves only drivers that bring one; while it is bound, registry keys are opened,
// created and closed through its functions (see settings/registrykey.h).
#include <windows.h>

#include "base/bytestring.h"

// 1 once a binding has succeeded; cleared by ReleaseDriverInfoLibrary.
extern BOOL g_fDrvInfoBound;

// The library's file name when the driver's data file does not name one.
constexpr const char kDefaultDrvInfoLibrary[] = "K_DRVIF1.DLL";
// Where the driver's data file names it.
constexpr const char kDrvInfoSection[] = "User Mode Printer Driver Information";
constexpr const char kDrvInfoKey[] = "KVDRVIF1";

// Ordinals bound from the library, in table order; the table is complete or all null.
constexpr WORD kDrvInfoOrdinals[] = {1, 3, 5, 8, 10, 12, 14, 16, 18, 7, 20};
constexpr int kDrvInfoOrdinalCount = static_cast<int>(sizeof kDrvInfoOrdinals / sizeof kDrvInfoOrdinals[0]);

enum DrvInfoKind {
  kDrvInfoByPrinter = 1,   // name is a printer name
  kDrvInfoByDriver = 2,    // name is a driver name (matched ignoring case)
  kDrvInfoByDataFile = 3,  // name is the driver's data file path
  kDrvInfoByLibrary = 4,   // name is the library's path
};

// 1: bound (now or earlier); 0: no binding on this system (not NT 5.0 or later);
// -1: the binding failed (library not found or not loadable).
int BindDriverInfoLibrary(int kind, const char* name);
// Unloads the library after a successful binding; does nothing otherwise.
void ReleaseDriverInfoLibrary();

// Calls through the library's table, with the shapes of RegCreateKeyExA, RegOpenKeyExA
// and RegCloseKey. They give the library's result, or ERROR_INVALID_ACCESS (12) when
// nothing is bound or the entry is missing.
LONG DrvIfCreateKey(HKEY root, const char* subKey, DWORD reserved, char* className, DWORD options, REGSAM access,
                    LPSECURITY_ATTRIBUTES security, PHKEY result, LPDWORD disposition);
LONG DrvIfOpenKey(HKEY root, const char* subKey, DWORD options, REGSAM access, PHKEY result);
LONG DrvIfCloseKey(HKEY key);

// The binding object of the process: the loaded library and its function table.
class CDrvInfoLib {
 public:
  CDrvInfoLib() = default;
  virtual ~CDrvInfoLib();
  CDrvInfoLib(const CDrvInfoLib&) = delete;
  CDrvInfoLib& operator=(const CDrvInfoLib&) = delete;

  // Loads the library at path (only when a file search finds it) and binds the table.
  // True when the library handle is set afterwards, even if the table is incomplete.
  bool Load(const char* path);
  // Binds every ordinal from the held library, or clears the whole table.
  bool BindTable();
  bool IsLoaded() const { return m_hLibrary != nullptr; }
  // Clears the table and, as owner, frees the library.
  void Unload();

  FARPROC Entry(int tableIndex) const { return m_table[tableIndex]; }

 private:
  ByteString m_szPath;  // the path the library was loaded from
  BOOL m_fOwnsLibrary = FALSE;
  HMODULE m_hLibrary = nullptr;
  FARPROC m_table[kDrvInfoOrdinalCount] = {};
};

// Finds the library path for a printer, a driver or a data file: the driver directory
// and data file come from the spooler (or the data file path itself), then the library
// is the data file's "KVDRVIF1" value, or "K_DRVIF1.DLL", in the driver directory.
class CDrvInfoLocator {
 public:
  CDrvInfoLocator() = default;
  ~CDrvInfoLocator() = default;
  CDrvInfoLocator(const CDrvInfoLocator&) = delete;
  CDrvInfoLocator& operator=(const CDrvInfoLocator&) = delete;

  // The library path for the kind (1 to 3), or null when none can be formed.
  const char* Locate(int kind, const char* name);

 private:
  bool FromPrinter(const char* printerName);
  bool FromDriver(const char* driverName);
  bool FromDataFile(const char* dataFile);
  bool SetFromDriverRecord(const char* driverPath, const char* dataFile);
  bool ApplyCommonRule();

  char m_szDriverDir[MAX_PATH] = {};
  char m_szDataFile[MAX_PATH] = {};
  char m_szLibrary[MAX_PATH] = {};
};
