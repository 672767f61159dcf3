#pragma once
// Finding a printer driver's files through the print spooler (Windows only).
//
// The spooler's level-3 driver record names the driver's main file (whose folder is the
// driver directory) and its data file, a profile file that names the setup data file:
// key "SADatI" of section "User Mode Printer Driver Information" on the NT platform, the
// first comma-separated item of key "52" in the section named after the driver
// elsewhere. Nothing is cached: every call asks the spooler again.
#include <windows.h>

#include "base/bytestring.h"
#include "base/osversion.h"
#include "drvdata/setupregtable.h"

// The system directory, or "" when it cannot be had.
ByteString ReadSystemDirectory();

// Owns one spooler printer handle (null when closed).
class CPrinterHandle {
 public:
  CPrinterHandle() = default;
  virtual ~CPrinterHandle();
  CPrinterHandle(const CPrinterHandle&) = delete;
  CPrinterHandle& operator=(const CPrinterHandle&) = delete;

  // Opens the printer by its 8-bit name without defaults and, on the NT platform when
  // that fails, by its wide name. The handle is kept here and also stored in *handle
  // (null when not opened). Returns the spooler's result: nonzero when opened; 0 for a
  // missing or empty name or a missing place for the handle. Only 1 counts as success.
  BOOL Open(const char* printerName, HANDLE* handle);
  // Closes the handle if one is held and forgets it.
  void Close();
  HANDLE Get() const { return m_hPrinter; }

 private:
  HANDLE m_hPrinter = nullptr;
};

// Every operation empties its outputs first; a missing output or an empty name gives
// false at once. Failures (printer not found, driver not installed, key missing, no
// memory) all end in false with empty outputs.
class CDriverFiles {
 public:
  virtual ~CDriverFiles() = default;

  // Folder of the printer's driver file. True when not empty.
  bool GetDriverDir(const char* printerName, ByteString* driverDir);
  // Full path of the printer driver's data file (a bare recorded name is put in the
  // driver directory when one is known). True when not empty.
  bool GetDataFile(const char* printerName, ByteString* dataFile);
  // Name of the printer's driver. True when not empty.
  bool GetDriverName(const char* printerName, ByteString* driverName);
  // Data file path and driver directory of the installed driver of exactly that name
  // (case included). True when at least one output is not empty.
  bool GetDriverFilesByName(const char* driverName, ByteString* dataFile, ByteString* driverDir);
  // Path of the setup data file of the printer's driver, or of an installed driver. The
  // name read from the data file has at most 63 characters.
  bool GetSetupFileByPrinter(const char* printerName, ByteString* setupFile);
  bool GetSetupFileByDriver(const char* driverName, ByteString* setupFile);
};
