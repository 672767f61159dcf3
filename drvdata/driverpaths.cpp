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

ByteString FirstItemOf(const char* value) {
  if (value == nullptr) return ByteString();
  const char* comma = std::strchr(value, ',');
  return comma == nullptr ? ByteString(value) : ByteString(value, comma);
}
