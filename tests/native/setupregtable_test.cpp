// Registry description of a setup data file: conditions, directory macros, the path and
// value entries, and the one-pass lookup, which must always agree with the lists.
#include "drvdata/setupregtable.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "drvdata/driverpaths.h"

namespace {

constexpr OsVersion kWin98{1, 4, 10};
constexpr OsVersion kNt40{2, 4, 0};
constexpr OsVersion kWin2000{2, 5, 0};
constexpr OsVersion kWinXp{2, 5, 1};
constexpr OsVersion kVista{2, 6, 0};
constexpr OsVersion kWin7{2, 6, 1};
const OsVersion kVersions[] = {kWin98, kNt40, kWin2000, kWinXp, kVista, kWin7};

TEST(SetupConditions, EveryTokenOnEverySystem) {
  // One character per system, in the order of kVersions: 9x, NT 4.0, 5.0, 5.1, 6.0, 6.1.
  const std::pair<const char*, const char*> cases[] = {
      {"", "111111"},        {"ALL", "111111"},        {"all", "111111"},     {"WIN9X", "100000"},
      {"win9x", "100000"},   {"WINNT", "011111"},      {"WINNT40", "010000"}, {"WIN2000", "001111"},
      {"WIN2KLATER", "000111"}, {"Win2kLater", "000111"}, {"BUILD32", "111111"}, {"BUILD64", "000000"},
      {"WIN95", "000000"},   {"\"WINNT\"", "000000"},  {"WINNT 40", "000000"},
  };
  for (const auto& c : cases) {
    std::string got;
    for (const OsVersion& v : kVersions) got += IsSetupConditionMet(c.first, v) ? '1' : '0';
    EXPECT_EQ(got, c.second) << "token \"" << c.first << "\"";
  }
  // NT 3.51 and a record that could not be read.
  EXPECT_TRUE(IsSetupConditionMet("WINNT", OsVersion{2, 3, 51}));
  EXPECT_FALSE(IsSetupConditionMet("WINNT40", OsVersion{2, 3, 51}));
  EXPECT_FALSE(IsSetupConditionMet("WIN2000", OsVersion{2, 3, 51}));
  EXPECT_FALSE(IsSetupConditionMet("WIN9X", OsVersion{}));
  EXPECT_FALSE(IsSetupConditionMet("WINNT", OsVersion{}));
  EXPECT_TRUE(IsSetupConditionMet("ALL", OsVersion{}));
}

struct MacroCase {
  const char* value;
  const char* driverDir;
  const char* systemDir;
  const char* expanded;
};

TEST(SetupMacros, ExpandDirMacroAcceptsExactlyTheDocumentedForms) {
  const char* d = "C:\\drv";
  const char* s = "C:\\WINDOWS\\system32";
  const MacroCase cases[] = {
      {"DRIVERDIR", d, s, "C:\\drv"},
      {"driverdir", d, s, "C:\\drv"},  // a bare macro in any case
      {"SystemDir", d, s, "C:\\WINDOWS\\system32"},
      {"\"plain text\"", d, s, "plain text"},
      {"plain", d, s, ""},  // string data without a macro must be quoted
      {"DRIVERDIR+\"\\a.dll\"", d, s, "C:\\drv\\a.dll"},
      {"SYSTEMDIR+\"\\b.exe /x\"", d, s, "C:\\WINDOWS\\system32\\b.exe /x"},
      {"DRIVERDIR+\"  \\a.dll \"", d, s, "C:\\drv\\a.dll"},  // the quoted part is trimmed
      {"x y DRIVERDIR+\"\\a\"", d, s, "C:\\drv\\a"},        // text before the macro is ignored
      {"DRIVERDIR+\"a\"", d, s, "C:\\drva"},                 // no separator is put in
      {"driverdir+\"\\a\"", d, s, ""},                       // the macro of a longer form is in capitals
      {"DRIVERDIR +\"\\a\"", d, s, ""},
      {"DRIVERDIR+ \"\\a\"", d, s, ""},
      {"DRIVERDIR+\"\\a\" x", d, s, ""},
      {"DRIVERDIR+\"\"", d, s, ""},
      {"DRIVERDIR+\"  \"", d, s, ""},
      {"DRIVERDIR\\a", d, s, ""},
      {"SYSTEMDIR+\"\\DRIVERDIR\"", d, s, ""},  // DRIVERDIR is searched first
      {"\"a DRIVERDIR+\"\\b\"", d, s, "C:\\drv\\b"},
      {"DRIVERDIR", "", s, ""},  // no driver directory: nothing is expanded
      {"\"plain\"", "", s, ""},
      {"SYSTEMDIR", d, "", ""},
      {"SYSTEMDIR+\"\\b.exe\"", d, "", ""},
      {"", d, s, ""},
  };
  for (const MacroCase& c : cases) {
    SCOPED_TRACE(c.value);
    CSetupRegTable table;
    SetupEnvironment env;
    env.systemDir = c.systemDir;
    table.SetEnvironment(env);
    EXPECT_EQ(table.ExpandDirMacro(c.value, c.driverDir), c.expanded);
  }
}

// The answer of the lists (as a load builds them) and of the one-pass lookup; they must
// agree, so every query below checks both.
std::string Answer(const std::string& content, const OsVersion& version, const char* dir, const char* key,
                   const char* name) {
  SetupEnvironment env;
  env.version = version;
  env.systemDir = "C:\\WINDOWS\\system32";
  CSetupFile file;
  EXPECT_TRUE(file.OpenBytes(content.data(), content.size()));
  CSetupRegTable table;
  table.SetEnvironment(env);
  std::string fromLists;
  if (table.ReadPathEntries(&file) && table.ReadEnterEntriesInDir(dir, &file)) fromLists = table.FindValue(key, name);
  const std::string oneByOne = table.FindValueInFile(&file, dir, key, name);
  EXPECT_EQ(oneByOne, fromLists) << "one-pass lookup disagrees for " << key << " / " << name;
  return fromLists;
}

const char kInstall[] =
    "; setup data of a test driver\r\n"
    "[Version]\r\n"
    "Signature=\"$Windows NT$\"\r\n"
    "[Install]\r\n"
    "REGPATH=DRV,\"HKEY_LOCAL_MACHINE\\Software\\KORVA\\ZELT3\\Driver\\Ink A\"\r\n"
    "REGPATH=MENU,\"HKEY_LOCAL_MACHINE\\Software\\KORVA\\ZELT3\\Driver\\Ink A\\Menu\"\r\n"
    "REGPATH=NOPREFIX,\"Software\\KORVA\\NoPrefix\"\r\n"
    "REGPATH=UNQUOTED,HKEY_LOCAL_MACHINE\\Software\\KORVA\\Unquoted\r\n"
    "REGPATH=,\"HKEY_LOCAL_MACHINE\\Software\\KORVA\\NoId\"\r\n"
    "REGPATH=ROOTONLY,\"HKEY_LOCAL_MACHINE\\\"\r\n"
    "REGPATH=DUP,\"HKEY_LOCAL_MACHINE\\Software\\KORVA\\ZELT3\\Driver\\Ink A\"\r\n"
    "REGENTER=DRV,\"ModelID\",\"KVS100\"\r\n"
    "REGENTER=DRV,\"InstallPath\",DRIVERDIR\r\n"
    "REGENTER=DRV,\"Profile\",DRIVERDIR+\"\\KVS.DAT\"\r\n"
    "REGENTER=DRV,\"Version\",0x00010002\r\n"
    "REGENTER=DRV,\"Map\",\"Map9x\",WIN9X\r\n"
    "REGENTER=DRV,\"Map\",\"MapNT\",WINNT\r\n"
    "REGENTER=DRV,\"Both\",\"first\"\r\n"
    "REGENTER=DRV,\"Both\",\"second\"\r\n"
    "REGENTER=DRV,\"Apart\",\"first\"\r\n"
    "REGENTER=DRV,\"Other\",\"x\"\r\n"
    "REGENTER=DRV,\"Apart\",\"second\"\r\n"
    "REGENTER=DRV,\"Mixed\",\"9x or XP+\",WIN9X,WIN2KLATER\r\n"
    "REGENTER=DRV,\"StopAtEmpty\",\"kept\",,BUILD64\r\n"
    "REGENTER=DRV,\"Never\",\"x\",BUILD64\r\n"
    "REGENTER=DUP,\"OnlyDup\",\"x\"\r\n"
    "REGENTER=NOPREFIX,\"Dropped\",\"x\"\r\n"
    "REGENTER=MENU,\"920\",DRIVERDIR+\"\\UTY.DLL /U1\"\r\n"
    "REGENTER=DRV,\"TextOr9x\",\"text\",WIN9X\r\n"
    "REGENTER=DRV,\"TextOr9x\",5,WINNT\r\n"
    "REGENTER=DRV,\"CaseRun\",\"a\"\r\n"
    "REGENTER=DRV,\"CASERUN\",\"b\"\r\n"
    "REGENTER=DRV,\"DroppedBetween\",\"first\"\r\n"
    "REGENTER=DRV,\"Unseen\",\"x\",WIN95\r\n"
    "REGENTER=DRV,\"DroppedBetween\",\"second\"\r\n"
    "REGENTER=DRV,\"Quote\",\"say \"\"hi\"\"\"\r\n"
    "REGENTER=DRV,\"BadMacro\",driverdir+\"\\x\"\r\n"
    "REGENTER=DRV,\"BadMacro\",\"fallback\",WIN9X\r\n"
    "REGENTER=DRV,,\"no name\"\r\n"
    "REGENTER=DRV,\"NoData\",\r\n"
    "REGENTER=DRV,\"Unquoted\",text\r\n"
    "[Strings]\r\n"
    "REGENTER=DRV,\"Outside\",\"x\"\r\n";

struct QueryCase {
  const char* what;
  OsVersion version;
  const char* key;
  const char* name;
  const char* value;
};

TEST(SetupRegTable, LookupsByKeyPathAndValueName) {
  const char* drv = "Software\\KORVA\\ZELT3\\Driver\\Ink A";
  const char* menu = "Software\\KORVA\\ZELT3\\Driver\\Ink A\\Menu";
  const QueryCase cases[] = {
      {"quoted string", kWinXp, drv, "ModelID", "KVS100"},
      {"key path and value name ignore case", kWinXp, "software\\korva\\zelt3\\DRIVER\\ink a", "modelid", "KVS100"},
      {"bare macro", kWinXp, drv, "InstallPath", "C:\\drv"},
      {"macro with a path", kWinXp, drv, "Profile", "C:\\drv\\KVS.DAT"},
      {"number data is never returned", kWinXp, drv, "Version", ""},
      {"alternatives in a row: NT", kWinXp, drv, "Map", "MapNT"},
      {"alternatives in a row: 9x", kWin98, drv, "Map", "Map9x"},
      {"both apply: the second replaces the first", kWinXp, drv, "Both", "second"},
      {"repeats apart: the first is found", kWinXp, drv, "Apart", "first"},
      {"9x or XP and later: 9x", kWin98, drv, "Mixed", "9x or XP+"},
      {"9x or XP and later: NT 4.0", kNt40, drv, "Mixed", ""},
      {"9x or XP and later: 2000", kWin2000, drv, "Mixed", ""},
      {"9x or XP and later: XP", kWinXp, drv, "Mixed", "9x or XP+"},
      {"9x or XP and later: 7", kWin7, drv, "Mixed", "9x or XP+"},
      {"conditions end at the first empty field", kWinXp, drv, "StopAtEmpty", "kept"},
      {"a condition that never holds", kWinXp, drv, "Never", ""},
      {"only the first path entry of a key counts", kWinXp, drv, "OnlyDup", ""},
      {"path without the root prefix is dropped", kWinXp, "Software\\KORVA\\NoPrefix", "Dropped", ""},
      {"unquoted path is dropped", kWinXp, "Software\\KORVA\\Unquoted", "x", ""},
      {"menu key", kWinXp, menu, "920", "C:\\drv\\UTY.DLL /U1"},
      {"the menu key is not the driver key", kWinXp, menu, "ModelID", ""},
      {"string on 9x", kWin98, drv, "TextOr9x", "text"},
      {"number replaces the string on NT", kWinXp, drv, "TextOr9x", ""},
      {"replacement compares names with case", kWinXp, drv, "caserun", "a"},
      {"dropped entries do not part a run", kWinXp, drv, "DroppedBetween", "second"},
      {"doubled quotes", kWinXp, drv, "Quote", "say \"hi\""},
      {"a bad macro drops its entry", kWinXp, drv, "BadMacro", ""},
      {"... so that the next one stands alone", kWin98, drv, "BadMacro", "fallback"},
      {"empty data", kWinXp, drv, "NoData", ""},
      {"unquoted text is number data", kWinXp, drv, "Unquoted", ""},
      {"other sections are not read", kWinXp, drv, "Outside", ""},
      {"unknown key path", kWinXp, "Software\\KORVA", "ModelID", ""},
      {"unknown value", kWinXp, drv, "Nothing", ""},
  };
  for (const QueryCase& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Answer(kInstall, c.version, "C:\\drv", c.key, c.name), c.value);
  }
}

