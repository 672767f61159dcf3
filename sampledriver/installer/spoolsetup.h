#pragma once
// Puts a printer driver and printers into the local print spooler and takes them out
// again: what a driver package's installer does. Windows only. Every function returns
// true on success; on failure it says why in *error (when error is not null).
#include <windows.h>

#include <string>
#include <vector>

namespace spoolsetup {

// The files of one driver, all in sourceDir, named by their bare file names.
struct DriverPackage {
  std::string name;        // the driver's name in the spooler
  std::string sourceDir;   // folder the files are copied from
  std::string driverFile;  // the driver's main file
  std::string dataFile;    // its data file (profile format)
  std::string configFile;  // its configuration file
  std::vector<std::string> dependentFiles;  // further files copied beside them
};

// The spooler's printer driver directory of this machine's environment (no trailing
// backslash), or "" when the spooler cannot say.
std::string DriverDirectory();

// The folder the spooler keeps an installed driver's files in (the folder of its recorded
// driver file: the spooler moves files into a version subfolder of DriverDirectory()),
// or "" when the driver is not installed.
std::string InstalledDriverFolder(const char* driverName);

// Copies the package's files into the driver directory (overwriting) and registers the
// driver at level 3 with their full paths there. Installing an installed driver again
// replaces its record.
bool InstallDriver(const DriverPackage& package, std::string* error);
// Unregisters the driver (its printers must be deleted first). True when it is absent
// afterwards, installed before or not. Its files stay in the driver directory.
bool RemoveDriver(const char* driverName, std::string* error);
bool IsDriverInstalled(const char* driverName);

// Adds a printer at level 2 with the print processor "WinPrint".
bool AddLocalPrinter(const char* printerName, const char* driverName, const char* portName, std::string* error);
// Deletes a printer. True when it is absent afterwards, present before or not.
bool DeleteLocalPrinter(const char* printerName, std::string* error);
bool LocalPrinterExists(const char* printerName);

// Sets a printer data value of a printer (SetPrinterDataA). There is no deletion: not
// every spooler implements it (Wine does not), and a printer added afresh has no values.
bool SetPrinterDword(const char* printerName, const char* valueName, DWORD value, std::string* error);

}  // namespace spoolsetup
