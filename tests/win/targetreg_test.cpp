// Per-user target entries against the real registry and spooler, with the sample driver
// and its printer-data library KVSPRN01.DLL installed by drvsetup. Every test starts from
// an empty HKCU\Software\KORVA\ZELT3\ZELTData. CTest runs this program under code page
// 932 (see CMakeLists.txt).
#include "settings/targetreg.h"

#include <gtest/gtest.h>
#include <shlwapi.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "sampledriver/installer/samplepackage.h"
#include "sampledriver/installer/spoolsetup.h"
#include "settings/spoolopen.h"
#include "tests/support/winsupport.h"

using namespace testsupport;

namespace {

constexpr char kData[] = "Software\\KORVA\\ZELT3\\ZELTData";
constexpr wchar_t kDataW[] = L"Software\\KORVA\\ZELT3\\ZELTData";
constexpr char kPrinter100[] = "TargetReg Test 100";  // KVS100 on FILE:
constexpr char kPrinter200[] = "TargetReg Test 200";  // KVS200 on LPT1:
constexpr char kScratchPrinter[] = "TargetReg Test Scratch";
const char* const kDriver100 = samplepackage::kDriver100;
const char* const kDriver200 = samplepackage::kDriver200;

std::string Quote(const std::string& s) { return "\"" + s + "\""; }
long Drvsetup(const std::string& args) { return RunProcess(Quote(SiblingPath("drvsetup.exe")) + " " + args); }

std::string LogPath() { return TempFolder() + "KVSPRN01.LOG"; }

// The calls the sample library recorded, each split at its tabs.
std::vector<std::vector<std::string>> LibraryCalls() {
  std::string text;
  std::vector<std::vector<std::string>> calls;
  if (!ReadWholeFile(LogPath(), &text)) return calls;
  for (const std::string& line : SplitCrLfLines(text)) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
      fields.push_back(line.substr(start, tab - start));
    fields.push_back(line.substr(start));
    calls.push_back(fields);
  }
  return calls;
}

// Wide calls throughout: the tree may hold names that the 8-bit API cannot hand out.
void WipeTargets() {
  ::SHDeleteKeyW(HKEY_CURRENT_USER, kDataW);
}

std::string EntryPath(const char* list, int number) {
  char buf[300];
  std::snprintf(buf, sizeof buf, "%s\\P%016d", list, number);
  return buf;
}

