// Setup data discovery and lookups through the real spooler, with the sample driver
// installed by drvsetup.exe and two printers added for it.
#include <gtest/gtest.h>
#include <windows.h>
#include <winspool.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "drvdata/driverfiles.h"
#include "drvdata/setupreglookup.h"
#include "drvdata/setupregtable.h"
#include "sampledriver/installer/samplepackage.h"
#include "sampledriver/installer/spoolsetup.h"
#include "tests/support/winsupport.h"

using namespace testsupport;

namespace {

constexpr char kPrinter100[] = "DrvData Test 100";
constexpr char kPrinter200[] = "DrvData Test 200";
constexpr char kNoPrinter[] = "DrvData Test Missing";
constexpr char kNoDriver[] = "KORVA Sample Ink 300";
const char* const kDriver100 = samplepackage::kDriver100;
const char* const kDriver200 = samplepackage::kDriver200;
constexpr char kKey100[] = "Software\\KORVA\\ZELT3\\Driver\\KORVA Sample Ink 100";
constexpr char kKey200[] = "Software\\KORVA\\ZELT3\\Driver\\KORVA Sample Ink 200";
constexpr char kMenu100[] = "Software\\KORVA\\ZELT3\\Driver\\KORVA Sample Ink 100\\Menu";
constexpr char kProfileKey[] = "Software\\KORVA\\ZELT3\\Profile";

std::string Quote(const std::string& s) { return "\"" + s + "\""; }

long Drvsetup(const std::string& args) { return RunProcess(Quote(SiblingPath("drvsetup.exe")) + " " + args); }

// The folder of the printer's driver file, straight from the spooler.
std::string SpoolerDriverDir(const char* printer) {
  HANDLE h = nullptr;
  if (!::OpenPrinterA(const_cast<char*>(printer), &h, nullptr)) return std::string();
  DWORD needed = 0;
  ::GetPrinterDriverA(h, nullptr, 2, nullptr, 0, &needed);
  std::vector<BYTE> buf(needed + 1);
  std::string dir;
  if (needed != 0 && ::GetPrinterDriverA(h, nullptr, 2, buf.data(), needed, &needed)) {
    dir = reinterpret_cast<const DRIVER_INFO_2A*>(buf.data())->pDriverPath;
    dir.erase(dir.find_last_of('\\'));
  }
  ::ClosePrinter(h);
  return dir;
}

// "{dir}" and "{sys}" in an expected value stand for the driver and system directories.
std::string Expand(std::string s, const std::string& dir, const std::string& sys) {
  for (const auto& [mark, value] : {std::pair<std::string, std::string>{"{dir}", dir}, {"{sys}", sys}}) {
    for (std::size_t at; (at = s.find(mark)) != std::string::npos;) s.replace(at, mark.size(), value);
  }
  return s;
}

bool UnderWine() {
  HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// Wine reports this Windows version ("win98", "nt40", ...) to the named program, or the
// prefix's own version again when version is null.
bool SetProgramVersion(const char* program, const char* version) {
  const std::string key = std::string("Software\\Wine\\AppDefaults\\") + program;
  if (version == nullptr) return DeleteRegTree(HKEY_CURRENT_USER, key.c_str());
  return SetRegValue(HKEY_CURRENT_USER, key.c_str(), "Version", REG_SZ, version,
                     static_cast<DWORD>(std::strlen(version) + 1));
}

// drvsetup as a program of Windows 9x: the spooler then works in the 9x environment.
long Drvsetup9x(const std::string& args) {
  if (!SetProgramVersion("drvsetup.exe", "win98")) return -1;
  const long rc = Drvsetup(args);
  SetProgramVersion("drvsetup.exe", nullptr);
  return rc;
}

// No printer, driver or file of the package in either environment.
long RemoveEverything() {
  const long rc = Drvsetup("remove-all");
  return (UnderWine() && Drvsetup9x("remove-all") != 0) ? -1 : rc;
}

class SetupDataTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_EQ(RemoveEverything(), 0);
    ASSERT_EQ(Drvsetup("install"), 0);
    ASSERT_EQ(Drvsetup("add-printer " + Quote(kPrinter100)), 0);
    ASSERT_EQ(Drvsetup("add-printer " + Quote(kPrinter200) + " " + Quote(kDriver200) + " LPT1:"), 0);
    s_dir = SpoolerDriverDir(kPrinter100);
    ASSERT_FALSE(s_dir.empty());
    s_sys = ReadSystemDirectory();
  }
  static void TearDownTestSuite() { RemoveEverything(); }