TEST(SetupRegTable, ListsHoldWhatALoadKeeps) {
  CSetupFile file;
  ASSERT_TRUE(file.OpenBytes(kInstall, sizeof kInstall - 1));
  CSetupRegTable table;
  SetupEnvironment env;
  env.version = kWinXp;
  table.SetEnvironment(env);
  ASSERT_TRUE(table.ReadPathEntries(&file));
  std::vector<std::string> ids;
  for (EntryPos pos = table.PathList().GetHeadPosition(); pos != nullptr;) ids.push_back(table.PathList().GetNext(pos)->m_szId);
  EXPECT_EQ(ids, (std::vector<std::string>{"DRV", "MENU", "DUP"}));

  ASSERT_TRUE(table.ReadEnterEntriesInDir("C:\\drv", &file));
  std::vector<std::string> names;
  for (EntryPos pos = table.EnterList().GetHeadPosition(); pos != nullptr;) {
    names.push_back(table.EnterList().GetNext(pos)->m_szValueName);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"ModelID", "InstallPath", "Profile", "Version", "Map", "Both", "Apart",
                                             "Other", "Apart", "Mixed", "StopAtEmpty", "OnlyDup", "Dropped", "920",
                                             "TextOr9x", "CaseRun", "CASERUN", "DroppedBetween", "Quote", "Unquoted"}));
  const CRegEnterEntry* version = table.EnterList().GetAt(table.EnterList().GetHeadPosition()->pNext->pNext->pNext);
  EXPECT_EQ(version->m_nType, kSetupDataNumber);
  EXPECT_EQ(version->m_szData, "");

  // Without a driver directory no value entry is read at all, not even plain strings.
  EXPECT_FALSE(table.ReadEnterEntriesInDir("", &file));
  EXPECT_TRUE(table.EnterList().IsEmpty());
  EXPECT_EQ(Answer(kInstall, kWinXp, "", "Software\\KORVA\\ZELT3\\Driver\\Ink A", "ModelID"), "");
  EXPECT_FALSE(table.ReadPathEntries(nullptr));
  EXPECT_TRUE(table.PathList().IsEmpty());
}

