// Spooler queries against the real spooler, with a driver and printers that the tests
// install and remove themselves.
#include "settings/spooler.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <winspool.h>

#include <cstring>
#include <string>

#include "app/cmdline.h"
#include "base/winhandle.h"
#include "sampledriver/installer/spoolsetup.h"
#include "tests/support/winsupport.h"

using namespace testsupport;

namespace {

constexpr const char kDriver[] = "Spooler Query Test Driver";
constexpr const char kPrinter[] = "Spooler Query Test Printer";  // on "FILE:"
constexpr const char kLptPrinter[] = "Spooler Query Test LPT";    // on "LPT1:"
constexpr const char kScratchPrinter[] = "Spooler Query Test Scratch";

class SpoolerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const spoolsetup::DriverPackage package = DummyDriverPackage(kDriver, "SQT");
    std::string error;
    RemoveAll();
    s_ready = spoolsetup::InstallDriver(package, &error) &&
              spoolsetup::AddLocalPrinter(kPrinter, kDriver, "FILE:", &error) &&
              spoolsetup::AddLocalPrinter(kLptPrinter, kDriver, "LPT1:", &error);
    s_error = error;
  }
  static void TearDownTestSuite() { RemoveAll(); }
  static void RemoveAll() {
    for (const char* p : {kPrinter, kLptPrinter, kScratchPrinter}) spoolsetup::DeleteLocalPrinter(p, nullptr);
    spoolsetup::RemoveDriver(kDriver, nullptr);
  }
  void SetUp() override { ASSERT_TRUE(s_ready) << s_error; }

  static bool s_ready;
  static std::string s_error;
};

bool SpoolerTest::s_ready = false;
std::string SpoolerTest::s_error;

TEST_F(SpoolerTest, OpenPrinterGivesAHandleForKnownPrintersOnly) {
  HANDLE handle = nullptr;
  ASSERT_TRUE(KV_OpenPrinter(kPrinter, &handle, nullptr));
  EXPECT_NE(handle, nullptr);
  UniquePrinter first(handle);

  PRINTER_DEFAULTSA defaults = {nullptr, nullptr, PRINTER_ACCESS_USE};
  handle = nullptr;
  ASSERT_TRUE(KV_OpenPrinter(kLptPrinter, &handle, &defaults));
  UniquePrinter second(handle);
  EXPECT_NE(handle, nullptr);

  handle = nullptr;
  EXPECT_FALSE(KV_OpenPrinter("Spooler Query Test Missing", &handle, nullptr));
  EXPECT_EQ(handle, nullptr);
  EXPECT_FALSE(KV_OpenPrinter("Spooler Query Test Missing", &handle, &defaults));
  EXPECT_EQ(handle, nullptr);
}

