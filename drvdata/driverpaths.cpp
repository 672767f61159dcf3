#include "drvdata/driverpaths.h"

#include <cstring>

ByteString DriverDirOf(const char* driverFilePath) {
  if (driverFilePath == nullptr) return ByteString();
  const char* slash = std::strrchr(driverFilePath, '\\');
  return slash == nullptr ? ByteString(driverFilePath) : ByteString(driverFilePath, slash);
}

ByteString JoinDriverPath(const ByteString& dir, const char* name) {
  if (name == nullptr) return ByteString();
  if (dir.empty()) return ByteString(name);
  return FormatString("%s\\%s", dir.c_str(), name);
}

ByteString DataFileOfRecord(const char* dataFile, const char* driverFilePath) {
  const char* data = dataFile == nullptr ? "" : dataFile;
  if (*data == '\0') return ByteString();  // a folder is no data file
  if (std::strchr(data, '\\') == nullptr && driverFilePath != nullptr && *driverFilePath != '\0') {
    return JoinDriverPath(DriverDirOf(driverFilePath), data);
  }
  return ByteString(data);
}

ByteString FirstItemOf(const char* value) {
  if (value == nullptr) return ByteString();
  const char* comma = std::strchr(value, ',');
  return comma == nullptr ? ByteString(value) : ByteString(value, comma);
}
