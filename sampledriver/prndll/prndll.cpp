// Sample printer-data library, KVSPRN01.DLL. The status monitor calls
// PrSetRegDefaultValue once it has created a printer's per-user target entry; the library
// writes the model's tray icon defaults into it: "TrayIconEnable" and "TrayIconSelected"
// of the model's section of the driver's data file KVSMPDRV.DAT, which lies beside this
// library (defaults 1 and 0 when the section does not give them). It is not told the
// entry's path: it looks for the entry whose "Name" is the printer (ignoring case) under
// HKEY_CURRENT_USER ...\KVLTarget, or the port under ...\KVNTarget when the printer name
// is empty.
//
// Every call is recorded, so that tests can see it, as one line appended to KVSPRN01.LOG
// in the temporary folder: printer, driver, port, model, the three numbers and the result,
// separated by tabs, ending in CR LF.
//
// Results: 0 the defaults were written; 1 no entry has that name (or no name was given);
// 2 the data file has no section for the model; 3 a value could not be written.
#include <windows.h>

#include "sampledriver/common/samplefiles.h"

#include <cstdlib>
#include <string>
#include <type_traits>

#include "settings/targetreg.h"

extern "C" int WINAPI PrSetRegDefaultValue(const char* printerName, const char* driverName, const char* portName,
                                           const char* modelID, DWORD reserved1, DWORD reserved2, DWORD reserved3);

static_assert(std::is_same_v<decltype(&PrSetRegDefaultValue), PrSetRegDefaultValueFn>,
              "the entry point must have the shape the agent calls");

namespace {

constexpr char kDataFileName[] = "KVSMPDRV.DAT";
constexpr char kLogFileName[] = "KVSPRN01.LOG";
constexpr int kNoEntry = 1;
constexpr int kNoModel = 2;
constexpr int kNotWritten = 3;

std::string Text(const char* s) { return s != nullptr ? s : ""; }

const char g_anchor = 0;  // an address inside this library

// The folder this library was loaded from, with a trailing backslash.
std::string OwnFolder() {
  // The allocation holding our own data is the module's image: unlike
  // GetModuleHandleExA, this works on every Windows version the package supports.
  MEMORY_BASIC_INFORMATION info = {};
  if (::VirtualQuery(&g_anchor, &info, sizeof info) != sizeof info || info.AllocationBase == nullptr)
    return std::string();
  return ModuleFolder(static_cast<HMODULE>(info.AllocationBase));
}

// A number of the model's section; false when the section does not have the key.
bool ReadModelNumber(const std::string& dataFile, const std::string& model, const char* key, DWORD* value) {
  char text[32] = {};
  const DWORD n = ::GetPrivateProfileStringA(model.c_str(), key, "", text, sizeof text, dataFile.c_str());
  if (n == 0 || n >= sizeof text - 1) return false;
  *value = static_cast<DWORD>(std::strtoul(text, nullptr, 10));
  return true;
}

// True when the section exists (it has at least one key).
bool HasSection(const std::string& dataFile, const std::string& model) {
  char keys[8] = {};
  return !model.empty() &&
         ::GetPrivateProfileStringA(model.c_str(), nullptr, "", keys, sizeof keys, dataFile.c_str()) > 0;
}

// The target entry whose "Name" equals name, opened for writing; null when none.
HKEY OpenEntryByName(const char* listPath, const std::string& name) {
  HKEY list = nullptr;
  if (::RegOpenKeyExA(HKEY_CURRENT_USER, listPath, 0, KEY_READ, &list) != ERROR_SUCCESS) return nullptr;
  HKEY found = nullptr;
  for (DWORD index = 0; found == nullptr; ++index) {
    char subKey[MAX_PATH + 1] = {};
    DWORD length = sizeof subKey;
    if (::RegEnumKeyExA(list, index, subKey, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    HKEY entry = nullptr;
    if (::RegOpenKeyExA(list, subKey, 0, KEY_READ | KEY_SET_VALUE, &entry) != ERROR_SUCCESS) continue;
    char value[MAX_PATH + 1] = {};
    DWORD size = MAX_PATH;
    if (::RegQueryValueExA(entry, "Name", nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size) ==
            ERROR_SUCCESS &&
        ::lstrcmpiA(value, name.c_str()) == 0) {
      found = entry;
    } else {
      ::RegCloseKey(entry);
    }
  }
  ::RegCloseKey(list);
  return found;
}

int WriteDefaults(const std::string& printer, const std::string& port, const std::string& model) {
  const std::string dataFile = OwnFolder() + kDataFileName;
  if (!HasSection(dataFile, model)) return kNoModel;
  DWORD enable = 1;
  DWORD selected = 0;
  ReadModelNumber(dataFile, model, "TrayIconEnable", &enable);
  ReadModelNumber(dataFile, model, "TrayIconSelected", &selected);

  const bool portList = printer.empty() && !port.empty();
  const std::string& name = portList ? port : printer;
  if (name.empty()) return kNoEntry;
  HKEY entry = OpenEntryByName(portList ? kTargetListPorts : kTargetListPrinters, name);
  if (entry == nullptr) return kNoEntry;
  const bool written =
      ::RegSetValueExA(entry, "TrayIconEnable", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&enable),
                       sizeof enable) == ERROR_SUCCESS &&
      ::RegSetValueExA(entry, "TrayIconSelected", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&selected),
                       sizeof selected) == ERROR_SUCCESS;
  ::RegCloseKey(entry);
  return written ? 0 : kNotWritten;
}

void RecordCall(const std::string& line) { AppendToFile(TempFilePath(kLogFileName), line); }

}  // namespace

extern "C" int WINAPI PrSetRegDefaultValue(const char* printerName, const char* driverName, const char* portName,
                                           const char* modelID, DWORD reserved1, DWORD reserved2, DWORD reserved3) {
  const int result = WriteDefaults(Text(printerName), Text(portName), Text(modelID));
  RecordCall(Text(printerName) + "\t" + Text(driverName) + "\t" + Text(portName) + "\t" + Text(modelID) + "\t" +
             std::to_string(reserved1) + "\t" + std::to_string(reserved2) + "\t" + std::to_string(reserved3) + "\t" +
             std::to_string(result) + "\r\n");
  return result;
}