TEST_F(SpoolerTest, DriverNameFitsOrIsEmpty) {
  const std::size_t need = std::strlen(kDriver) + 1;
  const struct {
    const char* what;
    const char* printer;
    std::size_t size;
    int result;
    const char* out;
  } cases[] = {
      {"known printer", kPrinter, 260, 1, kDriver},
      {"exact fit", kLptPrinter, need, 1, kDriver},
      {"one byte short", kPrinter, need - 1, 0, ""},
      {"unknown printer", "Spooler Query Test Missing", 260, 0, ""},
      {"empty name", "", 260, 0, ""},
      {"no name", nullptr, 260, 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    char out[260];
    std::memset(out, 'X', sizeof out);
    EXPECT_EQ(GetPrinterDriverName(c.printer, out, c.size), c.result);
    EXPECT_STREQ(out, c.out);
  }
  EXPECT_EQ(GetPrinterDriverName(kPrinter, nullptr, 260), 0);
}

TEST_F(SpoolerTest, DriverAndPortAreCopiedWhereTheyFit) {
  const std::size_t needDriver = std::strlen(kDriver) + 1;
  const struct {
    const char* what;
    const char* printer;
    std::size_t driverSize;
    std::size_t portSize;
    int result;
    const char* driver;
    const char* port;
  } cases[] = {
      {"file port", kPrinter, 260, 260, 1, kDriver, "FILE:"},
      {"parallel port", kLptPrinter, needDriver, 6, 1, kDriver, "LPT1:"},
      {"driver does not fit", kLptPrinter, needDriver - 1, 260, 1, "", "LPT1:"},
      {"port does not fit", kLptPrinter, 260, 5, 1, kDriver, ""},
      {"neither fits", kPrinter, 4, 4, 0, "", ""},
      {"unknown printer", "Spooler Query Test Missing", 260, 260, 0, "", ""},
      {"empty name", "", 260, 260, 0, "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    char driver[260];
    char port[260];
    std::memset(driver, 'X', sizeof driver);
    std::memset(port, 'X', sizeof port);
    EXPECT_EQ(GetPrinterDriverAndPort(c.printer, driver, c.driverSize, port, c.portSize), c.result);
    EXPECT_STREQ(driver, c.driver);
    EXPECT_STREQ(port, c.port);
  }
  char driver[260];
  char port[260];
  EXPECT_EQ(GetPrinterDriverAndPort(kPrinter, driver, sizeof driver, nullptr, 260), 0);
  EXPECT_EQ(GetPrinterDriverAndPort(kPrinter, nullptr, 260, port, sizeof port), 0);
}

bool SetZeltSetting(DWORD type, const void* data, DWORD size) {
  HANDLE handle = nullptr;
  if (!::OpenPrinterA(const_cast<char*>(kScratchPrinter), &handle, nullptr)) return false;
  UniquePrinter printer(handle);
  return ::SetPrinterDataA(printer.Get(), const_cast<char*>("ZELTSetting"), type,
                           static_cast<BYTE*>(const_cast<void*>(data)), size) == ERROR_SUCCESS;
}

TEST_F(SpoolerTest, ZeltSettingOfOneOrAMissingPrinterMeansNotToBeServed) {
  std::string error;
  ASSERT_TRUE(spoolsetup::AddLocalPrinter(kScratchPrinter, kDriver, "FILE:", &error)) << error;
  EXPECT_EQ(IsZeltInvalid(kScratchPrinter), 0) << "no value";
  ASSERT_TRUE(spoolsetup::SetPrinterDword(kScratchPrinter, "ZELTSetting", 1, &error)) << error;
  EXPECT_EQ(IsZeltInvalid(kScratchPrinter), 1);
  ASSERT_TRUE(spoolsetup::SetPrinterDword(kScratchPrinter, "ZELTSetting", 2, &error)) << error;
  EXPECT_EQ(IsZeltInvalid(kScratchPrinter), 0);
  ASSERT_TRUE(spoolsetup::SetPrinterDword(kScratchPrinter, "ZELTSetting", 0x101, &error)) << error;
  EXPECT_EQ(IsZeltInvalid(kScratchPrinter), 0);

  // The type is not asked: four bytes holding 1 count, more than four bytes do not.
  const BYTE four[4] = {1, 0, 0, 0};
  ASSERT_TRUE(SetZeltSetting(REG_BINARY, four, sizeof four));
  EXPECT_EQ(IsZeltInvalid(kScratchPrinter), 1);
  const BYTE eight[8] = {1, 0, 0, 0, 0, 0, 0, 0};
  ASSERT_TRUE(SetZeltSetting(REG_BINARY, eight, sizeof eight));
  EXPECT_EQ(IsZeltInvalid(kScratchPrinter), 0);

  ASSERT_TRUE(spoolsetup::DeleteLocalPrinter(kScratchPrinter, &error)) << error;
  EXPECT_EQ(IsZeltInvalid(kScratchPrinter), 1) << "deleted printer";
  EXPECT_EQ(IsZeltInvalid(""), 0);
  EXPECT_EQ(IsZeltInvalid(nullptr), 0);
}

TEST_F(SpoolerTest, CommandLineIsCompletedFromTheSpooler) {
  // Printer and port but no driver: both come from the spooler, the port replaced.
  CCmdLineInfo partial((std::string("/P \"") + kPrinter + "\" /O \"LPT9:\"").c_str());
  EXPECT_EQ(partial.m_szDriverName, kDriver);
  EXPECT_EQ(partial.m_szPortName, "FILE:");

  // Both given: the spooler is not asked.
  CCmdLineInfo given((std::string("/P \"") + kPrinter + "\" /D \"Other\" /O \"LPT9:\"").c_str());
  EXPECT_EQ(given.m_szDriverName, "Other");
  EXPECT_EQ(given.m_szPortName, "LPT9:");
  EXPECT_EQ(given.CompletePrinterInfo(), 1);

  CCmdLineInfo unknown("/P \"Spooler Query Test Missing\" /O \"LPT9:\"");
  EXPECT_EQ(unknown.m_szPortName, "LPT9:");
  EXPECT_EQ(unknown.CompletePrinterInfo(), 0);

  CCmdLineInfo noPrinter("/O \"LPT9:\"");
  EXPECT_EQ(noPrinter.CompletePrinterInfo(), 0);

  // A parameter file that cannot be read leaves printer data as it is.
  CCmdLineInfo unread;
  unread.m_szCmdLine = std::string("/P \"") + kPrinter + "\" /F \"K_Sspooler_missing.tmp\"";
  EXPECT_EQ(unread.Parse(), 0);
  EXPECT_EQ(unread.m_szDriverName, "");
  EXPECT_EQ(unread.CompletePrinterInfo(), 1);
  EXPECT_EQ(unread.m_szPortName, "FILE:");
}

}  // namespace
