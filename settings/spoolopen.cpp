#include "settings/spoolopen.h"

#include <climits>
#include <cstring>
#include <utility>

#include "base/osversion.h"

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

PrinterInfo2Status ReadPrinterInfo2(const char* printerName, UniqueHeapPtr<BYTE>* record, DWORD* openError) {
  if (openError != nullptr) *openError = ERROR_SUCCESS;
  HANDLE handle = nullptr;
  // A spooler that fails without naming a reason must not leave an older error behind
  // for the caller to read as the reason.
  ::SetLastError(ERROR_SUCCESS);
  const BOOL opened = KV_OpenPrinter(printerName, &handle, nullptr);
  UniquePrinter printer(handle);
  if (!opened || !printer) {
    if (openError != nullptr) *openError = ::GetLastError();
    return kPrinterNotOpened;
  }
  // A 1-byte buffer only learns the size the record needs.
  BYTE probe[1] = {};
  DWORD needed = 0;
  ::GetPrinterA(printer.Get(), 2, probe, sizeof probe, &needed);
  if (needed < sizeof(PRINTER_INFO_2A)) return kPrinterNoRecord;
  UniqueHeapPtr<BYTE> buffer = HeapAllocZeroed<BYTE>(needed);
  if (!buffer) return kPrinterNoRecord;
  if (!::GetPrinterA(printer.Get(), 2, buffer.get(), needed, &needed)) return kPrinterNoRecord;
  if (record != nullptr) *record = std::move(buffer);
  return kPrinterRecord;
}
