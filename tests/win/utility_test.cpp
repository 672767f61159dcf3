// The utility launcher against the sample driver's utility library: which commands are
// utility commands, the worker thread, one call per printer at a time (also between
// launchers, through the named semaphore), and the numbers that are never called.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "drvdata/setupreglookup.h"
#include "sampledriver/installer/samplepackage.h"
#include "sampledriver/installer/spoolsetup.h"
#include "tests/support/winsupport.h"
#include "utycall/utycall.h"

using namespace testsupport;

namespace {

constexpr const char kPrinter[] = "Utility Test Ink 100";
constexpr const char kNetworkPrinter[] = "\\\\utyserver\\share 100";  // needs no spooler: only named
constexpr const char kWindowTitle[] = "KORVA Sample Utility";

// One line of the library's record, split at its tabs.
using Fields = std::vector<std::string>;

std::vector<Fields> ReadRecord(const std::string& path) {
  std::string text;
  ReadWholeFile(path, &text);
  std::vector<Fields> lines;
  for (const std::string& line : SplitCrLfLines(text)) {
    if (line.empty()) continue;
    Fields fields;
    std::size_t start = 0;
    for (;;) {
      const std::size_t tab = line.find('\t', start);
      fields.push_back(line.substr(start, tab - start));
      if (tab == std::string::npos) break;
      start = tab + 1;
    }
    lines.push_back(fields);
  }
  return lines;
}

// The lines of entry calls (not the LOAD and FREE lines).
std::vector<Fields> Calls(const std::vector<Fields>& record) {
  std::vector<Fields> calls;
  for (const Fields& f : record) {
    if (f[0] != "LOAD" && f[0] != "FREE") calls.push_back(f);
  }
  return calls;
}

long Count(const std::vector<Fields>& record, const char* first) {
  return std::count_if(record.begin(), record.end(), [&](const Fields& f) { return f[0] == first; });
}

// The utility's window of this process, waited for up to timeoutMs.
HWND WaitForUtilityWindow(DWORD timeoutMs) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    HWND window = ::FindWindowA(nullptr, kWindowTitle);
    DWORD pid = 0;
    if (window != nullptr && ::GetWindowThreadProcessId(window, &pid) != 0 && pid == ::GetCurrentProcessId())
      return window;
    if (::GetTickCount() - start > timeoutMs) return nullptr;
    ::Sleep(20);
  }
}

// True when the semaphore of that name is there and free (it is left as it was).
bool SemaphoreFree(const char* name) {
  UniqueHandle semaphore(::OpenSemaphoreA(SYNCHRONIZE | SEMAPHORE_MODIFY_STATE, FALSE, name));
  if (!semaphore) return false;
  if (::WaitForSingleObject(semaphore.Get(), 0) != WAIT_OBJECT_0) return false;
  ::ReleaseSemaphore(semaphore.Get(), 1, nullptr);
  return true;
}

class UtilityCalls : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string error;
    spoolsetup::DeleteLocalPrinter(kPrinter, nullptr);
    for (const std::string& driver : samplepackage::DriverNames())
      ASSERT_TRUE(spoolsetup::InstallDriver(samplepackage::Package(driver, ExeDir()), &error)) << error;
    ASSERT_TRUE(spoolsetup::AddLocalPrinter(kPrinter, samplepackage::kDriver100, "LPT1:", &error)) << error;
  }
  static void TearDownTestSuite() { spoolsetup::DeleteLocalPrinter(kPrinter, nullptr); }

  void SetUp() override {
    m_driverDir = spoolsetup::InstalledDriverFolder(samplepackage::kDriver100);
    ASSERT_FALSE(m_driverDir.empty());
    m_record = TempFolder() + "KVSUTY01.LOG";
    ASSERT_TRUE(RemoveFileIfPresent(m_record));
  }

  std::string Command(const char* library, const char* number) const {
    return m_driverDir + "\\" + library + " /U" + number;
  }

  std::string m_driverDir;
  std::string m_record;
};

