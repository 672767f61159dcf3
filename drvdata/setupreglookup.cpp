#include "drvdata/setupreglookup.h"

#include <memory>
#include <new>

#include "drvdata/setupregtable.h"

// Each query reads the file anew in one pass (CSetupRegTable::LookupBy*), which gives the
// answer that loading the whole description and asking it would give.
ByteString CSetupRegLookup::QueryByPrinter(const char* printerName, const char* keyPath, const char* valueName) const {
  std::unique_ptr<CSetupRegTable> table(new (std::nothrow) CSetupRegTable);
  return table == nullptr ? ByteString() : table->LookupByPrinter(printerName, keyPath, valueName);
}

ByteString CSetupRegLookup::QueryByDriver(const char* driverName, const char* keyPath, const char* valueName) const {
  std::unique_ptr<CSetupRegTable> table(new (std::nothrow) CSetupRegTable);
  return table == nullptr ? ByteString() : table->LookupByDriver(driverName, keyPath, valueName);
}
