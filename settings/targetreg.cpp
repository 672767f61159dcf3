#include "settings/targetreg.h"

#include <cstring>

#include "base/text260.h"
#include "base/winhandle.h"
#include "settings/driverkeys.h"
#include "settings/registrykey.h"
#include "settings/spooler.h"

namespace {

constexpr DWORD kSettingNew = 0;
constexpr DWORD kSettingRetired = 255;
constexpr DWORD kTimerNew = 10;
constexpr int kLastEntryNumber = 0x7FFFFFFF;

// Sub key names and "Name" values of up to 260 characters, always terminated.
using NameBuffer = char[kTextSize + 1];

bool IsEmpty(const char* s) { return s == nullptr || s[0] == '\0'; }
const char* OrEmpty(const char* s) { return s != nullptr ? s : ""; }
bool FitsDword(std::size_t n) { return static_cast<std::size_t>(static_cast<DWORD>(n)) == n; }
const char* ListPath(BOOL fPortList) { return fPortList ? kTargetListPorts : kTargetListPrinters; }

// The sub key at index; false at the end of the list, on any enumeration failure, or for
// an empty name.
bool EnumSubKey(HKEY key, DWORD index, NameBuffer& name) {
  std::memset(name, 0, sizeof name);
  DWORD length = sizeof name;
  if (::RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) return false;
  return name[0] != '\0';
}

// "Name" of an open entry (at most 260 bytes, so the spare byte keeps it terminated).
bool ReadName(HKEY entry, NameBuffer& name) {
  std::memset(name, 0, sizeof name);
  DWORD size = kTextSize;
  return ::RegQueryValueExA(entry, "Name", nullptr, nullptr, reinterpret_cast<BYTE*>(name), &size) ==
         ERROR_SUCCESS;
}

bool SetDword(HKEY key, const char* valueName, DWORD value) {
  return ::RegSetValueExA(key, valueName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value) ==
         ERROR_SUCCESS;
}

bool IsStalePortEntry(HKEY entry) {
  NameBuffer name;
  return !ReadName(entry, name) || name[0] == '\0';
}

bool IsStalePrinterEntry(HKEY entry) {
  NameBuffer name;
  if (!ReadName(entry, name) || name[0] == '\0') return true;
  UniqueHeapPtr<BYTE> record;
  DWORD openError = ERROR_SUCCESS;
  switch (ReadPrinterInfo2(name, &record, &openError)) {
    case kPrinterNotOpened:
      // Only the spooler's word that the printer does not exist counts: a spooler that is
      // restarting or refuses for another reason must not cost the user the settings.
      return openError == ERROR_INVALID_PRINTER_NAME;
    case kPrinterNoRecord:
      return false;
    case kPrinterRecord:
      break;
  }
  const PRINTER_INFO_2A* info = reinterpret_cast<const PRINTER_INFO_2A*>(record.get());
  return IsEmpty(info->pDriverName) || IsEmpty(info->pPrintProcessor);
}

// Walks a list from index 0 and removes its stale entries. The index moves on only past
// an entry that stays, which includes one that could not be removed: otherwise it would
// be met again on every pass.
template <typename IsStale, typename Remove>
void PurgeList(HKEY listKey, const char* listPath, IsStale isStale, Remove remove) {
  DWORD index = 0;
  NameBuffer subKey;
  while (EnumSubKey(listKey, index, subKey)) {
    bool stale = false;
    {
      CRegistryKey entry;
      if (entry.Open(listKey, subKey, KEY_ALL_ACCESS)) stale = isStale(entry.m_hKey);
    }
    Text260 path;
    if (!stale || !TEXT_FORMAT(path, "%s\\%s", listPath, subKey) || remove(path) != 0) ++index;
  }
}

}  // namespace

int GetTargetKey(const char* printerName, const char* portName, const char* modelID, BOOL* pfPortList, char* out,
                 std::size_t size, BOOL* pfCreated) {
  const BOOL portList = (IsEmpty(printerName) && !IsEmpty(portName)) ? TRUE : FALSE;
  if (pfPortList != nullptr) *pfPortList = portList;
  if (pfCreated != nullptr) *pfCreated = FALSE;
  if (FindTargetKey(portList ? portName : printerName, portList, out, size) == 0) return 0;
  const int result = RegisterTarget(printerName, portName, modelID, portList, out, size);
  if (pfCreated != nullptr) *pfCreated = (result == 0) ? TRUE : FALSE;
  return result;
}

int FindTargetKey(const char* name, BOOL fPortList, char* out, std::size_t size) {
  const char* listPath = ListPath(fPortList);
  CRegistryKey list;
  if (!list.Open(HKEY_CURRENT_USER, listPath, KEY_READ)) return 4;
  NameBuffer subKey;
  for (DWORD index = 0; EnumSubKey(list.m_hKey, index, subKey); ++index) {
    NameBuffer entryName;
    bool read = false;
    {
      CRegistryKey entry;
      if (!entry.Open(list.m_hKey, subKey, KEY_READ)) continue;
      read = ReadName(entry.m_hKey, entryName);
    }
    if (read && ::lstrcmpiA(entryName, OrEmpty(name)) == 0)
      return TextFormat(out, size, "%s\\%s", listPath, subKey) ? 0 : 1;
  }
  return 1;
}