TEST_F(UtilityCalls, AUtilityCommandNamesTheModelsUtilityLibrary) {
  // The sample driver's own menu value first: the setup data names the library.
  const ByteString menu920 = CSetupRegLookup().QueryByPrinter(
      kPrinter, "Software\\KORVA\\ZELT3\\Driver\\KORVA Sample Ink 100\\Menu", "920");
  ASSERT_EQ(menu920, Command("KVSUTY01.DLL", "1"));

  const std::string uty01 = Command("KVSUTY01.DLL", "2");
  const std::string uty02 = Command("KVSUTY02.DLL", "2");
  const std::string program = m_driverDir + "\\KVSCFG.EXE";
  const struct {
    const char* driver;
    const char* model;
    std::string value;
    int expected;
  } cases[] = {
      {samplepackage::kDriver100, "KVS100", menu920, 1},
      {samplepackage::kDriver100, "KVS100", uty01, 1},
      {samplepackage::kDriver100, "KVS100", "KVSUTY01.DLL", 1},  // contained is enough
      {samplepackage::kDriver100, "KVS100", program, 0},
      {samplepackage::kDriver100, "KVS100", "kvsuty01.dll /U2", 0},  // compared with case
      {samplepackage::kDriver100, "KVS200", uty01, 0},  // KVS200's library is KVSUTY02
      {samplepackage::kDriver100, "KVS200", uty02, 1},
      {samplepackage::kDriver100, "KVS999", uty01, 0},  // no section, no "UTILITY"
      {"KORVA No Such Driver", "KVS100", uty01, 0},      // no setup data, no "Profile"
      {samplepackage::kDriver100, "", uty01, 0},
      {"", "KVS100", uty01, 0},
      {samplepackage::kDriver100, "KVS100", "", 0},
  };
  CUtyCall utyCall;
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.driver) + " / " + c.model + " / " + c.value);
    EXPECT_EQ(utyCall.IsUtyCallMenu(c.driver, kPrinter, c.model, c.value.c_str()), c.expected);
  }
  EXPECT_EQ(utyCall.IsUtyCallMenu(nullptr, kPrinter, "KVS100", uty01.c_str()), 0);
  EXPECT_EQ(utyCall.IsUtyCallMenu(samplepackage::kDriver100, kPrinter, nullptr, uty01.c_str()), 0);
  EXPECT_EQ(utyCall.IsUtyCallMenu(samplepackage::kDriver100, kPrinter, "KVS100", nullptr), 0);
}

TEST_F(UtilityCalls, RunsOnAWorkerAndDropsCommandsForThePrinterWhileItRuns) {
  CUtyCall first;
  CUtyCall otherAgent;    // a second launcher for the same printer, as another agent has
  CUtyCall otherPrinter;  // and one for a printer of a server
  const DWORD started = ::GetTickCount();
  first.StartUtyCall(kPrinter, Command("KVSUTY01.DLL", "2").c_str());
  EXPECT_LT(::GetTickCount() - started, 1000u) << "the command must not wait for the utility";

  HWND window = WaitForUtilityWindow(5000);
  ASSERT_NE(window, nullptr) << "the utility shows its window";
  EXPECT_NE(::GetWindowThreadProcessId(window, nullptr), ::GetCurrentThreadId());
  EXPECT_FALSE(SemaphoreFree(kPrinter)) << "the printer's semaphore is taken while it runs";

  // Dropped: the same launcher again, and another launcher for the same printer.
  first.StartUtyCall(kPrinter, Command("KVSUTY01.DLL", "1").c_str());
  otherAgent.StartUtyCall(kPrinter, Command("KVSUTY01.DLL", "3").c_str());
  // Another printer runs side by side; its semaphore has slashes for the backslashes.
  otherPrinter.StartUtyCall(kNetworkPrinter, Command("KVSUTY01.DLL", "11").c_str());
  ::Sleep(300);
  EXPECT_FALSE(SemaphoreFree("//utyserver/share 100"));

  first.CheckUtyCall();
  const DWORD waited = ::GetTickCount() - started;
  EXPECT_GE(waited, 2500u) << "CheckUtyCall returns only once the utility has";
  otherPrinter.CheckUtyCall();
  EXPECT_TRUE(SemaphoreFree(kPrinter)) << "the check gives the semaphore back for the other agents";
  first.CheckUtyCall();  // and may be repeated
  // The other launcher of the printer, whose semaphore stayed open, runs again.
  otherAgent.StartUtyCall(kPrinter, Command("KVSUTY01.DLL", "5").c_str());
  ASSERT_TRUE(otherAgent.m_hUtyThread);
  ASSERT_EQ(::WaitForSingleObject(otherAgent.m_hUtyThread.Get(), 10000), WAIT_OBJECT_0);
  EXPECT_EQ(::GetModuleHandleA("KVSUTY01.DLL"), nullptr) << "the library is freed after each call";

  const std::vector<Fields> record = ReadRecord(m_record);
  const std::vector<Fields> calls = Calls(record);
  ASSERT_EQ(calls.size(), 2u);
  const Fields* clean = nullptr;
  const Fields* autoClean = nullptr;
  for (const Fields& f : calls) {
    ASSERT_EQ(f.size(), 9u);
    if (f[0] == "UtCleanHead") clean = &f;
    if (f[0] == "UtAutoCleanHead") autoClean = &f;
  }
  ASSERT_NE(clean, nullptr);
  ASSERT_NE(autoClean, nullptr);
  EXPECT_EQ((*clean)[1], kPrinter);
  EXPECT_EQ((*clean)[2] + (*clean)[3] + (*clean)[4], "") << "the other three texts are empty";
  EXPECT_EQ((*autoClean)[1], kNetworkPrinter);
  EXPECT_EQ((*clean)[5], std::to_string(::GetCurrentProcessId()));
  EXPECT_NE((*clean)[6], std::to_string(::GetCurrentThreadId())) << "on a worker thread";
  // Side by side: the second printer's call began before the first had ended.
  EXPECT_LT(std::stoul((*autoClean)[7]), std::stoul((*clean)[8]));
  // Both workers had the library at once: loaded once, freed once the last was done;
  // then the other launcher's number 5 loaded and freed it without a call.
  EXPECT_EQ(Count(record, "LOAD"), 2);
  EXPECT_EQ(Count(record, "FREE"), 2);
}