  static std::string s_dir;
  static std::string s_sys;
};
std::string SetupDataTest::s_dir;
std::string SetupDataTest::s_sys;

TEST_F(SetupDataTest, SampleDriverLiesInTheSpoolerDriverDirectory) {
  // The setup data file travels with the driver's files into the folder the spooler uses.
  EXPECT_EQ(s_dir.rfind(spoolsetup::DriverDirectory(), 0), 0u) << s_dir;
  for (const std::string& file : samplepackage::FileNames()) EXPECT_TRUE(FileExists(s_dir + "\\" + file)) << file;
  EXPECT_EQ(SpoolerDriverDir(kPrinter200), s_dir);
}

TEST_F(SetupDataTest, DriverFilesOfAPrinter) {
  CDriverFiles files;
  for (const auto& [printer, driver] : {std::pair<const char*, const char*>{kPrinter100, kDriver100},
                                        {kPrinter200, kDriver200}}) {
    SCOPED_TRACE(printer);
    ByteString out = "junk";
    EXPECT_TRUE(files.GetDriverName(printer, &out));
    EXPECT_EQ(out, driver);
    EXPECT_TRUE(files.GetDriverDir(printer, &out));
    EXPECT_EQ(out, s_dir);
    EXPECT_TRUE(files.GetDataFile(printer, &out));
    EXPECT_EQ(out, s_dir + "\\KVSMPDRV.DAT");
    EXPECT_TRUE(files.GetSetupFileByPrinter(printer, &out));
    EXPECT_EQ(out, s_dir + "\\KVSMPSET.DAT");
  }
  // A printer that does not exist, or no name: false, and every output emptied.
  for (const char* printer : {kNoPrinter, ""}) {
    SCOPED_TRACE(printer);
    ByteString out = "junk";
    EXPECT_FALSE(files.GetDriverName(printer, &out));
    EXPECT_EQ(out, "");
    out = "junk";
    EXPECT_FALSE(files.GetDriverDir(printer, &out));
    EXPECT_EQ(out, "");
    out = "junk";
    EXPECT_FALSE(files.GetDataFile(printer, &out));
    EXPECT_EQ(out, "");
    out = "junk";
    EXPECT_FALSE(files.GetSetupFileByPrinter(printer, &out));
    EXPECT_EQ(out, "");
  }
  EXPECT_FALSE(files.GetDriverDir(kPrinter100, nullptr));
  EXPECT_FALSE(files.GetSetupFileByPrinter(nullptr, nullptr));
}

TEST_F(SetupDataTest, DriverFilesOfAnInstalledDriver) {
  CDriverFiles files;
  ByteString data = "junk";
  ByteString dir = "junk";
  EXPECT_TRUE(files.GetDriverFilesByName(kDriver200, &data, &dir));
  EXPECT_EQ(data, s_dir + "\\KVSMPDRV.DAT");
  EXPECT_EQ(dir, s_dir);
  ByteString setup = "junk";
  EXPECT_TRUE(files.GetSetupFileByDriver(kDriver200, &setup));
  EXPECT_EQ(setup, s_dir + "\\KVSMPSET.DAT");

  // Driver names are exact, case included; a driver that is not installed has no files.
  for (const char* driver : {"korva sample ink 200", kNoDriver, ""}) {
    SCOPED_TRACE(driver);
    data = dir = setup = "junk";
    EXPECT_FALSE(files.GetDriverFilesByName(driver, &data, &dir));
    EXPECT_EQ(data, "");
    EXPECT_EQ(dir, "");
    EXPECT_FALSE(files.GetSetupFileByDriver(driver, &setup));
    EXPECT_EQ(setup, "");
  }
  EXPECT_FALSE(files.GetDriverFilesByName(kDriver200, &data, nullptr));
}

