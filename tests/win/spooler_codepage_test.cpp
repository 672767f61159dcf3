// KV_OpenPrinter's second, wide attempt under a double-byte ANSI code page, where a name
// can hold byte sequences that do not convert. CTest runs this program with a Japanese
// locale (code page 932).
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "base/winhandle.h"
#include "settings/spooler.h"
#include "tests/support/winsupport.h"

using namespace testsupport;

namespace {

constexpr const char kAppDefaults[] = "Software\\Wine\\AppDefaults\\kv_open_probe.exe";

// A lead byte followed by a byte that cannot trail it.
const char kUnconvertible[] = "Ink \x81\x20Printer";
const char kConvertible[] = "Ink \x82\xa0Printer";  // a valid double-byte character

std::string Hex(const char* s) {
  std::string out;
  char buf[3];
  for (; *s != '\0'; ++s) {
    std::snprintf(buf, sizeof buf, "%02X", static_cast<unsigned char>(*s));
    out += buf;
  }
  return out;
}

// The probe's exit code: 0 opened, else its last error after KV_OpenPrinter.
long ProbeAs(const char* windowsVersion, const char* name) {
  EXPECT_TRUE(SetRegValue(HKEY_CURRENT_USER, kAppDefaults, "Version", REG_SZ, windowsVersion,
                          static_cast<DWORD>(std::strlen(windowsVersion) + 1)));
  const long code = RunProcess("\"" + SiblingPath("kv_open_probe.exe") + "\" " + Hex(name));
  DeleteRegTree(HKEY_CURRENT_USER, kAppDefaults);
  return code;
}

class SpoolerCodePage : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(::GetACP(), 932u) << "run with LC_ALL=ja_JP.UTF-8"; }
};

TEST_F(SpoolerCodePage, AnUnconvertibleNameGetsNoWideAttemptOnNt) {
  HANDLE handle = reinterpret_cast<HANDLE>(1);
  ::SetLastError(0xdeadbeef);
  EXPECT_FALSE(KV_OpenPrinter(kUnconvertible, &handle, nullptr));
  // The failed conversion is the last thing that happened.
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));

  // A name that converts fails as an unknown printer, not as a conversion.
  ::SetLastError(ERROR_NO_UNICODE_TRANSLATION);
  EXPECT_FALSE(KV_OpenPrinter(kConvertible, &handle, nullptr));
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_PRINTER_NAME));
  EXPECT_EQ(handle, nullptr);
}

TEST_F(SpoolerCodePage, OnWindows9xTheFirstFailureStands) {
  EXPECT_EQ(ProbeAs("win98", kUnconvertible), ERROR_INVALID_PRINTER_NAME);  // no conversion tried
  EXPECT_EQ(ProbeAs("win2k", kUnconvertible), ERROR_NO_UNICODE_TRANSLATION);
  EXPECT_EQ(ProbeAs("winxp", kConvertible), ERROR_INVALID_PRINTER_NAME);
}

}  // namespace
