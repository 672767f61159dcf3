#pragma once
// Opening a printer by its 8-bit name, and reading its level-2 record: the spooler calls
// that the settings store and the driver information binding both need. Nothing here
// logs.
#include <windows.h>
#include <winspool.h>

#include "base/winhandle.h"

// Opens a printer: OpenPrinterA, and on the NT line, when that gives no handle, once
// more with OpenPrinterW and the name converted strictly from the ANSI code page (a name
// that does not convert without loss gets no second try). Returns the result of the
// last attempt; *phPrinter is what that attempt stored. The caller closes a handle it
// got with ClosePrinter.
BOOL KV_OpenPrinter(const char* printerName, HANDLE* phPrinter, PRINTER_DEFAULTSA* pDefaults);

enum PrinterInfo2Status {
  kPrinterNotOpened = 0,  // KV_OpenPrinter failed
  kPrinterNoRecord = 1,   // opened, but the record could not be sized, allocated or read
  kPrinterRecord = 2,     // *record holds the PRINTER_INFO_2A
};

// The printer's level-2 record: opens it with KV_OpenPrinter (no defaults), learns the
// size with a 1-byte probe, reads the record into a heap block and closes the printer.
// *record is set only for kPrinterRecord. For kPrinterNotOpened, *openError (when given)
// is the thread's last error after the open failed, ERROR_SUCCESS when the spooler named
// no reason.
PrinterInfo2Status ReadPrinterInfo2(const char* printerName, UniqueHeapPtr<BYTE>* record, DWORD* openError);