TEST_F(UtilityCalls, NumbersNotCalledLoadAndFreeTheLibraryAndReleaseTheSemaphore) {
  for (const char* number : {"4", "5", "6", "7", "8", "9", "10", "12", "13", "99", "0", "", "-1"}) {
    SCOPED_TRACE(number);
    ASSERT_TRUE(RemoveFileIfPresent(m_record));
    CUtyCall utyCall;
    utyCall.StartUtyCall(kPrinter, Command("KVSUTY01.DLL", number).c_str());
    ASSERT_TRUE(utyCall.m_hUtyThread);
    ASSERT_EQ(::WaitForSingleObject(utyCall.m_hUtyThread.Get(), 10000), WAIT_OBJECT_0);
    EXPECT_TRUE(SemaphoreFree(kPrinter));
    const std::vector<Fields> record = ReadRecord(m_record);
    EXPECT_EQ(Count(record, "LOAD"), 1);
    EXPECT_EQ(Count(record, "FREE"), 1);
    EXPECT_TRUE(Calls(record).empty());
  }
}

TEST_F(UtilityCalls, CommandsThatCannotRunLeaveTheSemaphoreFree) {
  const std::string longPrinter(300, 'p');
  const struct {
    std::string printer;
    std::string value;
    bool worker;  // a worker is started (and finds nothing to load)
  } cases[] = {
      {kPrinter, m_driverDir + "\\KVSUTY01.DLL", false},            // no " /U"
      {kPrinter, m_driverDir + "\\KVSUTY01.DLL/U1", false},
      {kPrinter, std::string(300, 'L') + " /U1", false},           // library path too long
      {kPrinter, m_driverDir + "\\NOSUCHUTY.DLL /U1", true},        // does not load
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value.substr(0, 80));
    CUtyCall utyCall;
    utyCall.StartUtyCall(c.printer.c_str(), c.value.c_str());
    EXPECT_EQ(static_cast<bool>(utyCall.m_hUtyThread), c.worker);
    if (utyCall.m_hUtyThread) ASSERT_EQ(::WaitForSingleObject(utyCall.m_hUtyThread.Get(), 10000), WAIT_OBJECT_0);
    ASSERT_TRUE(utyCall.m_hUtySem);
    EXPECT_TRUE(SemaphoreFree(kPrinter));
  }
  // A printer name that cannot name a semaphore: nothing at all.
  CUtyCall utyCall;
  utyCall.StartUtyCall(longPrinter.c_str(), Command("KVSUTY01.DLL", "1").c_str());
  EXPECT_FALSE(utyCall.m_hUtySem);
  EXPECT_FALSE(utyCall.m_hUtyThread);
  EXPECT_FALSE(FileExists(m_record));
}

TEST_F(UtilityCalls, CheckWithoutAnyCallReturnsAtOnce) {
  CUtyCall utyCall;
  const DWORD start = ::GetTickCount();
  utyCall.CheckUtyCall();
  EXPECT_LT(::GetTickCount() - start, 500u);
}

}  // namespace
