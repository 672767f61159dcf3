#include "settings/spooler.h"

#include <climits>
#include <cstring>

#include "base/osversion.h"
#include "base/text260.h"
#include "base/winhandle.h"

namespace {

// Runs use(record) with the printer's level-2 record; false when there is none.
template <typename Use>
bool WithPrinterInfo2(const char* printerName, Use use) {
  HANDLE handle = nullptr;
  const BOOL opened = KV_OpenPrinter(printerName, &handle, nullptr);
  UniquePrinter printer(handle);
  if (!opened || !printer) return false;
  // A 1-byte buffer only learns the size the record needs.
  BYTE probe[1] = {};
  DWORD needed = 0;
  ::GetPrinterA(printer.Get(), 2, probe, sizeof probe, &needed);
  if (needed < sizeof(PRINTER_INFO_2A)) return false;
  UniqueHeapPtr<BYTE> buffer = HeapAllocZeroed<BYTE>(needed);
  if (!buffer) return false;
  if (!::GetPrinterA(printer.Get(), 2, buffer.get(), needed, &needed)) return false;
  use(*reinterpret_cast<const PRINTER_INFO_2A*>(buffer.get()));
  return true;
}

}  // namespace

BOOL KV_OpenPrinter(const char* printerName, HANDLE* phPrinter, PRINTER_DEFAULTSA* pDefaults) {
  BOOL result = ::OpenPrinterA(const_cast<char*>(printerName), phPrinter, pDefaults);
  if (result && phPrinter != nullptr && *phPrinter != nullptr) return result;
  if (ReadOsVersion().platformId < kPlatformNT || printerName == nullptr) return result;

  // The spooler of the NT line keeps names in UTF-16; a name that the 8-bit call could
  // not find may still be found by its strict conversion.
  const std::size_t len = std::strlen(printerName);
  if (len >= static_cast<std::size_t>(INT_MAX)) return result;
  UniqueHeapPtr<WCHAR> wide = HeapAllocZeroed<WCHAR>(len + 1);
  if (!wide) return result;
  // A stale ERROR_NO_UNICODE_TRANSLATION from earlier calls must not veto the attempt.
  ::SetLastError(ERROR_SUCCESS);
  const int converted = ::MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED | MB_ERR_INVALID_CHARS, printerName, -1,
                                              wide.get(), static_cast<int>(len + 1));
  if (converted == 0 || ::GetLastError() == ERROR_NO_UNICODE_TRANSLATION) return result;

  PRINTER_DEFAULTSW wideDefaults = {};
  if (pDefaults != nullptr) {
    wideDefaults.pDatatype = nullptr;
    wideDefaults.pDevMode = nullptr;
    wideDefaults.DesiredAccess = pDefaults->DesiredAccess;
  }
  result = ::OpenPrinterW(wide.get(), phPrinter, pDefaults != nullptr ? &wideDefaults : nullptr);
  return result;
}

int GetPrinterDriverName(const char* printerName, char* out, std::size_t size) {
  if (out == nullptr || !TextCopy(out, size, "")) return 0;
  if (printerName == nullptr || printerName[0] == '\0') return 0;
  int copied = 0;
  WithPrinterInfo2(printerName, [&](const PRINTER_INFO_2A& info) {
    if (info.pDriverName != nullptr && TextCopy(out, size, info.pDriverName)) copied = 1;
  });
  return copied;
}

int GetPrinterDriverAndPort(const char* printerName, char* driverOut, std::size_t driverSize, char* portOut,
                            std::size_t portSize) {
  if (driverOut == nullptr || portOut == nullptr) return 0;
  const bool driverEmptied = TextCopy(driverOut, driverSize, "");
  const bool portEmptied = TextCopy(portOut, portSize, "");
  if (!driverEmptied || !portEmptied) return 0;
  if (printerName == nullptr || printerName[0] == '\0') return 0;
  int copied = 0;
  WithPrinterInfo2(printerName, [&](const PRINTER_INFO_2A& info) {
    if (info.pDriverName != nullptr && TextCopy(driverOut, driverSize, info.pDriverName)) copied = 1;
    if (info.pPortName != nullptr && TextCopy(portOut, portSize, info.pPortName)) copied = 1;
  });
  return copied;
}

int IsZeltInvalid(const char* printerName) {
  if (printerName == nullptr || printerName[0] == '\0') return 0;
  HANDLE handle = nullptr;
  KV_OpenPrinter(printerName, &handle, nullptr);
  UniquePrinter printer(handle);
  // A printer that cannot be opened is gone: its agent is not to run either.
  if (!printer) return 1;
  DWORD setting = 0;
  DWORD needed = 0;
  const DWORD rc = ::GetPrinterDataA(printer.Get(), const_cast<char*>("ZELTSetting"), nullptr,
                                     reinterpret_cast<BYTE*>(&setting), sizeof setting, &needed);
  return (rc == ERROR_SUCCESS && setting == 1) ? 1 : 0;
}