TEST(SetupRegTable, PathsListedAfterTheirValuesAreFoundToo) {
  const std::string content =
      "[Install]\n"
      "REGENTER=B,\"V\",\"b1\"\n"
      "REGENTER=A,\"V\",\"a1\"\n"
      "REGENTER=A,\"V\",\"a2\"\n"
      "REGENTER=B,\"V\",\"b2\"\n"
      "REGPATH=A,\"HKEY_LOCAL_MACHINE\\KeyA\"\n"
      "REGENTER=a,\"V\",\"a3\"\n"
      "REGPATH=B,\"HKEY_LOCAL_MACHINE\\KeyB\"\n"
      "REGPATH=C,\"HKEY_LOCAL_MACHINE\\KeyC\"\n"
      "REGENTER=C,\"V\",\"c1\"\n"
      "REGENTER=C,\"V\",1\n";
  EXPECT_EQ(Answer(content, kWinXp, "D", "KeyA", "V"), "a2");
  EXPECT_EQ(Answer(content, kWinXp, "D", "KeyB", "V"), "b1");
  EXPECT_EQ(Answer(content, kWinXp, "D", "KeyC", "V"), "");
}

TEST(SetupRegTable, NoApplicableValueOrNoSectionGivesNothing) {
  const std::string onlyPaths =
      "[Install]\nREGPATH=A,\"HKEY_LOCAL_MACHINE\\KeyA\"\nREGENTER=A,\"V\",\"x\",WIN9X\nREGENTER=A,\"W\",7\n";
  EXPECT_EQ(Answer(onlyPaths, kWinXp, "D", "KeyA", "V"), "");
  EXPECT_EQ(Answer(onlyPaths, kWin98, "D", "KeyA", "V"), "x");
  EXPECT_EQ(Answer("[Setup]\nREGPATH=A,\"HKEY_LOCAL_MACHINE\\KeyA\"\nREGENTER=A,\"V\",\"x\"\n", kWinXp, "D", "KeyA", "V"),
            "");
  EXPECT_EQ(Answer("[Install]\nREGENTER=A,\"V\",\"x\"\n", kWinXp, "D", "KeyA", "V"), "");
}