TEST_F(SetupDataTest, PrinterHandleOpensExistingPrintersOnly) {
  CPrinterHandle printer;
  HANDLE h = INVALID_HANDLE_VALUE;
  EXPECT_EQ(printer.Open(kPrinter100, &h), 1);
  EXPECT_NE(h, nullptr);
  EXPECT_EQ(printer.Get(), h);
  DWORD needed = 0;
  ::GetPrinterA(h, 2, nullptr, 0, &needed);
  EXPECT_GT(needed, 0u);  // the handle works
  h = INVALID_HANDLE_VALUE;
  EXPECT_EQ(printer.Open(kNoPrinter, &h), 0);  // closes the one it held, too
  EXPECT_EQ(h, nullptr);
  EXPECT_EQ(printer.Get(), nullptr);
  h = INVALID_HANDLE_VALUE;
  EXPECT_EQ(printer.Open("", &h), 0);
  EXPECT_EQ(h, nullptr);
  EXPECT_EQ(printer.Open(nullptr, &h), 0);
  EXPECT_EQ(printer.Open(kPrinter100, nullptr), 0);
  printer.Close();
  EXPECT_EQ(printer.Get(), nullptr);
}

struct LookupCase {
  const char* key;
  const char* value;
  const char* expected;  // {dir}: the driver directory
};

TEST_F(SetupDataTest, LookupsByPrinterAndByDriver) {
  const LookupCase cases[] = {
      {kKey100, "ModelID", "KVS100"},
      {kKey200, "ModelID", "KVS200"},  // one file describes both drivers
      {"software\\korva\\zelt3\\driver\\korva sample ink 100", "modelid", "KVS100"},
      {kKey100, "InstallPath", "{dir}"},
      {kKey100, "Profile", "{dir}\\KVSMPDRV.DAT"},
      {kKey100, "K_XRUN", "{dir}\\K_XRUN01.EXE"},  // the NT entry of the pair
      {kKey100, "SMRT_VENRIK", "{dir}\\KVSINK01.DLL"},
      {kKey100, "MapFileName", "KVSampleMapFile_Ink"},
      {kKey100, "DriverVersion", ""},  // number data
      {kKey100, "NoSuchValue", ""},
      {kMenu100, "Separators", "5,7"},
      {kMenu100, "920", "{dir}\\KVSUTY01.DLL /U1"},
      {kMenu100, "923", "{dir}\\KVSUTY01.DLL /U11"},  // XP and later
      {kMenu100, "930", "%sKVSUPD.EXE /check"},
      {kMenu100, "998", ""},
      {kProfileKey, "KVS200", "{dir}\\KVSMPDRV.DAT"},
      {"Software\\KORVA\\ZELT3", "ModelID", ""},  // no such key in the file
  };
  const CSetupRegLookup lookup;
  for (const LookupCase& c : cases) {
    SCOPED_TRACE(std::string(c.key) + " | " + c.value);
    const std::string expected = Expand(c.expected, s_dir, s_sys);
    EXPECT_EQ(lookup.QueryByPrinter(kPrinter100, c.key, c.value), expected);
    EXPECT_EQ(lookup.QueryByPrinter(kPrinter200, c.key, c.value), expected);
    EXPECT_EQ(lookup.QueryByDriver(kDriver100, c.key, c.value), expected);
  }
  // Nothing to look in, or nothing to look for.
  EXPECT_EQ(lookup.QueryByPrinter(kNoPrinter, kKey100, "ModelID"), "");
  EXPECT_EQ(lookup.QueryByDriver(kNoDriver, kKey100, "ModelID"), "");
  EXPECT_EQ(lookup.QueryByDriver("korva sample ink 100", kKey100, "ModelID"), "");
  EXPECT_EQ(lookup.QueryByPrinter("", kKey100, "ModelID"), "");
  EXPECT_EQ(lookup.QueryByPrinter(kPrinter100, "", "ModelID"), "");
  EXPECT_EQ(lookup.QueryByPrinter(kPrinter100, kKey100, ""), "");
  EXPECT_EQ(lookup.QueryByDriver(nullptr, kKey100, "ModelID"), "");
}

