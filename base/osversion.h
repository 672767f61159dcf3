#pragma once
// The fields of the system's version record that the program branches on: the platform
// (Windows 9x or the NT line) and the version number.
#include <cstdint>

struct OsVersion {
  std::uint32_t platformId = 0;  // 1 Windows 9x family, 2 NT family, 0 unknown
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
};
constexpr std::uint32_t kPlatformWin9x = 1;
constexpr std::uint32_t kPlatformNT = 2;

// Windows only: the running system's version record (GetVersionExA); all zero, which is
// no platform at all, when the system does not answer.
OsVersion ReadOsVersion();