// Counts live entries, to show that the list deletes exactly what it owns.
struct Counted {
  static int live;
  int n;
  explicit Counted(int v) : n(v) { ++live; }
  virtual ~Counted() { --live; }
};
int Counted::live = 0;

std::vector<int> Walk(const CEntryList<Counted>& list) {
  std::vector<int> out;
  for (EntryPos pos = list.GetHeadPosition(); pos != nullptr;) out.push_back(list.GetNext(pos)->n);
  return out;
}

TEST(EntryList, OwnsItsEntriesAcrossNodeBlocks) {
  {
    CEntryList<Counted> list;
    for (int i = 0; i < 25; ++i) ASSERT_TRUE(list.AddTail(new Counted(i)));  // three blocks of nodes
    EXPECT_EQ(list.GetCount(), 25u);
    EXPECT_EQ(list.GetAt(list.GetTailPosition())->n, 24);
    list.RemoveAt(list.GetHeadPosition());
    list.RemoveAt(list.GetTailPosition());
    EntryPos mid = list.GetHeadPosition();
    for (int i = 0; i < 10; ++i) mid = mid->pNext;
    list.RemoveAt(mid);  // entry 11
    EXPECT_EQ(Counted::live, 22);
    for (int i = 100; i < 103; ++i) ASSERT_TRUE(list.AddTail(new Counted(i)));  // reuses freed nodes
    std::vector<int> expected;
    for (int i = 1; i < 24; ++i) {
      if (i != 11) expected.push_back(i);
    }
    expected.insert(expected.end(), {100, 101, 102});
    EXPECT_EQ(Walk(list), expected);
    list.RemoveAll();
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(list.GetHeadPosition(), nullptr);
    EXPECT_EQ(Counted::live, 0);
    ASSERT_TRUE(list.AddTail(new Counted(7)));  // usable again after emptying
    EXPECT_EQ(Walk(list), std::vector<int>{7});
  }
  EXPECT_EQ(Counted::live, 0);  // the destructor deleted the rest
}

