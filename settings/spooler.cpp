#include "settings/spooler.h"

#include "base/text260.h"
#include "base/winhandle.h"

namespace {

// Runs use(record) with the printer's level-2 record; false when there is none.
template <typename Use>
bool WithPrinterInfo2(const char* printerName, Use use) {
  UniqueHeapPtr<BYTE> record;
  if (ReadPrinterInfo2(printerName, &record, nullptr) != kPrinterRecord) return false;
  use(*reinterpret_cast<const PRINTER_INFO_2A*>(record.get()));
  return true;
}

}  // namespace

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
