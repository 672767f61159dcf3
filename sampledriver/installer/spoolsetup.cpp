#include "sampledriver/installer/spoolsetup.h"

#include <winspool.h>

#include "base/bytestring.h"
#include "base/winhandle.h"

namespace spoolsetup {
namespace {

bool Fail(std::string* error, const ByteString& what) {
  if (error != nullptr) *error = what;
  return false;
}

bool FailWithLastError(std::string* error, const char* call, const char* subject) {
  const unsigned long code = ::GetLastError();
  return Fail(error, FormatString("%s(\"%s\") failed with error %lu", call, subject, code));
}

bool OpenForAdmin(const char* printerName, UniquePrinter* printer) {
  PRINTER_DEFAULTSA defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
  return ::OpenPrinterA(const_cast<char*>(printerName), printer->Receive(), &defaults) && printer->IsValid();
}

}  // namespace

std::string DriverDirectory() {
  char dir[MAX_PATH] = {};
  DWORD needed = 0;
  if (!::GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(dir), sizeof dir, &needed))
    return std::string();
  return std::string(dir);
}

bool InstallDriver(const DriverPackage& package, std::string* error) {
  const std::string dir = DriverDirectory();
  if (dir.empty()) return FailWithLastError(error, "GetPrinterDriverDirectoryA", package.name.c_str());

  std::vector<std::string> files = {package.driverFile, package.dataFile, package.configFile};
  files.insert(files.end(), package.dependentFiles.begin(), package.dependentFiles.end());
  for (const std::string& file : files) {
    if (file.empty()) return Fail(error, "a driver file name is empty");
    const std::string from = package.sourceDir + "\\" + file;
    const std::string to = dir + "\\" + file;
    if (!::CopyFileA(from.c_str(), to.c_str(), FALSE)) return FailWithLastError(error, "CopyFileA", from.c_str());
  }

  const std::string driverPath = dir + "\\" + package.driverFile;
  const std::string dataPath = dir + "\\" + package.dataFile;
  const std::string configPath = dir + "\\" + package.configFile;
  // Dependent files: a list of zero-terminated names ending with an empty one.
  std::string dependents;
  for (const std::string& file : package.dependentFiles) {
    dependents += file;
    dependents += '\0';
  }
  dependents += '\0';

  DRIVER_INFO_3A info = {};
  info.cVersion = 3;
  info.pName = const_cast<char*>(package.name.c_str());
  info.pEnvironment = nullptr;  // this machine's environment
  info.pDriverPath = const_cast<char*>(driverPath.c_str());
  info.pDataFile = const_cast<char*>(dataPath.c_str());
  info.pConfigFile = const_cast<char*>(configPath.c_str());
  info.pDependentFiles = package.dependentFiles.empty() ? nullptr : const_cast<char*>(dependents.c_str());
  if (!::AddPrinterDriverA(nullptr, 3, reinterpret_cast<BYTE*>(&info)))
    return FailWithLastError(error, "AddPrinterDriverA", package.name.c_str());
  return true;
}


namespace {

// The installed driver's recorded driver file path; false when it is not installed.
bool FindInstalledDriver(const char* driverName, std::string* driverPath) {
  DWORD needed = 0;
  DWORD count = 0;
  ::EnumPrinterDriversA(nullptr, nullptr, 3, nullptr, 0, &needed, &count);
  if (needed == 0) return false;
  std::vector<BYTE> buf(needed);
  if (!::EnumPrinterDriversA(nullptr, nullptr, 3, buf.data(), needed, &needed, &count)) return false;
  const DRIVER_INFO_3A* drivers = reinterpret_cast<const DRIVER_INFO_3A*>(buf.data());
  for (DWORD i = 0; i < count; ++i) {
    if (drivers[i].pName == nullptr || std::string(drivers[i].pName) != driverName) continue;
    if (driverPath != nullptr) *driverPath = drivers[i].pDriverPath != nullptr ? drivers[i].pDriverPath : "";
    return true;
  }
  return false;
}

}  // namespace

bool IsDriverInstalled(const char* driverName) { return FindInstalledDriver(driverName, nullptr); }

std::string InstalledDriverFolder(const char* driverName) {
  std::string path;
  if (!FindInstalledDriver(driverName, &path)) return std::string();
  const std::size_t slash = path.find_last_of('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

bool RemoveDriver(const char* driverName, std::string* error) {
  if (!IsDriverInstalled(driverName)) return true;
  if (!::DeletePrinterDriverA(nullptr, nullptr, const_cast<char*>(driverName)))
    return FailWithLastError(error, "DeletePrinterDriverA", driverName);
  return true;
}

bool AddLocalPrinter(const char* printerName, const char* driverName, const char* portName, std::string* error) {
  PRINTER_INFO_2A info = {};
  info.pPrinterName = const_cast<char*>(printerName);
  info.pPortName = const_cast<char*>(portName);
  info.pDriverName = const_cast<char*>(driverName);
  info.pPrintProcessor = const_cast<char*>("WinPrint");
  info.pDatatype = const_cast<char*>("RAW");
  info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
  UniquePrinter printer(::AddPrinterA(nullptr, 2, reinterpret_cast<BYTE*>(&info)));
  if (!printer) return FailWithLastError(error, "AddPrinterA", printerName);
  return true;
}

bool LocalPrinterExists(const char* printerName) {
  UniquePrinter printer;
  return ::OpenPrinterA(const_cast<char*>(printerName), printer.Receive(), nullptr) && printer.IsValid();
}

bool DeleteLocalPrinter(const char* printerName, std::string* error) {
  if (!LocalPrinterExists(printerName)) return true;
  UniquePrinter printer;
  if (!OpenForAdmin(printerName, &printer)) return FailWithLastError(error, "OpenPrinterA", printerName);
  if (!::DeletePrinter(printer.Get())) return FailWithLastError(error, "DeletePrinter", printerName);
  return true;
}

bool SetPrinterDword(const char* printerName, const char* valueName, DWORD value, std::string* error) {
  UniquePrinter printer;
  if (!OpenForAdmin(printerName, &printer)) return FailWithLastError(error, "OpenPrinterA", printerName);
  const DWORD rc = ::SetPrinterDataA(printer.Get(), const_cast<char*>(valueName), REG_DWORD,
                                     reinterpret_cast<BYTE*>(&value), sizeof value);
  if (rc != ERROR_SUCCESS) {
    return Fail(error, FormatString("SetPrinterDataA(\"%s\") failed with error %lu", valueName,
                                    static_cast<unsigned long>(rc)));
  }
  return true;
}

}  // namespace spoolsetup