TEST(DriverPaths, DirectoryJoinAndFirstItem) {
  EXPECT_EQ(DriverDirOf("C:\\WINDOWS\\system32\\spool\\DRIVERS\\x64\\3\\KVSMPDRV.DLL"),
            "C:\\WINDOWS\\system32\\spool\\DRIVERS\\x64\\3");
  EXPECT_EQ(DriverDirOf("KVSMPDRV.DLL"), "KVSMPDRV.DLL");  // no backslash: the whole path
  EXPECT_EQ(DriverDirOf("\\x"), "");
  EXPECT_EQ(DriverDirOf(nullptr), "");
  EXPECT_EQ(JoinDriverPath("C:\\d", "a.dat"), "C:\\d\\a.dat");
  EXPECT_EQ(JoinDriverPath("", "a.dat"), "a.dat");
  // A driver record with a bare data file name.
  EXPECT_EQ(DataFileOfRecord("KVSMPDRV.DAT", "C:\\d\\KVSMPDRV.DLL"), "C:\\d\\KVSMPDRV.DAT");
  EXPECT_EQ(DataFileOfRecord("D:\\x\\KVSMPDRV.DAT", "C:\\d\\KVSMPDRV.DLL"), "D:\\x\\KVSMPDRV.DAT");
  EXPECT_EQ(DataFileOfRecord("KVSMPDRV.DAT", ""), "KVSMPDRV.DAT");  // no directory known
  EXPECT_EQ(DataFileOfRecord(nullptr, "C:\\d\\KVSMPDRV.DLL"), "");
  EXPECT_EQ(DataFileOfRecord("", "C:\\d\\KVSMPDRV.DLL"), "");
  EXPECT_EQ(FirstItemOf("KVSETUP.INF,2,x"), "KVSETUP.INF");
  EXPECT_EQ(FirstItemOf("KVSETUP.INF"), "KVSETUP.INF");
  EXPECT_EQ(FirstItemOf(",x"), "");
}

}  // namespace
