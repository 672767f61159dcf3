// drvsetup: installs the KORVA sample ink-jet printer driver into the local print spooler,
// adds and deletes its printers, sets their "ZELTSetting" printer data, and removes it
// all again. Run it from the folder that holds the package's files (the build puts
// them beside it), with administrator rights on Windows.
//
//   drvsetup install [<folder>]           both drivers, from <folder> (default: this
//                                         program's folder), and the machine key
//                                         "Software\KORVA\<driver> IO_URL" of each,
//                                         which offers ink ordering
//   drvsetup add-printer <printer> [<driver> [<port>]]
//                                         default driver "KORVA Sample Ink 100", port "FILE:"
//   drvsetup delete-printer <printer>
//   drvsetup set-zelt <printer> <number>  sets the printer data value "ZELTSetting"
//   drvsetup clear-zelt <printer>         sets it to 0 (the monitor serves the printer)
//   drvsetup list                         the package's drivers and their printers
//   drvsetup remove-all                   every printer of the package's drivers, the
//                                         drivers, their ink-ordering keys and files
//
// Exit code 0 on success, 1 when something failed (the reason goes to standard error),
// 2 for a command line it does not understand.
#include <windows.h>
#include <winspool.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/winhandle.h"
#include "sampledriver/installer/samplepackage.h"
#include "sampledriver/installer/spoolsetup.h"

namespace {

constexpr int kOk = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;
constexpr const char kZeltSetting[] = "ZELTSetting";

int Usage() {
  std::fputs(
      "usage: drvsetup install [<folder>]\n"
      "       drvsetup add-printer <printer> [<driver> [<port>]]\n"
      "       drvsetup delete-printer <printer>\n"
      "       drvsetup set-zelt <printer> <number>\n"
      "       drvsetup clear-zelt <printer>\n"
      "       drvsetup list\n"
      "       drvsetup remove-all\n",
      stderr);
  return kUsage;
}

int Failed(const std::string& error) {
  std::fprintf(stderr, "drvsetup: %s\n", error.c_str());
  return kFailed;
}

std::string OwnFolder() {
  char path[MAX_PATH] = {};
  const DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return ".";
  std::string s(path, n);
  const std::size_t slash = s.find_last_of('\\');
  return slash == std::string::npos ? std::string(".") : s.substr(0, slash);
}

bool IsPackageDriver(const char* name) {
  for (const std::string& d : samplepackage::DriverNames()) {
    if (name != nullptr && d == name) return true;
  }
  return false;
}

// Local printers and their drivers.
bool ListPrinters(std::vector<std::pair<std::string, std::string>>* printers, std::string* error) {
  printers->clear();
  DWORD needed = 0;
  DWORD count = 0;
  ::EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &count);
  if (needed == 0) return true;
  std::vector<BYTE> buf(needed);
  if (!::EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, buf.data(), needed, &needed, &count)) {
    *error = "EnumPrintersA failed with error " + std::to_string(::GetLastError());
    return false;
  }
  const PRINTER_INFO_2A* info = reinterpret_cast<const PRINTER_INFO_2A*>(buf.data());
  for (DWORD i = 0; i < count; ++i) {
    if (info[i].pPrinterName != nullptr) {
      printers->emplace_back(info[i].pPrinterName, info[i].pDriverName != nullptr ? info[i].pDriverName : "");
    }
  }
  return true;
}

std::string ErrorText(const char* call, const std::string& key, LONG rc) {
  return std::string(call) + "(HKEY_LOCAL_MACHINE\\" + key + ") failed with error " + std::to_string(rc);
}

// The ink-ordering offer of a driver: an empty machine key.
bool CreateInkOrderKey(const std::string& driver, std::string* error) {
  const std::string key = samplepackage::InkOrderKey(driver);
  UniqueHKey h;
  const LONG rc =
      ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, h.Receive(), nullptr);
  if (rc != ERROR_SUCCESS) {
    *error = ErrorText("RegCreateKeyExA", key, rc);
    return false;
  }
  return true;
}

bool DeleteInkOrderKey(const std::string& driver, std::string* error) {
  const std::string key = samplepackage::InkOrderKey(driver);
  const LONG rc = ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, key.c_str());
  if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) {
    *error = ErrorText("RegDeleteKeyA", key, rc);
    return false;
  }
  return true;
}

int Install(const std::string& folder) {
  for (const std::string& driver : samplepackage::DriverNames()) {
    std::string error;
    if (!spoolsetup::InstallDriver(samplepackage::Package(driver, folder), &error)) return Failed(error);
    if (!CreateInkOrderKey(driver, &error)) return Failed(error);
    std::printf("installed driver \"%s\" (ink ordering offered)\n", driver.c_str());
  }
  return kOk;
}

