// Binding the driver information library: the kinds, the common rule, the version gate,
// and the calls through the table, with our sample library and Wine's real spooler.
#include "drvinfo/drvinfolib.h"

#include <gtest/gtest.h>

#include <string>

#include "sampledriver/installer/spoolsetup.h"
#include "tests/support/winsupport.h"

using namespace testsupport;

namespace {

constexpr const char kDriver[] = "DrvInfo Test Driver";
constexpr const char kPrinter[] = "DrvInfo Test Printer";
constexpr const char kTestKey[] = "Software\\trayagent-tests\\drvinfo";

bool CopyLibrary(const char* builtName, const std::string& to) {
  return ::CopyFileA(SiblingPath(builtName).c_str(), to.c_str(), FALSE) != 0;
}

LONG CallCount(int ordinal) {
  HMODULE lib = ::GetModuleHandleA("K_DRVIF1.DLL");
  if (lib == nullptr) return -1;
  using Fn = LONG(WINAPI*)(int);
  const Fn fn = reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(::GetProcAddress(lib, "DrvIfGetCallCount")));
  return fn != nullptr ? fn(ordinal) : -1;
}

class DrvInfoBinding : public ::testing::Test {
 protected:
  void TearDown() override { ReleaseDriverInfoLibrary(); }
};

