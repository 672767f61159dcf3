#pragma once
// Exports of the sample driver information library (by ordinal, see drvif1.def).
#include <windows.h>

extern "C" {
LONG WINAPI DrvIfCreateKey(HKEY root, LPCSTR subKey, DWORD reserved, LPSTR className, DWORD options, REGSAM access,
                           LPSECURITY_ATTRIBUTES security, PHKEY result, LPDWORD disposition);
LONG WINAPI DrvIfOpenKey(HKEY root, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result);
LONG WINAPI DrvIfQueryValue(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size);
LONG WINAPI DrvIfCloseKey(HKEY key);
LONG WINAPI DrvIfSetValue(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size);
LONG WINAPI DrvIfDeleteValue(HKEY key, LPCSTR name);
LONG WINAPI DrvIfDeleteKey(HKEY key, LPCSTR subKey);
LONG WINAPI DrvIfEnumKey(HKEY key, DWORD index, LPSTR name, LPDWORD nameLen, LPDWORD reserved, LPSTR className,
                         LPDWORD classLen, PFILETIME lastWrite);
LONG WINAPI DrvIfEnumValue(HKEY key, DWORD index, LPSTR name, LPDWORD nameLen, LPDWORD reserved, LPDWORD type,
                           LPBYTE data, LPDWORD dataLen);
LONG WINAPI DrvIfQueryInfoKey(HKEY key, LPDWORD subKeys, LPDWORD maxSubKeyLen, LPDWORD values, LPDWORD maxValueNameLen,
                              LPDWORD maxValueLen);
LONG WINAPI DrvIfFlushKey(HKEY key);
LONG WINAPI DrvIfGetCallCount(int ordinal);
}