int AddPrinter(const char* printer, const char* driver, const char* port) {
  std::string error;
  if (!spoolsetup::AddLocalPrinter(printer, driver, port, &error)) return Failed(error);
  std::printf("added printer \"%s\" (driver \"%s\", port \"%s\")\n", printer, driver, port);
  return kOk;
}

int DeletePrinter(const char* printer) {
  std::string error;
  if (!spoolsetup::DeleteLocalPrinter(printer, &error)) return Failed(error);
  std::printf("deleted printer \"%s\"\n", printer);
  return kOk;
}

int SetZelt(const char* printer, const char* number) {
  char* end = nullptr;
  errno = 0;
  const unsigned long value = std::strtoul(number, &end, 0);
  if (*number == '\0' || *end != '\0' || errno == ERANGE || value > 0xFFFFFFFFul) {
    std::fprintf(stderr, "drvsetup: not a 32-bit number: %s\n", number);
    return Usage();
  }
  std::string error;
  if (!spoolsetup::SetPrinterDword(printer, kZeltSetting, static_cast<DWORD>(value), &error)) return Failed(error);
  std::printf("printer \"%s\": %s = %lu\n", printer, kZeltSetting, value);
  return kOk;
}

int List() {
  std::vector<std::pair<std::string, std::string>> printers;
  std::string error;
  if (!ListPrinters(&printers, &error)) return Failed(error);
  for (const std::string& driver : samplepackage::DriverNames()) {
    std::printf("driver \"%s\": %s\n", driver.c_str(),
                spoolsetup::IsDriverInstalled(driver.c_str()) ? "installed" : "not installed");
    for (const auto& p : printers) {
      if (p.second == driver) std::printf("  printer \"%s\"\n", p.first.c_str());
    }
  }
  return kOk;
}

// Folders that hold the files of the package's installed drivers: the spooler copies them
// from its driver directory into a version folder of its own.
std::vector<std::string> PackageFolders() {
  std::vector<std::string> folders;
  const std::string dir = spoolsetup::DriverDirectory();
  if (!dir.empty()) folders.push_back(dir);
  for (const std::string& driver : samplepackage::DriverNames()) {
    const std::string folder = spoolsetup::InstalledDriverFolder(driver.c_str());
    bool known = folder.empty();
    for (const std::string& f : folders) known = known || f == folder;
    if (!known) folders.push_back(folder);
  }
  return folders;
}

int RemoveAll() {
  std::vector<std::pair<std::string, std::string>> printers;
  std::string error;
  if (!ListPrinters(&printers, &error)) return Failed(error);
  for (const auto& p : printers) {
    if (!IsPackageDriver(p.second.c_str())) continue;
    if (DeletePrinter(p.first.c_str()) != kOk) return kFailed;
  }
  const std::vector<std::string> folders = PackageFolders();
  for (const std::string& driver : samplepackage::DriverNames()) {
    if (!spoolsetup::RemoveDriver(driver.c_str(), &error)) return Failed(error);
    if (!DeleteInkOrderKey(driver, &error)) return Failed(error);
    std::printf("removed driver \"%s\"\n", driver.c_str());
  }
  // The spooler leaves the files behind.
  for (const std::string& folder : folders) {
    for (const std::string& file : samplepackage::FileNames()) {
      const std::string path = folder + "\\" + file;
      if (::GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) continue;
      if (!::DeleteFileA(path.c_str())) {
        return Failed("DeleteFileA(\"" + path + "\") failed with error " + std::to_string(::GetLastError()));
      }
    }
    std::printf("removed the package's files from \"%s\"\n", folder.c_str());
  }
  return kOk;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string command = argv[1];
  const int args = argc - 2;
  char** arg = argv + 2;
  if (command == "install" && args <= 1) return Install(args == 1 ? arg[0] : OwnFolder());
  if (command == "add-printer" && args >= 1 && args <= 3) {
    return AddPrinter(arg[0], args >= 2 ? arg[1] : samplepackage::kDriver100, args >= 3 ? arg[2] : "FILE:");
  }
  if (command == "delete-printer" && args == 1) return DeletePrinter(arg[0]);
  if (command == "set-zelt" && args == 2) return SetZelt(arg[0], arg[1]);
  if (command == "clear-zelt" && args == 1) return SetZelt(arg[0], "0");
  if (command == "list" && args == 0) return List();
  if (command == "remove-all" && args == 0) return RemoveAll();
  return Usage();
}
