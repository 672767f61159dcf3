#include "drvinfo/drvinfolib.h"

#include <winspool.h>

#include <cstring>
#include <new>

#include "base/bytestring.h"
#include "base/osversion.h"
#include "base/text260.h"
#include "base/winhandle.h"
#include "settings/spoolopen.h"

BOOL g_fDrvInfoBound = FALSE;

namespace {

CDrvInfoLib* g_pDrvInfoLib = nullptr;

// Table positions of the three entries the agent calls.
constexpr int kCreateKeyIndex = 0;  // ordinal 1
constexpr int kOpenKeyIndex = 1;    // ordinal 3
constexpr int kCloseKeyIndex = 9;   // ordinal 7

using CreateKeyFn = LONG(WINAPI*)(HKEY, const char*, DWORD, char*, DWORD, REGSAM, LPSECURITY_ATTRIBUTES, PHKEY,
                                  LPDWORD);
using OpenKeyFn = LONG(WINAPI*)(HKEY, const char*, DWORD, REGSAM, PHKEY);
using CloseKeyFn = LONG(WINAPI*)(HKEY);

bool IsNt5OrLater() {
  const OsVersion version = ReadOsVersion();
  return version.platformId >= kPlatformNT && version.major >= 5;
}

FARPROC EntryOrNull(int index) { return g_pDrvInfoLib != nullptr ? g_pDrvInfoLib->Entry(index) : nullptr; }

// FARPROC is a generic function pointer; going through void(*)() marks the cast to the
// entry's real type as deliberate.
template <typename Fn>
Fn As(FARPROC entry) {
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(entry));
}

}  // namespace

// ---- CDrvInfoLib -------------------------------------------------------------------

CDrvInfoLib::~CDrvInfoLib() { Unload(); }

void CDrvInfoLib::Unload() {
  for (FARPROC& entry : m_table) entry = nullptr;
  if (m_fOwnsLibrary) {
    m_szPath.clear();
    if (m_hLibrary != nullptr) ::FreeLibrary(m_hLibrary);
    m_hLibrary = nullptr;
    m_fOwnsLibrary = FALSE;
  }
}

bool CDrvInfoLib::BindTable() {
  FARPROC table[kDrvInfoOrdinalCount] = {};
  bool complete = m_hLibrary != nullptr;
  for (int i = 0; complete && i < kDrvInfoOrdinalCount; ++i) {
    table[i] = ::GetProcAddress(m_hLibrary, MAKEINTRESOURCEA(kDrvInfoOrdinals[i]));
    complete = table[i] != nullptr;
  }
  for (int i = 0; i < kDrvInfoOrdinalCount; ++i) m_table[i] = complete ? table[i] : nullptr;
  return complete;
}

bool CDrvInfoLib::Load(const char* path) {
  if (path == nullptr || path[0] == '\0') return false;
  WIN32_FIND_DATAA found = {};
  HANDLE search = ::FindFirstFileA(path, &found);
  if (search != INVALID_HANDLE_VALUE) {
    ::FindClose(search);
    // Load exactly the file that was found: a bare name handed to LoadLibrary would be
    // looked up along the DLL search path and might load another file of that name.
    char fullPath[MAX_PATH] = {};
    const DWORD n = ::GetFullPathNameA(path, MAX_PATH, fullPath, nullptr);
    if (n > 0 && n < MAX_PATH) {
      m_szPath = path;
      m_hLibrary = ::LoadLibraryA(fullPath);
      if (m_hLibrary != nullptr) m_fOwnsLibrary = TRUE;
    }
  }
  BindTable();  // clears the table when nothing was loaded
  return m_hLibrary != nullptr;
}

// ---- CDrvInfoLocator ---------------------------------------------------------------

bool CDrvInfoLocator::SetFromDriverRecord(const char* driverPath, const char* dataFile) {
  m_szDriverDir[0] = '\0';
  m_szDataFile[0] = '\0';
  if (driverPath != nullptr) {
    const char* slash = std::strrchr(driverPath, '\\');
    if (slash != nullptr && !TextCopyN(m_szDriverDir, driverPath, static_cast<std::size_t>(slash - driverPath)))
      return false;
  }
  if (dataFile != nullptr && dataFile[0] != '\0') {
    const bool bare = std::strchr(dataFile, '\\') == nullptr;
    const bool ok = (bare && m_szDriverDir[0] != '\0')
                        ? TEXT_FORMAT(m_szDataFile, "%s\\%s", m_szDriverDir, dataFile)
                        : TextCopy(m_szDataFile, dataFile);
    if (!ok) return false;
  }
  return true;
}

bool CDrvInfoLocator::FromPrinter(const char* printerName) {
  UniquePrinter printer;
  if (!KV_OpenPrinter(printerName, printer.Receive(), nullptr) || !printer) return false;
  DWORD needed = 0;
  ::GetPrinterDriverA(printer.Get(), nullptr, 3, nullptr, 0, &needed);
  if (needed == 0) return false;
  UniqueHeapPtr<BYTE> buf = HeapAllocZeroed<BYTE>(needed);
  if (!buf || !::GetPrinterDriverA(printer.Get(), nullptr, 3, buf.get(), needed, &needed)) return false;
  const DRIVER_INFO_3A* info = reinterpret_cast<const DRIVER_INFO_3A*>(buf.get());
  return SetFromDriverRecord(info->pDriverPath, info->pDataFile);
}

