// Sample driver information library: registry functions with the system's parameters,
// exported by ordinal. They do what the registry's own functions do, and count their
// calls so that tests can see which keys went through the library: in-process through
// DrvIfGetCallCount, and across processes through a trace file named by the environment
// variable K_DRVIF1_TRACE (one line per call: function and sub key).
#include "sampledriver/drvif1/drvif1.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

LONG g_calls[32];

void Record(int ordinal, const char* what, const char* subKey) {
  if (ordinal >= 0 && ordinal < 32) ::InterlockedIncrement(&g_calls[ordinal]);
  char path[MAX_PATH];
  const DWORD n = ::GetEnvironmentVariableA("K_DRVIF1_TRACE", path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return;
  char line[600];
  const int len = std::snprintf(line, sizeof line, "%s %s\r\n", what, subKey != nullptr ? subKey : "(null)");
  if (len <= 0 || static_cast<std::size_t>(len) >= sizeof line) return;
  HANDLE file = ::CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  ::WriteFile(file, line, static_cast<DWORD>(len), &written, nullptr);
  ::CloseHandle(file);
}

}  // namespace

extern "C" {

LONG WINAPI DrvIfCreateKey(HKEY root, LPCSTR subKey, DWORD reserved, LPSTR className,
                                                 DWORD options, REGSAM access, LPSECURITY_ATTRIBUTES security,
                                                 PHKEY result, LPDWORD disposition) {
  Record(1, "CreateKey", subKey);
  return ::RegCreateKeyExA(root, subKey, reserved, className, options, access, security, result, disposition);
}

LONG WINAPI DrvIfOpenKey(HKEY root, LPCSTR subKey, DWORD options, REGSAM access,
                                               PHKEY result) {
  Record(3, "OpenKey", subKey);
  return ::RegOpenKeyExA(root, subKey, options, access, result);
}

LONG WINAPI DrvIfQueryValue(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                                                  LPDWORD size) {
  Record(5, "QueryValue", name);
  return ::RegQueryValueExA(key, name, reserved, type, data, size);
}

LONG WINAPI DrvIfCloseKey(HKEY key) {
  Record(7, "CloseKey", nullptr);
  return ::RegCloseKey(key);
}

LONG WINAPI DrvIfSetValue(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data,
                                                DWORD size) {
  Record(8, "SetValue", name);
  return ::RegSetValueExA(key, name, reserved, type, data, size);
}

LONG WINAPI DrvIfDeleteValue(HKEY key, LPCSTR name) {
  Record(10, "DeleteValue", name);
  return ::RegDeleteValueA(key, name);
}

LONG WINAPI DrvIfDeleteKey(HKEY key, LPCSTR subKey) {
  Record(12, "DeleteKey", subKey);
  return ::RegDeleteKeyA(key, subKey);
}

LONG WINAPI DrvIfEnumKey(HKEY key, DWORD index, LPSTR name, LPDWORD nameLen, LPDWORD reserved,
                                               LPSTR className, LPDWORD classLen, PFILETIME lastWrite) {
  Record(14, "EnumKey", nullptr);
  return ::RegEnumKeyExA(key, index, name, nameLen, reserved, className, classLen, lastWrite);
}

LONG WINAPI DrvIfEnumValue(HKEY key, DWORD index, LPSTR name, LPDWORD nameLen, LPDWORD reserved,
                                                 LPDWORD type, LPBYTE data, LPDWORD dataLen) {
  Record(16, "EnumValue", nullptr);
  return ::RegEnumValueA(key, index, name, nameLen, reserved, type, data, dataLen);
}

LONG WINAPI DrvIfQueryInfoKey(HKEY key, LPDWORD subKeys, LPDWORD maxSubKeyLen,
                                                    LPDWORD values, LPDWORD maxValueNameLen, LPDWORD maxValueLen) {
  Record(18, "QueryInfoKey", nullptr);
  return ::RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, subKeys, maxSubKeyLen, nullptr, values, maxValueNameLen,
                            maxValueLen, nullptr, nullptr);
}

LONG WINAPI DrvIfFlushKey(HKEY key) {
  Record(20, "FlushKey", nullptr);
  return ::RegFlushKey(key);
}

// Not part of the ordinal table: how many times the entry of an ordinal was called.
LONG WINAPI DrvIfGetCallCount(int ordinal) {
  return (ordinal >= 0 && ordinal < 32) ? g_calls[ordinal] : -1;
}

}  // extern "C"
