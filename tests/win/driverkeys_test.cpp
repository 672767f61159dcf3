// Driver key and data-file lookups through the real spooler: a test driver whose setup
// data the tests rewrite between cases (nothing is cached, so every lookup reads it anew).
#include "settings/driverkeys.h"

#include <gtest/gtest.h>

#include <string>

#include "sampledriver/installer/samplepackage.h"
#include "sampledriver/installer/spoolsetup.h"
#include "tests/support/agenttest.h"
#include "tests/support/winsupport.h"

using namespace testsupport;

namespace {

constexpr const char kDriver[] = "DriverKeys Test Driver";
constexpr const char kPrinter[] = "DriverKeys Test Printer";
constexpr const char kModel[] = "DKT1";

class DriverKeys : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string error;
    spoolsetup::DeleteLocalPrinter(kPrinter, nullptr);
    spoolsetup::RemoveDriver(kDriver, nullptr);
    spoolsetup::DriverPackage p;
    p.name = kDriver;
    p.sourceDir = ScratchFolder("driverkeys_driver");
    // The sample's real driver and configuration libraries (the spooler calls the latter
    // when a printer is added); our own data file naming our own setup data.
    p.driverFile = samplepackage::kDriverFile;
    p.configFile = samplepackage::kConfigFile;
    p.dataFile = "DKTDRV.DAT";
    ::CopyFileA(SiblingPath(p.driverFile.c_str()).c_str(), (p.sourceDir + "\\" + p.driverFile).c_str(), FALSE);
    ::CopyFileA(SiblingPath(p.configFile.c_str()).c_str(), (p.sourceDir + "\\" + p.configFile).c_str(), FALSE);
    WriteWholeFile(p.sourceDir + "\\DKTDRV.DAT", "[User Mode Printer Driver Information]\r\nSADatI=DKTSET.DAT\r\n");
    ASSERT_TRUE(spoolsetup::InstallDriver(p, &error)) << error;
    ASSERT_TRUE(spoolsetup::AddLocalPrinter(kPrinter, kDriver, "FILE:", &error)) << error;
  }
  static void TearDownTestSuite() {
    spoolsetup::DeleteLocalPrinter(kPrinter, nullptr);
    spoolsetup::RemoveDriver(kDriver, nullptr);
  }

  void SetUp() override {
    m_install = ScratchFolder("dkt_install");
    RemoveFileIfPresent(m_install + "\\K_XRUN01.EXE");
    RemoveFileIfPresent(m_install + "\\DKT.DAT");
  }

  // Writes the driver's setup data: the given REGENTER lines below the driver key (DRV)
  // and the profile key (PROFILE).
  void WriteSetupData(const std::string& entries) {
    const std::string text =
        "[Install]\r\n"
        "REGPATH=DRV,\"HKEY_LOCAL_MACHINE\\Software\\KORVA\\ZELT3\\Driver\\DriverKeys Test Driver\"\r\n"
        "REGPATH=PROFILE,\"HKEY_LOCAL_MACHINE\\Software\\KORVA\\ZELT3\\Profile\"\r\n"
        "REGENTER=DRV,\"ModelID\",\"DKT1\"\r\n" +
        entries;
    const std::string folder = spoolsetup::InstalledDriverFolder(kDriver);
    ASSERT_FALSE(folder.empty());
    ASSERT_TRUE(WriteWholeFile(folder + "\\DKTSET.DAT", text));
  }
  std::string Entry(const char* key, const char* name, const std::string& value) {
    return std::string("REGENTER=") + key + ",\"" + name + "\",\"" + value + "\"\r\n";
  }

  std::string m_install;
  char m_out[260] = {};
};

TEST_F(DriverKeys, ModelIdComesOnlyFromThePrinter) {
  WriteSetupData("");
  ByteString model = "stale";
  EXPECT_EQ(GetDriverModelID(kPrinter, kDriver, model), 1);
  EXPECT_EQ(model, kModel);
  EXPECT_EQ(GetDriverModelID("", kDriver, model), 1);
  EXPECT_EQ(model, "");
  EXPECT_EQ(GetDriverModelID("No Such Printer", kDriver, model), 1);
  EXPECT_EQ(model, "");
  // The driver's own data is used when no printer is named.
  EXPECT_EQ(GetDriverKeyValue(m_out, sizeof m_out, "ModelID", kDriver, kModel, ""), 1);
  EXPECT_STREQ(m_out, kModel);
  EXPECT_EQ(GetDriverKeyValue(m_out, sizeof m_out, "ModelID", kDriver, "", kPrinter), 0) << "model required";
  char tiny[4];
  EXPECT_EQ(GetDriverKeyValue(tiny, sizeof tiny, "ModelID", kDriver, kModel, kPrinter), 0) << "does not fit";
}

TEST_F(DriverKeys, InstallPathEndsInExactlyOneBackslash) {
  for (const std::string& value : {m_install, m_install + "\\"}) {
    SCOPED_TRACE(value);
    WriteSetupData(Entry("DRV", "InstallPath", value));
    EXPECT_EQ(GetInstallPath(m_out, sizeof m_out, kDriver, kModel, kPrinter), 1);
    EXPECT_EQ(std::string(m_out), m_install + "\\");
  }
  WriteSetupData(Entry("DRV", "InstallPath", m_install + "\\missing"));
  EXPECT_EQ(GetInstallPath(m_out, sizeof m_out, kDriver, kModel, kPrinter), 0);
  EXPECT_STREQ(m_out, "");
}