bool CDrvInfoLocator::FromDriver(const char* driverName) {
  DWORD needed = 0;
  DWORD count = 0;
  ::EnumPrinterDriversA(nullptr, nullptr, 2, nullptr, 0, &needed, &count);
  if (needed == 0) return true;  // no drivers: no directory, the bare default name
  UniqueHeapPtr<BYTE> buf = HeapAllocZeroed<BYTE>(needed);
  if (!buf || !::EnumPrinterDriversA(nullptr, nullptr, 2, buf.get(), needed, &needed, &count)) return true;
  const DRIVER_INFO_2A* drivers = reinterpret_cast<const DRIVER_INFO_2A*>(buf.get());
  for (DWORD i = 0; i < count; ++i) {
    if (drivers[i].pName != nullptr && EqualNoCase(drivers[i].pName, driverName))
      return SetFromDriverRecord(drivers[i].pDriverPath, drivers[i].pDataFile);
  }
  return true;  // not installed: no directory, the bare default name
}

bool CDrvInfoLocator::FromDataFile(const char* dataFile) {
  m_szDriverDir[0] = '\0';
  if (!TextCopy(m_szDataFile, dataFile)) return false;
  const char* slash = std::strrchr(dataFile, '\\');
  return slash == nullptr || TextCopyN(m_szDriverDir, dataFile, static_cast<std::size_t>(slash - dataFile));
}

bool CDrvInfoLocator::ApplyCommonRule() {
  char value[64] = {};
  if (m_szDataFile[0] != '\0') {
    ::GetPrivateProfileStringA(kDrvInfoSection, kDrvInfoKey, "", value, sizeof value, m_szDataFile);
  }
  const char* file = value[0] != '\0' ? value : kDefaultDrvInfoLibrary;
  return m_szDriverDir[0] != '\0' ? TEXT_FORMAT(m_szLibrary, "%s\\%s", m_szDriverDir, file)
                                  : TextCopy(m_szLibrary, file);
}

const char* CDrvInfoLocator::Locate(int kind, const char* name) {
  m_szLibrary[0] = '\0';
  if (name == nullptr) return nullptr;
  bool ok = false;
  switch (kind) {
    case kDrvInfoByPrinter:
      // A printer that cannot be asked leaves no directory and no data file.
      if (!FromPrinter(name)) m_szDriverDir[0] = m_szDataFile[0] = '\0';
      ok = true;
      break;
    case kDrvInfoByDriver:
      ok = FromDriver(name);
      break;
    case kDrvInfoByDataFile:
      ok = FromDataFile(name);
      break;
    default:
      return nullptr;
  }
  if (!ok || !ApplyCommonRule()) return nullptr;
  return m_szLibrary;
}

// ---- Binding -----------------------------------------------------------------------

namespace {

int BindStep(int kind, const char* name) {
  if (g_pDrvInfoLib == nullptr) {
    g_pDrvInfoLib = new (std::nothrow) CDrvInfoLib;
    if (g_pDrvInfoLib == nullptr) return 0;
  }
  if (name == nullptr || !IsNt5OrLater()) return 0;
  if (g_pDrvInfoLib->IsLoaded()) {
    g_pDrvInfoLib->BindTable();
  } else {
    CDrvInfoLocator locator;
    const char* path = nullptr;
    if (kind >= kDrvInfoByPrinter && kind <= kDrvInfoByDataFile) {
      path = locator.Locate(kind, name);
    } else if (kind == kDrvInfoByLibrary) {
      path = name;
    }
    if (path != nullptr) g_pDrvInfoLib->Load(path);
  }
  return g_pDrvInfoLib->IsLoaded() ? 1 : 0;
}

}  // namespace

int BindDriverInfoLibrary(int kind, const char* name) {
  if (g_fDrvInfoBound) return 1;
  if (!IsNt5OrLater()) return 0;
  if (kind < kDrvInfoByPrinter || kind > kDrvInfoByLibrary) return -1;
  if (BindStep(kind, name) == 0) return -1;
  g_fDrvInfoBound = TRUE;
  return 1;
}

void ReleaseDriverInfoLibrary() {
  if (!g_fDrvInfoBound) return;
  delete g_pDrvInfoLib;
  g_pDrvInfoLib = nullptr;
  g_fDrvInfoBound = FALSE;
}

LONG DrvIfCreateKey(HKEY root, const char* subKey, DWORD reserved, char* className, DWORD options, REGSAM access,
                    LPSECURITY_ATTRIBUTES security, PHKEY result, LPDWORD disposition) {
  const FARPROC entry = EntryOrNull(kCreateKeyIndex);
  if (entry == nullptr) return ERROR_INVALID_ACCESS;
  return As<CreateKeyFn>(entry)(root, subKey, reserved, className, options,
                                                                        access, security, result, disposition);
}

LONG DrvIfOpenKey(HKEY root, const char* subKey, DWORD options, REGSAM access, PHKEY result) {
  const FARPROC entry = EntryOrNull(kOpenKeyIndex);
  if (entry == nullptr) return ERROR_INVALID_ACCESS;
  return As<OpenKeyFn>(entry)(root, subKey, options, access, result);
}

LONG DrvIfCloseKey(HKEY key) {
  const FARPROC entry = EntryOrNull(kCloseKeyIndex);
  if (entry == nullptr) return ERROR_INVALID_ACCESS;
  return As<CloseKeyFn>(entry)(key);
}
