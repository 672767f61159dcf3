#pragma once
// The values that a printer driver's setup data file assigns under HKEY_LOCAL_MACHINE.
#include "base/bytestring.h"

class CSetupRegLookup {
 public:
  virtual ~CSetupRegLookup() = default;

  // The string data that the setup data file of the printer's driver (of the installed
  // driver) assigns to valueName under keyPath (below HKEY_LOCAL_MACHINE, without the
  // root), with directory macros expanded and entries that do not apply to this system
  // left out; key path and value name are compared ignoring case. "" when any argument is
  // empty, the file cannot be found or read, nothing matches, or the value is a number.
  // Nothing is cached: every call asks the spooler and reads the file again.
  ByteString QueryByPrinter(const char* printerName, const char* keyPath, const char* valueName) const;
  ByteString QueryByDriver(const char* driverName, const char* keyPath, const char* valueName) const;
};