TEST_F(SetupDataTest, FullLoadAgreesWithTheLookups) {
  CSetupRegTable table;
  ASSERT_TRUE(table.LoadByPrinter(kPrinter200));
  EXPECT_EQ(table.PathList().GetCount(), 5u);
  EXPECT_EQ(table.FindValue(kKey200, "ModelID"), "KVS200");
  EXPECT_EQ(table.FindValue(kMenu100, "920"), s_dir + "\\KVSUTY01.DLL /U1");
  EXPECT_EQ(table.FindValue(kKey100, "K_XRUN"), s_dir + "\\K_XRUN01.EXE");
  ASSERT_TRUE(table.LoadByDriver(kDriver100));
  EXPECT_EQ(table.FindValue(kProfileKey, "KVS100"), s_dir + "\\KVSMPDRV.DAT");
  // A failed load leaves both lists empty.
  EXPECT_FALSE(table.LoadByPrinter(kNoPrinter));
  EXPECT_TRUE(table.PathList().IsEmpty());
  EXPECT_TRUE(table.EnterList().IsEmpty());
  EXPECT_FALSE(table.LoadByDriver(kNoDriver));
  EXPECT_TRUE(table.EnterList().IsEmpty());
}

TEST_F(SetupDataTest, EveryQueryReadsTheFileAgain) {
  const std::string path = s_dir + "\\KVSMPSET.DAT";
  std::string original;
  ASSERT_TRUE(ReadWholeFile(path, &original));
  const std::string from = "\"ModelID\",\"KVS100\"";
  const std::size_t at = original.find(from);
  ASSERT_NE(at, std::string::npos);
  std::string changed = original;
  changed.replace(at, from.size(), "\"ModelID\",\"KVS100-B\"");
  const CSetupRegLookup lookup;
  EXPECT_EQ(lookup.QueryByPrinter(kPrinter100, kKey100, "ModelID"), "KVS100");
  ASSERT_TRUE(WriteWholeFile(path, changed));
  EXPECT_EQ(lookup.QueryByPrinter(kPrinter100, kKey100, "ModelID"), "KVS100-B");
  ASSERT_TRUE(WriteWholeFile(path, original));
  EXPECT_EQ(lookup.QueryByPrinter(kPrinter100, kKey100, "ModelID"), "KVS100");
}

// Drivers of the test's own, with data files that the sample package does not have.
class OddDataFileTest : public SetupDataTest {
 protected:
  void InstallWithDataFile(const char* driver, const char* dataFile, const std::string& dataFileText) {
    const std::string folder = ScratchFolder("drvdata_test");
    spoolsetup::DriverPackage p = samplepackage::Package(driver, ExeDir());
    p.dependentFiles.clear();
    p.dataFile = dataFile;
    ASSERT_TRUE(::CopyFileA(SiblingPath(p.driverFile.c_str()).c_str(), (folder + "\\" + p.driverFile).c_str(), FALSE));
    ASSERT_TRUE(::CopyFileA(SiblingPath(p.configFile.c_str()).c_str(), (folder + "\\" + p.configFile).c_str(), FALSE));
    ASSERT_TRUE(WriteWholeFile(folder + "\\" + p.dataFile, dataFileText));
    p.sourceDir = folder;
    std::string error;
    ASSERT_TRUE(spoolsetup::InstallDriver(p, &error)) << error;
    m_installed.push_back(driver);
  }
  void TearDown() override {
    for (const std::string& d : m_installed) spoolsetup::RemoveDriver(d.c_str(), nullptr);
    for (const char* f : {"KVTLONG.DAT", "KVTNOKEY.DAT"}) {
      RemoveFileIfPresent(spoolsetup::DriverDirectory() + "\\" + f);
      RemoveFileIfPresent(s_dir + "\\" + f);
    }
  }
  std::vector<std::string> m_installed;
};

TEST_F(OddDataFileTest, SetupFileNameIsCutTo63CharactersAndAMissingKeyFindsNothing) {
  const std::string longName(70, 'L');
  InstallWithDataFile("KORVA DrvData Long", "KVTLONG.DAT", "[User Mode Printer Driver Information]\r\nSADatI=" + longName + "\r\n");
  InstallWithDataFile("KORVA DrvData NoKey", "KVTNOKEY.DAT", "[User Mode Printer Driver Information]\r\nKVDRVIF1=X.DLL\r\n");
  CDriverFiles files;
  ByteString setup;
  EXPECT_TRUE(files.GetSetupFileByDriver("KORVA DrvData Long", &setup));
  EXPECT_EQ(setup, s_dir + "\\" + longName.substr(0, 63));
  setup = "junk";
  EXPECT_FALSE(files.GetSetupFileByDriver("KORVA DrvData NoKey", &setup));
  EXPECT_EQ(setup, "");
  EXPECT_EQ(CSetupRegLookup().QueryByDriver("KORVA DrvData NoKey", kKey100, "ModelID"), "");
}

