// The spooler set-up that tests and the demo rely on, against Wine's real spooler.
#include "sampledriver/installer/spoolsetup.h"

#include <gtest/gtest.h>
#include <winspool.h>

#include "tests/support/winsupport.h"

using namespace testsupport;

namespace {

constexpr const char kDriver[] = "Spool Setup Test Driver";
constexpr const char kPrinter[] = "Spool Setup Test Printer";

spoolsetup::DriverPackage WriteDummyPackage() { return DummyDriverPackage(kDriver, "SPT", {"SPTEXTRA.INF"}); }

TEST(SpoolSetup, InstallsADriverAddsAPrinterAndRemovesBoth) {
  std::string error;
  ASSERT_TRUE(spoolsetup::DeleteLocalPrinter(kPrinter, &error)) << error;
  ASSERT_TRUE(spoolsetup::RemoveDriver(kDriver, &error)) << error;

  const spoolsetup::DriverPackage package = WriteDummyPackage();
  ASSERT_TRUE(spoolsetup::InstallDriver(package, &error)) << error;
  EXPECT_TRUE(spoolsetup::IsDriverInstalled(kDriver));
  EXPECT_FALSE(spoolsetup::IsDriverInstalled("spool setup test driver"));  // names are exact
  const std::string dir = spoolsetup::DriverDirectory();
  ASSERT_FALSE(dir.empty());
  EXPECT_TRUE(FileExists(dir + "\\SPTDATA.DAT"));
  EXPECT_TRUE(FileExists(dir + "\\SPTEXTRA.INF"));

  ASSERT_TRUE(spoolsetup::AddLocalPrinter(kPrinter, kDriver, "FILE:", &error)) << error;
  EXPECT_TRUE(spoolsetup::LocalPrinterExists(kPrinter));

  // The printer's record names the driver and port it was added with.
  HANDLE h = nullptr;
  ASSERT_TRUE(::OpenPrinterA(const_cast<char*>(kPrinter), &h, nullptr));
  DWORD needed = 0;
  ::GetPrinterA(h, 2, nullptr, 0, &needed);
  std::vector<BYTE> buf(needed);
  ASSERT_TRUE(::GetPrinterA(h, 2, buf.data(), needed, &needed));
  const PRINTER_INFO_2A* info = reinterpret_cast<const PRINTER_INFO_2A*>(buf.data());
  EXPECT_STREQ(info->pDriverName, kDriver);
  EXPECT_STREQ(info->pPortName, "FILE:");

  ASSERT_TRUE(spoolsetup::SetPrinterDword(kPrinter, "ZELTSetting", 1, &error)) << error;
  DWORD value = 0;
  DWORD type = 0;
  EXPECT_EQ(::GetPrinterDataA(h, const_cast<char*>("ZELTSetting"), &type, reinterpret_cast<BYTE*>(&value),
                              sizeof value, &needed),
            static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(value, 1u);
  ASSERT_TRUE(spoolsetup::SetPrinterDword(kPrinter, "ZELTSetting", 0, &error)) << error;
  EXPECT_EQ(::GetPrinterDataA(h, const_cast<char*>("ZELTSetting"), &type, reinterpret_cast<BYTE*>(&value),
                              sizeof value, &needed),
            static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(value, 0u);
  ::ClosePrinter(h);

  ASSERT_TRUE(spoolsetup::DeleteLocalPrinter(kPrinter, &error)) << error;
  EXPECT_FALSE(spoolsetup::LocalPrinterExists(kPrinter));
  ASSERT_TRUE(spoolsetup::RemoveDriver(kDriver, &error)) << error;
  EXPECT_FALSE(spoolsetup::IsDriverInstalled(kDriver));
}

TEST(SpoolSetup, FailuresSayWhy) {
  std::string error;
  EXPECT_FALSE(spoolsetup::AddLocalPrinter("Spool Setup Orphan", "No Such Driver", "FILE:", &error));
  EXPECT_NE(error.find("AddPrinterA"), std::string::npos) << error;
  EXPECT_FALSE(spoolsetup::SetPrinterDword("No Such Printer", "ZELTSetting", 1, &error));
  EXPECT_NE(error.find("No Such Printer"), std::string::npos) << error;
  spoolsetup::DriverPackage missing = WriteDummyPackage();
  missing.configFile = "NOTTHERE.DLL";
  EXPECT_FALSE(spoolsetup::InstallDriver(missing, &error));
  EXPECT_NE(error.find("NOTTHERE.DLL"), std::string::npos) << error;
}

}  // namespace