bool KeyExists(const std::string& path) {
  HKEY key = nullptr;
  if (::RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  ::RegCloseKey(key);
  return true;
}

// An entry as the agent would have made it; name null: an entry without "Name".
void MakeEntry(const char* list, int number, const char* name) {
  const std::string path = EntryPath(list, number);
  HKEY key = nullptr;
  ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  ::RegCloseKey(key);
  if (name != nullptr)
    ASSERT_TRUE(SetRegValue(HKEY_CURRENT_USER, path.c_str(), "Name", REG_SZ, name,
                            static_cast<DWORD>(std::strlen(name) + 1)));
  ASSERT_TRUE(SetRegDword(HKEY_CURRENT_USER, path.c_str(), "Setting", 0));
}

// A value of an entry as text ("#n" for a DWORD), or "-" when it is missing.
std::string Value(const std::string& path, const char* name) {
  HKEY key = nullptr;
  if (::RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return "no key";
  BYTE data[600] = {};
  DWORD size = sizeof data - 1;
  DWORD type = 0;
  const LONG rc = ::RegQueryValueExA(key, name, nullptr, &type, data, &size);
  ::RegCloseKey(key);
  if (rc != ERROR_SUCCESS) return "-";
  if (type == REG_DWORD) return "#" + std::to_string(*reinterpret_cast<DWORD*>(data));
  return reinterpret_cast<const char*>(data);
}

// The entries left in a list.
std::set<std::string> Entries(const char* list) {
  std::set<std::string> names;
  HKEY key = nullptr;
  if (::RegOpenKeyExA(HKEY_CURRENT_USER, list, 0, KEY_READ, &key) != ERROR_SUCCESS) return names;
  char name[300];
  for (DWORD i = 0;; ++i) {
    DWORD len = sizeof name;
    if (::RegEnumKeyExA(key, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    names.insert(name);
  }
  ::RegCloseKey(key);
  return names;
}

std::string P(int number) { return EntryPath("", number).substr(1); }

// Puts another file in place of the installed printer-data library (none: takes it
// away) until destroyed.
class LibraryReplacement {
 public:
  explicit LibraryReplacement(const char* replacement) {
    m_path = spoolsetup::InstalledDriverFolder(kDriver100) + "\\" + samplepackage::kPrinterDataLibrary;
    m_backup = m_path + ".saved";
    m_ok = ::MoveFileExA(m_path.c_str(), m_backup.c_str(), MOVEFILE_REPLACE_EXISTING) != 0 &&
           (replacement == nullptr || ::CopyFileA(SiblingPath(replacement).c_str(), m_path.c_str(), FALSE) != 0);
  }
  ~LibraryReplacement() {
    ::DeleteFileA(m_path.c_str());
    ::MoveFileExA(m_backup.c_str(), m_path.c_str(), MOVEFILE_REPLACE_EXISTING);
  }
  bool ok() const { return m_ok; }

 private:
  std::string m_path;
  std::string m_backup;
  bool m_ok = false;
};

class TargetReg : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    s_ready = Drvsetup("remove-all") == 0 && Drvsetup("install") == 0 &&
              Drvsetup("add-printer " + Quote(kPrinter100) + " " + Quote(kDriver100) + " FILE:") == 0 &&
              Drvsetup("add-printer " + Quote(kPrinter200) + " " + Quote(kDriver200) + " LPT1:") == 0;
  }
  static void TearDownTestSuite() {
    WipeTargets();
    Drvsetup("remove-all");
  }
  void SetUp() override {
    ASSERT_TRUE(s_ready) << "drvsetup could not install the sample driver and its printers";
    WipeTargets();
    ASSERT_FALSE(KeyExists(kData));
    ASSERT_TRUE(RemoveFileIfPresent(LogPath()));
  }
  void TearDown() override { spoolsetup::DeleteLocalPrinter(kScratchPrinter, nullptr); }

  static bool s_ready;
  char m_out[260] = {};
};
bool TargetReg::s_ready = false;

TEST_F(TargetReg, NewEntriesTakeTheFirstFreeNumber) {
  MakeEntry(kTargetListPrinters, 0, "A");
  MakeEntry(kTargetListPrinters, 2, "B");
  ASSERT_EQ(CreateTargetKey("C", FALSE, m_out, sizeof m_out), 0);
  EXPECT_EQ(std::string(m_out), EntryPath(kTargetListPrinters, 1));
  EXPECT_EQ(Value(m_out, "Name"), "C");
  EXPECT_EQ(Value(m_out, "Setting"), "#0");
  EXPECT_EQ(Value(m_out, "Timer"), "#10");
  ASSERT_EQ(CreateTargetKey("D", FALSE, m_out, sizeof m_out), 0);
  EXPECT_EQ(std::string(m_out), EntryPath(kTargetListPrinters, 3));

  // The port list is numbered on its own, and created when missing.
  ASSERT_EQ(CreateTargetKey("LPT9:", TRUE, m_out, sizeof m_out), 0);
  EXPECT_EQ(std::string(m_out), EntryPath(kTargetListPorts, 0));

  // A path that does not fit: the entry stays, with its name only.
  char small[20] = "untouched";
  EXPECT_EQ(CreateTargetKey("E", FALSE, small, sizeof small), 5);
  EXPECT_STREQ(small, "");
  EXPECT_EQ(Value(EntryPath(kTargetListPrinters, 4), "Name"), "E");
  EXPECT_EQ(Value(EntryPath(kTargetListPrinters, 4), "Setting"), "-");
}

TEST_F(TargetReg, FindMatchesTheNameIgnoringCaseInTheChosenList) {
  EXPECT_EQ(FindTargetKey(kPrinter100, FALSE, m_out, sizeof m_out), 4);
  EXPECT_EQ(FindTargetKey("LPT1:", TRUE, m_out, sizeof m_out), 4);

  MakeEntry(kTargetListPrinters, 0, nullptr);  // no "Name": passed over
  MakeEntry(kTargetListPrinters, 1, "Another Printer");
  MakeEntry(kTargetListPrinters, 2, "TargetReg TEST 100");
  MakeEntry(kTargetListPorts, 0, "lpt1:");
  EXPECT_EQ(FindTargetKey(kPrinter100, FALSE, m_out, sizeof m_out), 0);
  EXPECT_EQ(std::string(m_out), EntryPath(kTargetListPrinters, 2));
  EXPECT_EQ(FindTargetKey("LPT1:", TRUE, m_out, sizeof m_out), 0);
  EXPECT_EQ(std::string(m_out), EntryPath(kTargetListPorts, 0));

  EXPECT_EQ(FindTargetKey("LPT1:", FALSE, m_out, sizeof m_out), 1) << "only the list asked for";
  EXPECT_EQ(FindTargetKey("TargetReg Test", FALSE, m_out, sizeof m_out), 1) << "whole names only";
  char small[20];
  EXPECT_EQ(FindTargetKey(kPrinter100, FALSE, small, sizeof small), 1) << "path does not fit";
}

struct SampleCase {
  const char* printer;
  const char* driver;
  const char* port;
  const char* model;
  const char* selected;  // the model's "TrayIconSelected" in KVSMPDRV.DAT
};

TEST_F(TargetReg, GetTargetKeyRegistersASamplePrinterThroughItsLibrary) {
  const SampleCase cases[] = {
      {kPrinter100, kDriver100, "FILE:", "KVS100", "#0"},
      {kPrinter200, kDriver200, "LPT1:", "KVS200", "#2"},
  };
  ASSERT_EQ(FindTargetKey(kPrinter100, FALSE, m_out, sizeof m_out), 4) << "no list yet";
  std::size_t calls = 0;
  for (const SampleCase& c : cases) {
    SCOPED_TRACE(c.printer);
    BOOL portList = 7;
    BOOL created = 7;
    ASSERT_EQ(GetTargetKey(c.printer, c.port, c.model, &portList, m_out, sizeof m_out, &created), 0);
    EXPECT_EQ(portList, FALSE);
    EXPECT_EQ(created, TRUE);
    const std::string path = m_out;
    EXPECT_EQ(path.rfind(std::string(kTargetListPrinters) + "\\P", 0), 0u) << path;
    EXPECT_EQ(Value(path, "Name"), c.printer);
    EXPECT_EQ(Value(path, "Setting"), "#0");
    EXPECT_EQ(Value(path, "Timer"), "#10");
    EXPECT_EQ(Value(path, "TrayIconEnable"), "#1");
    EXPECT_EQ(Value(path, "TrayIconSelected"), c.selected);
    EXPECT_EQ(::GetModuleHandleA(samplepackage::kPrinterDataLibrary), nullptr) << "freed after the call";
    const auto log = LibraryCalls();
    ASSERT_EQ(log.size(), ++calls);
    EXPECT_EQ(log.back(), (std::vector<std::string>{c.printer, c.driver, c.port, c.model, "0", "0", "0", "0"}));

    // Found again: no new entry, no call.
    created = 7;
    ASSERT_EQ(GetTargetKey(c.printer, c.port, c.model, &portList, m_out, sizeof m_out, &created), 0);
    EXPECT_EQ(created, FALSE);
    EXPECT_EQ(std::string(m_out), path);
    EXPECT_EQ(LibraryCalls().size(), calls);
  }
}

TEST_F(TargetReg, APortOnlyTargetIsRegisteredInThePortListWithoutALibrary) {
  BOOL portList = FALSE;
  BOOL created = 7;
  // No printer, so no driver and no library to load: 4, with the entry made all the same.
  EXPECT_EQ(GetTargetKey("", "LPT1:", "KVS100", &portList, m_out, sizeof m_out, &created), 4);
  EXPECT_EQ(portList, TRUE);
  EXPECT_EQ(created, FALSE);
  EXPECT_EQ(std::string(m_out), EntryPath(kTargetListPorts, 0));
  EXPECT_EQ(Value(m_out, "Name"), "LPT1:");
  EXPECT_EQ(Value(m_out, "Timer"), "#10");
  EXPECT_TRUE(LibraryCalls().empty());
  EXPECT_EQ(GetTargetKey("", "LPT1:", "KVS100", &portList, m_out, sizeof m_out, &created), 0);
  EXPECT_EQ(std::string(m_out), EntryPath(kTargetListPorts, 0));
  EXPECT_FALSE(KeyExists(EntryPath(kTargetListPorts, 1)));
}

TEST_F(TargetReg, ALibraryThatIsMissingOrLacksTheEntryPointLeavesABareEntry) {
  const struct {
    const char* replacement;
    int result;
  } cases[] = {{nullptr, 4}, {"KVSPRN01_NOENTRY.DLL", 5}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.replacement != nullptr ? c.replacement : "no library");
    WipeTargets();
    LibraryReplacement library(c.replacement);
    ASSERT_TRUE(library.ok());
    BOOL portList = TRUE;
    BOOL created = 7;
    EXPECT_EQ(GetTargetKey(kPrinter100, "FILE:", "KVS100", &portList, m_out, sizeof m_out, &created), c.result);
    EXPECT_EQ(created, FALSE);
    EXPECT_EQ(std::string(m_out), EntryPath(kTargetListPrinters, 0));
    EXPECT_EQ(Value(m_out, "Name"), kPrinter100);
    EXPECT_EQ(Value(m_out, "Setting"), "#0");
    EXPECT_EQ(Value(m_out, "TrayIconEnable"), "-");
    EXPECT_EQ(::GetModuleHandleA("KVSPRN01_NOENTRY.DLL"), nullptr);
  }
  EXPECT_TRUE(LibraryCalls().empty());
}

TEST_F(TargetReg, PurgeRetiresEntriesWhosePrinterIsGone) {
  std::string error;
  ASSERT_TRUE(spoolsetup::AddLocalPrinter(kScratchPrinter, kDriver100, "FILE:", &error)) << error;
  MakeEntry(kTargetListPrinters, 0, kPrinter100);
  MakeEntry(kTargetListPrinters, 1, "TargetReg Test Gone A");  // two stale ones in a row
  MakeEntry(kTargetListPrinters, 2, "TargetReg Test Gone B");
  MakeEntry(kTargetListPrinters, 3, nullptr);
  MakeEntry(kTargetListPrinters, 4, "");
  MakeEntry(kTargetListPrinters, 5, kScratchPrinter);
  MakeEntry(kTargetListPrinters, 6, "targetreg test 200");
  // Port-list entries are never asked about: any port with a name stays.
  MakeEntry(kTargetListPorts, 0, "NOSUCHPORT:");
  MakeEntry(kTargetListPorts, 1, "");
  MakeEntry(kTargetListPorts, 2, nullptr);
  MakeEntry(kTargetListPorts, 3, "TargetReg Test Gone A");

  ASSERT_EQ(PurgeTargetKeys(), 0);
  EXPECT_EQ(Entries(kTargetListPrinters), (std::set<std::string>{P(0), P(5), P(6)}));
  EXPECT_EQ(Entries(kTargetListPorts), (std::set<std::string>{P(0), P(3)}));

  // The next registration of any target purges first.
  ASSERT_TRUE(spoolsetup::DeleteLocalPrinter(kScratchPrinter, &error)) << error;
  BOOL portList = FALSE;
  EXPECT_EQ(GetTargetKey("", "LPT2:", "", &portList, m_out, sizeof m_out), 4);
  EXPECT_EQ(Entries(kTargetListPrinters), (std::set<std::string>{P(0), P(6)}));
  EXPECT_EQ(Value(EntryPath(kTargetListPrinters, 0), "Setting"), "#0");

  // Without a printer list, the port list is left alone.
  WipeTargets();
  MakeEntry(kTargetListPorts, 0, "");
  EXPECT_EQ(PurgeTargetKeys(), -1);
  EXPECT_TRUE(KeyExists(EntryPath(kTargetListPorts, 0)));
}

// A spooler that cannot open a printer for another reason than "no such printer" (one
// that is restarting, say) must not cost the user the printer's settings. Wine's spooler
// refuses these names with other reasons: an unknown port monitor, and no reason at all.
TEST_F(TargetReg, PurgeKeepsEntriesWhenTheSpoolerFailsForAnotherReason) {
  const struct {
    const char* name;
    bool stays;
  } cases[] = {
      {"TargetReg Test Gone", false},                // ERROR_INVALID_PRINTER_NAME
      {",XcvMonitor TargetReg No Monitor", true},    // ERROR_UNKNOWN_PORT
      {"TargetReg Test,Port", true},                 // fails without setting an error
  };
  int number = 0;
  for (const auto& c : cases) {
    DWORD error = 0xdeadbeef;
    ::SetLastError(ERROR_INVALID_PRINTER_NAME);  // left over from an earlier call
    ASSERT_EQ(ReadPrinterInfo2(c.name, nullptr, &error), kPrinterNotOpened) << c.name;
    ASSERT_EQ(error == ERROR_INVALID_PRINTER_NAME, !c.stays) << c.name << ": the spooler said " << error;
    MakeEntry(kTargetListPrinters, number++, c.name);
  }
  MakeEntry(kTargetListPorts, 0, "LPT1:");  // the purge wants both lists
  ASSERT_EQ(PurgeTargetKeys(), 0);
  number = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = EntryPath(kTargetListPrinters, number++);
    EXPECT_EQ(KeyExists(path), c.stays);
    if (c.stays) EXPECT_EQ(Value(path, "Setting"), "#0");
  }
}

