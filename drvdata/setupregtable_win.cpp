// The registry description of an installed driver's setup data file: the spooler finds
// the file and the driver directory, the system gives its version and directory.
#include <new>

#include "drvdata/driverfiles.h"
#include "drvdata/setupregtable.h"

namespace {

bool IsEmpty(const char* s) { return s == nullptr || *s == '\0'; }

}  // namespace

void CSetupRegTable::LoadEnvironment() {
  m_env.version = ReadOsVersion();
  m_env.systemDir = ReadSystemDirectory();
}

bool CSetupRegTable::ReadEnterEntriesByPrinter(const char* printerName, CSetupFile* file) {
  ByteString dir;
  CDriverFiles().GetDriverDir(printerName, &dir);
  return ReadEnterEntriesInDir(dir.c_str(), file);
}

bool CSetupRegTable::ReadEnterEntriesByDriver(const char* driverName, CSetupFile* file) {
  ByteString dataFile;
  ByteString dir;
  CDriverFiles().GetDriverFilesByName(driverName, &dataFile, &dir);
  return ReadEnterEntriesInDir(dir.c_str(), file);
}

bool CSetupRegTable::LoadByPrinter(const char* printerName) {
  try {
    RemoveAllEntries();
    if (IsEmpty(printerName)) return false;
    LoadEnvironment();
    ByteString path;
    CDriverFiles().GetSetupFileByPrinter(printerName, &path);
    CSetupFile file;
    if (!path.empty() && file.Open(path.c_str()) && ReadPathEntries(&file)) ReadEnterEntriesByPrinter(printerName, &file);
  } catch (const std::bad_alloc&) {
  }
  if (m_PathList.IsEmpty() || m_EnterList.IsEmpty()) {
    RemoveAllEntries();
    return false;
  }
  return true;
}

bool CSetupRegTable::LoadByDriver(const char* driverName) {
  try {
    RemoveAllEntries();
    if (IsEmpty(driverName)) return false;
    LoadEnvironment();
    ByteString path;
    CDriverFiles().GetSetupFileByDriver(driverName, &path);
    CSetupFile file;
    if (!path.empty() && file.Open(path.c_str()) && ReadPathEntries(&file)) ReadEnterEntriesByDriver(driverName, &file);
  } catch (const std::bad_alloc&) {
  }
  if (m_PathList.IsEmpty() || m_EnterList.IsEmpty()) {
    RemoveAllEntries();
    return false;
  }
  return true;
}

ByteString CSetupRegTable::LookupByPrinter(const char* printerName, const char* keyPath, const char* valueName) {
  try {
    if (IsEmpty(printerName) || IsEmpty(keyPath) || IsEmpty(valueName)) return ByteString();
    LoadEnvironment();
    CDriverFiles files;
    ByteString path;
    if (!files.GetSetupFileByPrinter(printerName, &path)) return ByteString();
    CSetupFile file;
    if (!file.Open(path.c_str())) return ByteString();
    ByteString dir;
    if (!files.GetDriverDir(printerName, &dir)) return ByteString();
    return FindValueInFile(&file, dir.c_str(), keyPath, valueName);
  } catch (const std::bad_alloc&) {
    return ByteString();
  }
}

ByteString CSetupRegTable::LookupByDriver(const char* driverName, const char* keyPath, const char* valueName) {
  try {
    if (IsEmpty(driverName) || IsEmpty(keyPath) || IsEmpty(valueName)) return ByteString();
    LoadEnvironment();
    CDriverFiles files;
    ByteString path;
    if (!files.GetSetupFileByDriver(driverName, &path)) return ByteString();
    CSetupFile file;
    if (!file.Open(path.c_str())) return ByteString();
    ByteString dataFile;
    ByteString dir;
    if (!files.GetDriverFilesByName(driverName, &dataFile, &dir) || dir.empty()) return ByteString();
    return FindValueInFile(&file, dir.c_str(), keyPath, valueName);
  } catch (const std::bad_alloc&) {
    return ByteString();
  }
}