int RegisterTarget(const char* printerName, const char* portName, const char* modelID, BOOL fPortList, char* out,
                   std::size_t size) {
  PurgeTargetKeys();
  if (CreateTargetKey(fPortList ? portName : printerName, fPortList, out, size) != 0) return 1;

  // Unknown driver or library: both stay empty, and loading the empty path fails below.
  Text260 driverName = {};
  GetPrinterDriverName(printerName, driverName, sizeof driverName);
  Text260 libraryPath = {};
  GetPrnDllPath(libraryPath, sizeof libraryPath, driverName, modelID, printerName);
  if (libraryPath[0] == '\0') return 4;

  // The library is the driver's, loaded for this one call.
  UniqueModule library(::LoadLibraryA(libraryPath));
  if (!library) return 4;
  const PrSetRegDefaultValueFn setDefaults = reinterpret_cast<PrSetRegDefaultValueFn>(
      reinterpret_cast<void (*)()>(::GetProcAddress(library.Get(), kPrSetRegDefaultValue)));
  if (setDefaults == nullptr) return 5;
  return setDefaults(OrEmpty(printerName), driverName, OrEmpty(portName), OrEmpty(modelID), 0, 0, 0);
}

int CreateTargetKey(const char* name, BOOL fPortList, char* out, std::size_t size) {
  const char* listPath = ListPath(fPortList);
  const char* entryName = OrEmpty(name);
  const std::size_t nameBytes = std::strlen(entryName) + 1;
  CRegistryKey list;
  list.Create(HKEY_CURRENT_USER, listPath, "", KEY_ALL_ACCESS);
  if (!list.m_fOpen) return 4;
  for (int number = 0; number < kLastEntryNumber; ++number) {
    Text260 path;
    if (!TEXT_FORMAT(path, "%s\\P%016d", listPath, number)) return 6;
    // A number is ours only when this call made the key: another agent may be creating
    // entries at the same moment.
    CRegistryKey entry;
    const int created = entry.Create(HKEY_CURRENT_USER, path, "", KEY_ALL_ACCESS);
    if (!entry.m_fOpen) return 3;
    if (!created) continue;
    if (!FitsDword(nameBytes) ||
        ::RegSetValueExA(entry.m_hKey, "Name", 0, REG_SZ, reinterpret_cast<const BYTE*>(entryName),
                         static_cast<DWORD>(nameBytes)) != ERROR_SUCCESS)
      return 2;
    if (!TextCopy(out, size, path)) return 5;
    SetDword(entry.m_hKey, "Setting", kSettingNew);
    SetDword(entry.m_hKey, "Timer", kTimerNew);
    DWORD setting = kSettingRetired;
    DWORD settingSize = sizeof setting;
    const LONG rc = ::RegQueryValueExA(entry.m_hKey, "Setting", nullptr, nullptr, reinterpret_cast<BYTE*>(&setting),
                                       &settingSize);
    return (rc == ERROR_SUCCESS && setting == kSettingNew) ? 0 : 1;
  }
  return 1;
}

int PurgeTargetKeys() {
  {
    CRegistryKey printers;
    if (!printers.Open(HKEY_CURRENT_USER, kTargetListPrinters, KEY_ALL_ACCESS)) return -1;
    PurgeList(printers.m_hKey, kTargetListPrinters, IsStalePrinterEntry, RetireTargetKey);
  }
  CRegistryKey ports;
  if (!ports.Open(HKEY_CURRENT_USER, kTargetListPorts, KEY_ALL_ACCESS)) return -1;
  // Port-list targets have no printer to ask the spooler about.
  PurgeList(ports.m_hKey, kTargetListPorts, IsStalePortEntry, DeleteKeyTree);
  return 0;
}

int RetireTargetKey(const char* entryPath) {
  if (IsEmpty(entryPath)) return -1;
  {
    CRegistryKey entry;
    if (!entry.Open(HKEY_CURRENT_USER, entryPath, KEY_ALL_ACCESS)) return -1;
    SetDword(entry.m_hKey, "Setting", kSettingRetired);
  }
  return DeleteKeyTree(entryPath);
}

int DeleteKeyTree(const char* path) {
  if (IsEmpty(path)) return -1;
  {
    CRegistryKey key;
    if (!key.Open(HKEY_CURRENT_USER, path, KEY_ALL_ACCESS)) return -1;
    NameBuffer child;
    // Index 0 again after every deletion; a child that stays ends the walk as a failure.
    while (EnumSubKey(key.m_hKey, 0, child)) {
      Text260 childPath;
      if (!TEXT_FORMAT(childPath, "%s\\%s", path, child)) return -1;
      if (DeleteKeyTree(childPath) != 0) return -1;
    }
  }
  // Fails while a sub key is left that the walk could not see (one whose 8-bit name does
  // not fit the enumeration buffer, say): the caller must not meet this key again as if
  // it had gone.
  return ::RegDeleteKeyA(HKEY_CURRENT_USER, path) == ERROR_SUCCESS ? 0 : -1;
}
