#include "drvdata/driverfiles.h"

#include <winspool.h>

#include <cstring>

#include "base/winhandle.h"
#include "drvdata/driverpaths.h"

namespace {

constexpr char kNtSection[] = "User Mode Printer Driver Information";
constexpr char kNtKey[] = "SADatI";
constexpr char k9xKey[] = "52";
// The setup file name is read into 64 bytes, so at most 63 characters arrive.
constexpr DWORD kSetupNameSize = 64;

ByteString Field(const char* s) { return s == nullptr ? ByteString() : ByteString(s); }

bool HasBackslash(const char* s) { return s != nullptr && std::strchr(s, '\\') != nullptr; }

enum class DriverField { kDirectory, kDataFile, kName };

// One field of the printer's level-3 driver record; false when there is no record.
bool QueryPrinterDriver(const char* printerName, DriverField field, ByteString* out) {
  out->clear();
  CPrinterHandle printer;
  HANDLE handle = nullptr;
  if (printer.Open(printerName, &handle) != 1) return false;
  BYTE probe[1] = {};
  DWORD needed = 0;
  ::GetPrinterDriverA(handle, nullptr, 3, probe, 1, &needed);
  if (needed == 0) return false;
  UniqueHeapPtr<BYTE> block = HeapAllocZeroed<BYTE>(needed);
  if (!block) return false;
  if (::GetPrinterDriverA(handle, nullptr, 3, block.get(), needed, &needed) != 1) return false;
  const DRIVER_INFO_3A* info = reinterpret_cast<const DRIVER_INFO_3A*>(block.get());
  switch (field) {
    case DriverField::kDirectory:
      *out = DriverDirOf(info->pDriverPath);
      break;
    case DriverField::kDataFile:
      *out = Field(info->pDataFile);
      break;
    case DriverField::kName:
      *out = Field(info->pName);
      break;
  }
  return true;
}

// The setup file name from the data file: by "SADatI" on NT, else by "52" of the
// driver's section, cut at its first comma. "" when nothing was read.
ByteString ReadSetupName(const char* dataFile, bool nt, const char* section9x) {
  char name[kSetupNameSize] = {};
  if (nt) {
    ::GetPrivateProfileStringA(kNtSection, kNtKey, "", name, kSetupNameSize, dataFile);
    return ByteString(name);
  }
  if (section9x == nullptr || *section9x == '\0') return ByteString();
  ::GetPrivateProfileStringA(section9x, k9xKey, "", name, kSetupNameSize, dataFile);
  return FirstItemOf(name);
}

}  // namespace

ByteString ReadSystemDirectory() {
  ByteString dir(64, '\0');
  for (;;) {
    const UINT n = ::GetSystemDirectoryA(&dir[0], static_cast<UINT>(dir.size() + 1));
    if (n == 0) return ByteString();
    if (n <= dir.size()) {
      dir.resize(n);
      return dir;
    }
    dir.assign(n, '\0');  // too small: n is the size needed, terminator included
  }
}

CPrinterHandle::~CPrinterHandle() { Close(); }

void CPrinterHandle::Close() {
  if (m_hPrinter != nullptr) ::ClosePrinter(m_hPrinter);
  m_hPrinter = nullptr;
}

BOOL CPrinterHandle::Open(const char* printerName, HANDLE* handle) {
  if (printerName == nullptr || handle == nullptr) return 0;
  *handle = nullptr;
  if (*printerName == '\0') return 0;
  Close();
  const BOOL opened = ::OpenPrinterA(const_cast<LPSTR>(printerName), handle, nullptr);
  if (opened) {
    m_hPrinter = *handle;
    return opened;
  }
  *handle = nullptr;
  // Some names survive only the wide call: try it on the NT platform.
  if (ReadOsVersion().platformId != kPlatformNT) return opened;
  const int chars = ::MultiByteToWideChar(CP_ACP, 0, printerName, -1, nullptr, 0);
  if (chars <= 0) return opened;
  UniqueHeapPtr<WCHAR> wide = HeapAllocZeroed<WCHAR>(static_cast<std::size_t>(chars));
  WCHAR* wideName = wide.get();
  if (wideName == nullptr || ::MultiByteToWideChar(CP_ACP, 0, printerName, -1, wideName, chars) != chars) return opened;
  const BOOL wideOpened = ::OpenPrinterW(wideName, handle, nullptr);
  if (!wideOpened) *handle = nullptr;
  m_hPrinter = *handle;
  return wideOpened;
}