TEST_F(TargetReg, DeleteKeyTreeTakesSubKeysAndValuesAlong) {
  const std::string root = std::string(kData) + "\\Tree";
  for (const char* sub : {"\\A\\A1\\A11", "\\A\\A2", "\\B"}) {
    ASSERT_TRUE(SetRegDword(HKEY_CURRENT_USER, (root + sub).c_str(), "Value", 1));
  }
  ASSERT_TRUE(SetRegDword(HKEY_CURRENT_USER, root.c_str(), "Value", 1));
  EXPECT_EQ(DeleteKeyTree(root.c_str()), 0);
  EXPECT_FALSE(KeyExists(root));
  EXPECT_TRUE(KeyExists(kData));
  EXPECT_EQ(DeleteKeyTree(root.c_str()), -1) << "gone already";
  // An empty path would name HKEY_CURRENT_USER itself.
  EXPECT_EQ(DeleteKeyTree(""), -1);
  EXPECT_EQ(DeleteKeyTree(nullptr), -1);
  EXPECT_EQ(RetireTargetKey(""), -1);
  EXPECT_TRUE(KeyExists("Software"));

  MakeEntry(kTargetListPrinters, 0, "Retired");
  EXPECT_EQ(RetireTargetKey(EntryPath(kTargetListPrinters, 0).c_str()), 0);
  EXPECT_FALSE(KeyExists(EntryPath(kTargetListPrinters, 0)));
  EXPECT_EQ(RetireTargetKey(EntryPath(kTargetListPrinters, 0).c_str()), -1);
}