TEST_F(DrvInfoBinding, ByLibraryPathBindsOnceAndRoutesKeyCalls) {
  ASSERT_EQ(BindDriverInfoLibrary(kDrvInfoByLibrary, SiblingPath("K_DRVIF1.DLL").c_str()), 1);
  EXPECT_TRUE(g_fDrvInfoBound);
  // Later requests report the binding without looking anything up.
  EXPECT_EQ(BindDriverInfoLibrary(kDrvInfoByLibrary, "C:\\no such folder\\none.dll"), 1);

  HKEY key = nullptr;
  DWORD disposition = 0;
  ASSERT_EQ(DrvIfCreateKey(HKEY_CURRENT_USER, kTestKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(DrvIfCloseKey(key), ERROR_SUCCESS);
  ASSERT_EQ(DrvIfOpenKey(HKEY_CURRENT_USER, kTestKey, 0, KEY_READ, &key), ERROR_SUCCESS);
  EXPECT_EQ(DrvIfCloseKey(key), ERROR_SUCCESS);
  EXPECT_EQ(CallCount(1), 1);
  EXPECT_EQ(CallCount(3), 1);
  EXPECT_EQ(CallCount(7), 2);

  ReleaseDriverInfoLibrary();
  EXPECT_FALSE(g_fDrvInfoBound);
  EXPECT_EQ(::GetModuleHandleA("K_DRVIF1.DLL"), nullptr) << "the library is unloaded";
  EXPECT_EQ(DrvIfOpenKey(HKEY_CURRENT_USER, kTestKey, 0, KEY_READ, &key), ERROR_INVALID_ACCESS);
  EXPECT_EQ(DrvIfCloseKey(nullptr), ERROR_INVALID_ACCESS);
}

TEST_F(DrvInfoBinding, MissingOrUnloadableLibraryFails) {
  EXPECT_EQ(BindDriverInfoLibrary(kDrvInfoByLibrary, "C:\\no such folder\\K_DRVIF1.DLL"), -1);
  EXPECT_FALSE(g_fDrvInfoBound);
  const std::string notADll = ScratchFolder("drvinfo_notdll") + "\\K_DRVIF1.DLL";
  ASSERT_TRUE(WriteWholeFile(notADll, "not a library"));
  EXPECT_EQ(BindDriverInfoLibrary(kDrvInfoByLibrary, notADll.c_str()), -1);
  EXPECT_EQ(BindDriverInfoLibrary(kDrvInfoByLibrary, nullptr), -1);
  EXPECT_EQ(BindDriverInfoLibrary(9, "x"), -1);
  HKEY key = nullptr;
  EXPECT_EQ(DrvIfOpenKey(HKEY_CURRENT_USER, kTestKey, 0, KEY_READ, &key), ERROR_INVALID_ACCESS);
  ReleaseDriverInfoLibrary();  // nothing was bound: nothing happens
  EXPECT_FALSE(g_fDrvInfoBound);
}

TEST_F(DrvInfoBinding, LibraryMissingAnOrdinalBindsWithAnEmptyTable) {
  ASSERT_EQ(BindDriverInfoLibrary(kDrvInfoByLibrary, SiblingPath("K_DRVIF1_NO20.DLL").c_str()), 1);
  EXPECT_TRUE(g_fDrvInfoBound);
  HKEY key = nullptr;
  DWORD disposition = 0;
  EXPECT_EQ(DrvIfOpenKey(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &key), ERROR_INVALID_ACCESS);
  EXPECT_EQ(DrvIfCreateKey(HKEY_CURRENT_USER, kTestKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, &disposition),
            ERROR_INVALID_ACCESS);
  EXPECT_EQ(DrvIfCloseKey(key), ERROR_INVALID_ACCESS);
}

// A bare name is found in the current folder; that very file is loaded, not another of
// the same name along the DLL search path (which starts with the program's folder, where
// the complete sample library lies).
TEST_F(DrvInfoBinding, LoadsTheFileThatWasFoundNotANamesake) {
  const std::string dir = ScratchFolder("drvinfo_cwd");
  ASSERT_TRUE(CopyLibrary("K_DRVIF1_NO20.DLL", dir + "\\K_DRVIF1.DLL"));
  char previous[MAX_PATH] = {};
  ::GetCurrentDirectoryA(MAX_PATH, previous);
  ASSERT_TRUE(::SetCurrentDirectoryA(dir.c_str()));
  const int result = BindDriverInfoLibrary(kDrvInfoByLibrary, "K_DRVIF1.DLL");
  ::SetCurrentDirectoryA(previous);
  ASSERT_EQ(result, 1);
  HKEY key = nullptr;
  EXPECT_EQ(DrvIfOpenKey(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &key), ERROR_INVALID_ACCESS)
      << "the incomplete library in the current folder was bound";
}

// The data file's "KVDRVIF1" value, or K_DRVIF1.DLL, in the data file's folder.
struct DataFileCase {
  const char* what;
  const char* profile;         // data file contents
  const char* libraryName;     // where the sample library is copied ("" = nowhere)
  bool defaultLibraryPresent;  // K_DRVIF1.DLL copied beside it too
  int expected;
};

TEST_F(DrvInfoBinding, ByDataFileFollowsTheCommonRule) {
  const DataFileCase cases[] = {
      {"named library", "[User Mode Printer Driver Information]\r\nKVDRVIF1=MYDRVIF.DLL\r\n", "MYDRVIF.DLL", false, 1},
      {"no key: default name", "[User Mode Printer Driver Information]\r\nSADatI=X.SET\r\n", "", true, 1},
      {"no section: default name", "[Other]\r\nKVDRVIF1=MYDRVIF.DLL\r\n", "", true, 1},
      {"named library missing, default present",
       "[User Mode Printer Driver Information]\r\nKVDRVIF1=GONE.DLL\r\n", "", true, -1},
      {"nothing there", "[User Mode Printer Driver Information]\r\n", "", false, -1},
  };
  int n = 0;
  for (const DataFileCase& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string dir = ScratchFolder("drvinfo_case" + std::to_string(n++));
    RemoveFileIfPresent(dir + "\\K_DRVIF1.DLL");
    const std::string dataFile = dir + "\\SAMPLE.DAT";
    ASSERT_TRUE(WriteWholeFile(dataFile, c.profile));
    if (c.libraryName[0] != '\0') ASSERT_TRUE(CopyLibrary("K_DRVIF1.DLL", dir + "\\" + c.libraryName));
    if (c.defaultLibraryPresent) ASSERT_TRUE(CopyLibrary("K_DRVIF1.DLL", dir + "\\K_DRVIF1.DLL"));
    EXPECT_EQ(BindDriverInfoLibrary(kDrvInfoByDataFile, dataFile.c_str()), c.expected);
    ReleaseDriverInfoLibrary();
  }
}

class DrvInfoSpooler : public DrvInfoBinding {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(spoolsetup::DeleteLocalPrinter(kPrinter, &error)) << error;
    ASSERT_TRUE(spoolsetup::RemoveDriver(kDriver, &error)) << error;
    spoolsetup::DriverPackage p = DummyDriverPackage(kDriver, "DIT", {"DITIF.DLL"});
    ASSERT_TRUE(WriteWholeFile(p.sourceDir + "\\DITDATA.DAT",
                               "[User Mode Printer Driver Information]\r\nKVDRVIF1=DITIF.DLL\r\n"));
    ASSERT_TRUE(CopyLibrary("K_DRVIF1.DLL", p.sourceDir + "\\DITIF.DLL"));
    ASSERT_TRUE(spoolsetup::InstallDriver(p, &error)) << error;
    ASSERT_TRUE(spoolsetup::AddLocalPrinter(kPrinter, kDriver, "FILE:", &error)) << error;
  }
  void TearDown() override {
    DrvInfoBinding::TearDown();
    spoolsetup::DeleteLocalPrinter(kPrinter, nullptr);
    spoolsetup::RemoveDriver(kDriver, nullptr);
  }
};

TEST_F(DrvInfoSpooler, ByDriverNameIgnoringCase) {
  EXPECT_EQ(BindDriverInfoLibrary(kDrvInfoByDriver, "drvinfo test DRIVER"), 1);
  EXPECT_NE(::GetModuleHandleA("DITIF.DLL"), nullptr) << "the library the data file names";
}

TEST_F(DrvInfoSpooler, ByPrinterName) {
  EXPECT_EQ(BindDriverInfoLibrary(kDrvInfoByPrinter, kPrinter), 1);
  EXPECT_NE(::GetModuleHandleA("DITIF.DLL"), nullptr);
}

TEST_F(DrvInfoSpooler, UnknownDriverOrPrinterFails) {
  // No directory is known, so the bare default name is searched in the current folder.
  EXPECT_EQ(BindDriverInfoLibrary(kDrvInfoByDriver, "No Such Driver"), -1);
  EXPECT_EQ(BindDriverInfoLibrary(kDrvInfoByPrinter, "No Such Printer"), -1);
}

// The version gate needs a process of its own per reported version.
bool RunningUnderWine() { return ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr; }

TEST(DrvInfoVersionGate, OnlyNt5AndLaterBind) {
  if (!RunningUnderWine()) GTEST_SKIP() << "the reported version is set through Wine's per-program settings";
  constexpr const char kAppKey[] = "Software\\Wine\\AppDefaults\\drvinfo_probe.exe";
  const struct {
    const char* version;
    long exitCode;
  } cases[] = {{"win98", 10}, {"nt40", 10}, {"win2k", 11}, {"winxp", 11}, {"win7", 11}};
  const std::string cmd = "\"" + SiblingPath("drvinfo_probe.exe") + "\" 4 \"" + SiblingPath("K_DRVIF1.DLL") + "\"";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.version);
    ASSERT_TRUE(SetRegValue(HKEY_CURRENT_USER, kAppKey, "Version", REG_SZ, c.version,
                            static_cast<DWORD>(std::string(c.version).size() + 1)));
    EXPECT_EQ(RunProcess(cmd), c.exitCode);
  }
  DeleteRegTree(HKEY_CURRENT_USER, kAppKey);
}

}  // namespace
