#pragma once
// The agent's direct questions to the print spooler about one printer. Each call opens
// the printer by its 8-bit name, asks, and closes it again. Nothing here logs.
#include <windows.h>
#include <winspool.h>

#include <cstddef>

#include "settings/spoolopen.h"  // KV_OpenPrinter

// 1 when the printer's driver name was copied to out (size bytes, terminator included);
// 0 otherwise, with out empty.
int GetPrinterDriverName(const char* printerName, char* out, std::size_t size);

// Driver and port names of a printer. 1 when at least one of the two was copied; each
// output that was not copied is empty. 0 with both empty when the printer cannot be
// asked or an output is missing.
int GetPrinterDriverAndPort(const char* printerName, char* driverOut, std::size_t driverSize, char* portOut,
                            std::size_t portSize);

// 1 when the printer is not to be served by the agent: its printer data value
// "ZELTSetting" is the 32-bit number 1, or the printer cannot be opened at all. 0 for an
// empty name, a missing value or any other value.
int IsZeltInvalid(const char* printerName);