// A sub key that can be opened but not deleted: under code page 932, a child whose name
// is 200 double-byte characters does not fit the 8-bit enumeration buffer, so the walk
// cannot see it, and its parent cannot be deleted while it is there. Walks that started
// over at index 0 would meet the parent for ever; run them in a process with a time
// limit.
TEST_F(TargetReg, AKeyThatCannotBeDeletedEndsTheWalks) {
  ASSERT_EQ(::GetACP(), 932u) << "run with LC_ALL=ja_JP.UTF-8";
  MakeEntry(kTargetListPrinters, 0, "TargetReg Test Gone A");
  MakeEntry(kTargetListPrinters, 1, "TargetReg Test Gone B");
  MakeEntry(kTargetListPorts, 0, "LPT1:");
  const std::string child = EntryPath(kTargetListPrinters, 0) + "\\Child";
  std::wstring hidden(child.begin(), child.end());
  hidden += L"\\" + std::wstring(200, L'\x4E00');
  HKEY key = nullptr;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, hidden.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr),
            ERROR_SUCCESS);
  ::RegCloseKey(key);

  const std::string probe = Quote(SiblingPath("targetreg_probe.exe"));
  EXPECT_EQ(RunProcess(probe + " deltree " + Quote(child), 30000), 100 - 1) << "-1, in time";
  EXPECT_TRUE(KeyExists(child));

  // The purge marks the entry retired, cannot delete it, and moves on to the next.
  EXPECT_EQ(RunProcess(probe + " purge", 30000), 100 + 0);
  EXPECT_EQ(Value(EntryPath(kTargetListPrinters, 0), "Setting"), "#255");
  EXPECT_FALSE(KeyExists(EntryPath(kTargetListPrinters, 1)));
}

}  // namespace