bool CDriverFiles::GetDriverDir(const char* printerName, ByteString* driverDir) {
  if (driverDir == nullptr) return false;
  driverDir->clear();
  if (printerName == nullptr || *printerName == '\0') return false;
  QueryPrinterDriver(printerName, DriverField::kDirectory, driverDir);
  return !driverDir->empty();
}

bool CDriverFiles::GetDriverName(const char* printerName, ByteString* driverName) {
  if (driverName == nullptr) return false;
  driverName->clear();
  if (printerName == nullptr || *printerName == '\0') return false;
  QueryPrinterDriver(printerName, DriverField::kName, driverName);
  return !driverName->empty();
}

bool CDriverFiles::GetDataFile(const char* printerName, ByteString* dataFile) {
  if (dataFile == nullptr) return false;
  dataFile->clear();
  if (printerName == nullptr || *printerName == '\0') return false;
  ByteString recorded;
  if (!QueryPrinterDriver(printerName, DriverField::kDataFile, &recorded) || recorded.empty()) return false;
  if (HasBackslash(recorded.c_str())) {
    *dataFile = recorded;
  } else {
    ByteString dir;
    GetDriverDir(printerName, &dir);
    *dataFile = JoinDriverPath(dir, recorded.c_str());
  }
  return !dataFile->empty();
}

bool CDriverFiles::GetDriverFilesByName(const char* driverName, ByteString* dataFile, ByteString* driverDir) {
  if (dataFile == nullptr || driverDir == nullptr) return false;
  dataFile->clear();
  driverDir->clear();
  if (driverName == nullptr || *driverName == '\0') return false;
  BYTE probe[1] = {};
  DWORD needed = 0;
  DWORD count = 0;
  ::EnumPrinterDriversA(nullptr, nullptr, 3, probe, 1, &needed, &count);
  if (needed == 0) return false;
  UniqueHeapPtr<BYTE> block = HeapAllocZeroed<BYTE>(needed);
  if (!block) return false;
  count = 0;
  if (!::EnumPrinterDriversA(nullptr, nullptr, 3, block.get(), needed, &needed, &count)) return false;
  const DRIVER_INFO_3A* records = reinterpret_cast<const DRIVER_INFO_3A*>(block.get());
  for (DWORD i = 0; i < count; ++i) {
    const DRIVER_INFO_3A& r = records[i];
    if (r.pName == nullptr || std::strcmp(r.pName, driverName) != 0) continue;
    *driverDir = DriverDirOf(r.pDriverPath);
    *dataFile = DataFileOfRecord(r.pDataFile, r.pDriverPath);
    break;
  }
  return !dataFile->empty() || !driverDir->empty();
}

bool CDriverFiles::GetSetupFileByPrinter(const char* printerName, ByteString* setupFile) {
  if (setupFile == nullptr) return false;
  setupFile->clear();
  if (printerName == nullptr || *printerName == '\0') return false;
  ByteString dataFile;
  if (!GetDataFile(printerName, &dataFile)) return false;
  const bool nt = ReadOsVersion().platformId == kPlatformNT;
  ByteString driverName;
  if (!nt) GetDriverName(printerName, &driverName);
  const ByteString name = ReadSetupName(dataFile.c_str(), nt, driverName.c_str());
  if (name.empty()) return false;
  ByteString dir;
  GetDriverDir(printerName, &dir);
  *setupFile = JoinDriverPath(dir, name.c_str());
  return !setupFile->empty();
}

bool CDriverFiles::GetSetupFileByDriver(const char* driverName, ByteString* setupFile) {
  if (setupFile == nullptr) return false;
  setupFile->clear();
  if (driverName == nullptr || *driverName == '\0') return false;
  ByteString dataFile;
  ByteString dir;
  if (!GetDriverFilesByName(driverName, &dataFile, &dir) || dataFile.empty()) return false;
  const ByteString name = ReadSetupName(dataFile.c_str(), ReadOsVersion().platformId == kPlatformNT, driverName);
  if (name.empty()) return false;
  *setupFile = JoinDriverPath(dir, name.c_str());
  return !setupFile->empty();
}