TEST_F(DriverKeys, LauncherFallsBackToTheDefaultInTheInstallFolder) {
  WriteSetupData(Entry("DRV", "InstallPath", m_install) + Entry("DRV", "K_XRUN", m_install + "\\GONE.EXE"));
  EXPECT_EQ(GetLauncherPath(m_out, sizeof m_out, kDriver, kModel, kPrinter), 0) << "no default file either";
  ASSERT_TRUE(WriteWholeFile(m_install + "\\K_XRUN01.EXE", "launcher"));
  EXPECT_EQ(GetLauncherPath(m_out, sizeof m_out, kDriver, kModel, kPrinter), 1);
  EXPECT_EQ(std::string(m_out), m_install + "\\K_XRUN01.EXE");
  // A value that names an existing file wins.
  ASSERT_TRUE(WriteWholeFile(m_install + "\\OTHER.EXE", "other"));
  WriteSetupData(Entry("DRV", "InstallPath", m_install) + Entry("DRV", "K_XRUN", m_install + "\\OTHER.EXE"));
  EXPECT_EQ(GetLauncherPath(m_out, sizeof m_out, kDriver, kModel, kPrinter), 1);
  EXPECT_EQ(std::string(m_out), m_install + "\\OTHER.EXE");
}

TEST_F(DriverKeys, DataFileFromProfileElseFromTheProfileKeyUntested) {
  const std::string dat = m_install + "\\DKT.DAT";
  ASSERT_TRUE(WriteWholeFile(dat, "[DKT1]\r\n"));
  WriteSetupData(Entry("DRV", "InstallPath", m_install) + Entry("DRV", "Profile", dat) +
                 Entry("PROFILE", "DKT1", "C:\\elsewhere\\DKT.DAT"));
  EXPECT_EQ(GetDatPath(m_out, sizeof m_out, kDriver, kModel, kPrinter), 1);
  EXPECT_EQ(std::string(m_out), dat);

  WriteSetupData(Entry("DRV", "InstallPath", m_install) + Entry("DRV", "Profile", m_install + "\\NONE.DAT") +
                 Entry("PROFILE", "DKT1", "C:\\elsewhere\\DKT.DAT"));
  EXPECT_EQ(GetDatPath(m_out, sizeof m_out, kDriver, kModel, kPrinter), 1);
  EXPECT_STREQ(m_out, "C:\\elsewhere\\DKT.DAT");
  EXPECT_EQ(GetDatPath(m_out, sizeof m_out, kDriver, kModel, ""), 1) << "the driver's data, no printer";
  EXPECT_STREQ(m_out, "C:\\elsewhere\\DKT.DAT");

  WriteSetupData(Entry("DRV", "Profile", m_install + "\\NONE.DAT"));
  EXPECT_EQ(GetDatPath(m_out, sizeof m_out, kDriver, kModel, kPrinter), 0);
  EXPECT_STREQ(m_out, "");
  EXPECT_EQ(GetDatPath(m_out, sizeof m_out, kDriver, "", kPrinter), 0);
}

struct LibraryCase {
  const char* what;
  std::size_t nameLength;  // of the "PrnDll" value
  bool withInstallFolder;
  bool found;
};

TEST_F(DriverKeys, ModelLibrariesAreNamedInTheModelSection) {
  const std::string dat = m_install + "\\DKT.DAT";
  const LibraryCase cases[] = {
      {"plain name, install folder", 12, true, true},
      {"257 characters", 257, true, false},  // fits the profile buffer but not the joined path
      {"258 characters: cut short", 258, false, false},
      {"300 characters: cut short", 300, false, false},
      {"no install folder: current folder", 12, false, true},
  };
  for (const LibraryCase& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string name = std::string(c.nameLength - 4, 'P') + ".DLL";
    ASSERT_TRUE(WriteWholeFile(dat, "[DKT1]\r\nPrnDll=" + name + "\r\nBmpDll=KVSBMP.DLL\r\n"));
    WriteSetupData((c.withInstallFolder ? Entry("DRV", "InstallPath", m_install) : std::string()) +
                   Entry("PROFILE", "DKT1", dat));
    const std::string folder = c.withInstallFolder ? m_install + "\\" : std::string(".\\");
    EXPECT_EQ(GetPrnDllPath(m_out, sizeof m_out, kDriver, kModel, kPrinter), c.found ? 1 : 0);
    if (c.found) EXPECT_EQ(std::string(m_out), folder + name);
    EXPECT_EQ(GetBmpDllPath(m_out, sizeof m_out, kDriver, kModel, kPrinter), 1);
    EXPECT_EQ(std::string(m_out), folder + "KVSBMP.DLL");
  }
  // The longest name that is read whole still makes a path with ".\".
  ASSERT_TRUE(WriteWholeFile(dat, "[DKT1]\r\nPrnDll=" + std::string(257, 'Q') + "\r\n"));
  WriteSetupData(Entry("PROFILE", "DKT1", dat));
  EXPECT_EQ(GetPrnDllPath(m_out, sizeof m_out, kDriver, kModel, kPrinter), 1);
  EXPECT_EQ(std::string(m_out), ".\\" + std::string(257, 'Q'));
}

TEST(DriverKeysFiles, FileExistsForFilesAndFoldersButNotATrailingBackslash) {
  const std::string folder = ScratchFolder("dkt_exists");
  ASSERT_TRUE(WriteWholeFile(folder + "\\f.txt", "x"));
  EXPECT_EQ(FileExists((folder + "\\f.txt").c_str()), 1);
  EXPECT_EQ(FileExists(folder.c_str()), 1);
  EXPECT_EQ(FileExists((folder + "\\").c_str()), 0);
  EXPECT_EQ(FileExists((folder + "\\none.txt").c_str()), 0);
  EXPECT_EQ(FileExists(""), 0);
  EXPECT_EQ(FileExists(nullptr), 0);
}

}  // namespace
