#include <windows.h>

#include <cstring>

#include "base/osversion.h"

OsVersion ReadOsVersion() {
  OSVERSIONINFOA info;
  std::memset(&info, 0, sizeof info);
  info.dwOSVersionInfoSize = sizeof info;
  // The 9x line has no other way to ask, and the platform and version are exactly what
  // the driver data is keyed by; the deprecation does not apply.
#if defined(_MSC_VER)
#pragma warning(suppress : 4996)
#endif
  if (!::GetVersionExA(&info)) return OsVersion();
  OsVersion v;
  v.platformId = info.dwPlatformId;
  v.major = info.dwMajorVersion;
  v.minor = info.dwMinorVersion;
  return v;
}