// The same lookups in a process that Wine reports as another Windows version: the 9x
// branch finds the setup data file through key "52" (in the spooler's 9x environment,
// where the driver is installed for it), and conditions follow the version.
std::map<std::string, std::string> QueryAs(const char* wineVersion, const std::vector<std::string>& queries) {
  std::map<std::string, std::string> result;
  if (!SetProgramVersion("setupquery.exe", wineVersion)) return result;
  const std::string out = TempFolder() + "drvdata_setupquery.txt";
  RemoveFileIfPresent(out);
  std::string cmd = Quote(SiblingPath("setupquery.exe")) + " " + Quote(out) + " " + Quote(kPrinter100) + " " +
                    Quote(kDriver100);
  for (const std::string& q : queries) cmd += " " + Quote(q);
  const long rc = RunProcess(cmd);
  SetProgramVersion("setupquery.exe", nullptr);
  std::string text;
  if (rc != 0 || !ReadWholeFile(out, &text)) return result;
  std::size_t start = 0;
  for (std::size_t nl; start < text.size(); start = nl + 1) {
    nl = text.find('\n', start);
    if (nl == std::string::npos) nl = text.size();
    const std::string line = text.substr(start, nl - start);
    const std::size_t eq = line.find('=');
    if (eq != std::string::npos) result[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return result;
}

struct VersionCase {
  const char* wine;
  const char* platform;
  const char* xrun;      // {sys}: that process's system directory
  const char* venrik;
  const char* autoClean;  // command 923, XP and later only
};

TEST_F(SetupDataTest, PlatformBranchesAndConditionsFollowTheReportedVersion) {
  if (!UnderWine()) GTEST_SKIP() << "the reported version is switched per program by Wine only";
  const VersionCase cases[] = {
      {"win98", "1", "{sys}\\K_XRUN01.EXE", "", ""},
      {"nt40", "2", "{dir}\\K_XRUN01.EXE", "", ""},
      {"win2k", "2", "{dir}\\K_XRUN01.EXE", "{dir}\\KVSINK01.DLL", ""},
      {"winxp", "2", "{dir}\\K_XRUN01.EXE", "{dir}\\KVSINK01.DLL", "{dir}\\KVSUTY01.DLL /U11"},
      {"win7", "2", "{dir}\\K_XRUN01.EXE", "{dir}\\KVSINK01.DLL", "{dir}\\KVSUTY01.DLL /U11"},
  };
  ASSERT_EQ(Drvsetup9x("install"), 0);
  for (const VersionCase& c : cases) {
    SCOPED_TRACE(c.wine);
    auto r = QueryAs(c.wine, {kKey100, "K_XRUN", kKey100, "SMRT_VENRIK", kMenu100, "923", kKey100, "ModelID"});
    ASSERT_FALSE(r.empty()) << "setupquery.exe did not run";
    EXPECT_EQ(r["platform"], c.platform);
    const std::string dir = r["driverdir"];
    const std::string sys = r["sysdir"];
    // The 9x environment keeps its drivers in a folder of its own.
    EXPECT_EQ(dir == s_dir, std::string(c.platform) == "2") << dir;
    EXPECT_EQ(r["setupfile.printer"], dir + "\\KVSMPSET.DAT");
    EXPECT_EQ(r["setupfile.driver"], dir + "\\KVSMPSET.DAT");
    for (const char* via : {"printer:", "driver:"}) {
      const std::string k100 = std::string(via) + kKey100 + "|";
      EXPECT_EQ(r[k100 + "ModelID"], "KVS100") << via;
      EXPECT_EQ(r[k100 + "K_XRUN"], Expand(c.xrun, dir, sys)) << via;
      EXPECT_EQ(r[k100 + "SMRT_VENRIK"], Expand(c.venrik, dir, sys)) << via;
      EXPECT_EQ(r[std::string(via) + kMenu100 + "|923"], Expand(c.autoClean, dir, sys)) << via;
    }
  }
}

}  // namespace
