// The diagnostic log against the real registry and file system.
#include "app/dbglog.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <regex>
#include <string>
#include <vector>

#include "app/trayiconapp.h"
#include "tests/support/winsupport.h"

using namespace testsupport;

namespace {

constexpr const char kSwitch[] = "K_TDBG";

class DbgLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_dir = ScratchFolder("trayagent_dbglog_test");
    m_path = m_dir + "\\K_TRLOG0.LOG";
    ASSERT_TRUE(RemoveFileIfPresent(m_path));
    ASSERT_TRUE(DeleteRegValue(HKEY_CURRENT_USER, kLogSwitchKey, kSwitch));
  }
  void TearDown() override {
    DeleteRegValue(HKEY_CURRENT_USER, kLogSwitchKey, kSwitch);
    if (!HasFailure()) RemoveFileIfPresent(m_path);
    DbgLogInit(nullptr, kSwitch);  // leave the log off for the next test
  }
  void SetSwitch(DWORD type, const void* data, DWORD size) {
    ASSERT_TRUE(SetRegValue(HKEY_CURRENT_USER, kLogSwitchKey, kSwitch, type, data, size));
  }
  std::string ReadLog() {
    std::string text;
    ReadWholeFile(m_path, &text);
    return text;
  }

  std::string m_dir;
  std::string m_path;
};

struct SwitchCase {
  const char* what;
  DWORD type;
  std::vector<unsigned char> data;
  bool on;
};

TEST_F(DbgLogTest, SwitchIsFourBytesOfAnyTypeAndNonZero) {
  const SwitchCase cases[] = {
      {"dword 1", REG_DWORD, {1, 0, 0, 0}, true},
      {"dword 0", REG_DWORD, {0, 0, 0, 0}, false},
      {"dword high byte", REG_DWORD, {0, 0, 0, 0x80}, true},
      {"string \"1\"", REG_SZ, {'1', 0}, true},
      {"string \"123\" (4 bytes)", REG_SZ, {'1', '2', '3', 0}, true},
      {"string \"1234\" (5 bytes)", REG_SZ, {'1', '2', '3', '4', 0}, false},
      {"qword 1", REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0}, false},
      {"binary 3 bytes", REG_BINARY, {0, 0, 7}, true},
      {"binary empty", REG_BINARY, {}, false},
  };
  for (const SwitchCase& c : cases) {
    SCOPED_TRACE(c.what);
    SetSwitch(c.type, c.data.data(), static_cast<DWORD>(c.data.size()));
    EXPECT_EQ(DbgLogInit(m_path.c_str(), kSwitch), c.on);
    EXPECT_EQ(DbgLogEnabled(), c.on);
  }
}

TEST_F(DbgLogTest, OffWritesNothingAndCreatesNoFile) {
  EXPECT_FALSE(DbgLogInit(m_path.c_str(), kSwitch));  // value absent
  EXPECT_EQ(DbgLog("x"), 0);
  EXPECT_EQ(DbgLogStr("a", "b"), 0);
  EXPECT_EQ(DbgLogInt("a", 1), 0);
  EXPECT_EQ(DbgLogClose(), 1);
  EXPECT_FALSE(FileExists(m_path));
}

TEST_F(DbgLogTest, OnAppendsFormattedCrLfLines) {
  ASSERT_TRUE(SetRegDword(HKEY_CURRENT_USER, kLogSwitchKey, kSwitch, 1));
  ASSERT_TRUE(DbgLogInit(m_path.c_str(), kSwitch));
  EXPECT_EQ(DbgLog("first"), 1);
  EXPECT_EQ(DbgLogStr("label", "text"), 1);
  EXPECT_EQ(DbgLogInt("number", -42), 1);
  EXPECT_EQ(DbgLogStr("label", nullptr), 0);  // missing text: nothing written
  EXPECT_EQ(DbgLog(nullptr), 0);
  EXPECT_EQ(DbgLogInt(nullptr, 1), 0);

  const std::string text = ReadLog();
  const std::vector<std::string> lines = SplitCrLfLines(text);
  ASSERT_EQ(lines.size(), 3u) << text;
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
  char pid[16];
  snprintf(pid, sizeof pid, "%04lX;", static_cast<unsigned long>(::GetCurrentProcessId()));
  const std::regex time(R"([ 0-9]{5}:[0-5][0-9]\.[0-9]{3}; )");
  const char* bodies[] = {"first", "label : text", "number : -42"};
  for (std::size_t i = 0; i < lines.size(); ++i) {
    SCOPED_TRACE(lines[i]);
    const std::string& line = lines[i];
    ASSERT_EQ(line.rfind(pid, 0), 0u);
    const std::size_t bodyAt = std::string(pid).size() + 14;
    EXPECT_TRUE(std::regex_match(line.substr(std::string(pid).size(), 14), time));
    EXPECT_EQ(line.substr(bodyAt), bodies[i]);
  }

  // A second Init keeps what is there: the file is appended to, never truncated.
  ASSERT_TRUE(DbgLogInit(m_path.c_str(), kSwitch));
  EXPECT_EQ(DbgLog("again"), 1);
  EXPECT_EQ(SplitCrLfLines(ReadLog()).size(), 4u);
}

TEST_F(DbgLogTest, BadPathsLeaveTheLogOffOrLoseTheLineQuietly) {
  ASSERT_TRUE(SetRegDword(HKEY_CURRENT_USER, kLogSwitchKey, kSwitch, 1));
  EXPECT_FALSE(DbgLogInit(nullptr, kSwitch));
  EXPECT_FALSE(DbgLogInit("", kSwitch));
  const std::string tooLong = "C:\\" + std::string(257, 'a');  // 260 characters
  EXPECT_FALSE(DbgLogInit(tooLong.c_str(), kSwitch));
  EXPECT_EQ(DbgLog("x"), 0);
  const std::string longest = "C:\\" + std::string(256, 'a');  // 259 characters
  EXPECT_TRUE(DbgLogInit(longest.c_str(), kSwitch));

  // A folder that does not exist: the line is lost, nothing else happens.
  const std::string missing = m_dir + "\\no such folder\\K_TRLOG0.LOG";
  ASSERT_TRUE(DbgLogInit(missing.c_str(), kSwitch));
  EXPECT_EQ(DbgLog("lost"), 0);
  EXPECT_FALSE(FileExists(missing));
}

TEST_F(DbgLogTest, SwitchKeyMissingLeavesTheLogOff) {
  ASSERT_TRUE(DeleteRegTree(HKEY_CURRENT_USER, kLogSwitchKey));
  EXPECT_FALSE(DbgLogInit(m_path.c_str(), kSwitch));
}

TEST(LogPath, IsBelowTheCommonApplicationDataFolder) {
  char path[260];
  ASSERT_TRUE(BuildLogPath(path, sizeof path));
  char expected[MAX_PATH] = {};
  ASSERT_GT(::ExpandEnvironmentStringsA("%ALLUSERSPROFILE%", expected, MAX_PATH), 0u);
  // On the NT line from Vista on (and Wine), the common application-data folder is
  // %ALLUSERSPROFILE% (C:\ProgramData).
  EXPECT_STRCASEEQ(path, (std::string(expected) + "\\KORVA\\ZELT3\\K_TRLOG0.LOG").c_str());
  char tiny[16];
  EXPECT_TRUE(BuildLogPath(tiny, sizeof tiny));  // too small for the folder: the fallback
  EXPECT_STREQ(tiny, "C:\\K_TRLOG0.LOG");
  char tooTiny[15];
  EXPECT_FALSE(BuildLogPath(tooTiny, sizeof tooTiny));
}

// Several processes append to one file at once: every line arrives exactly once, whole.
TEST_F(DbgLogTest, ConcurrentWritersNeverTearOrLoseALine) {
  constexpr int kWriters = 8;
  constexpr int kLines = 500;
  ASSERT_TRUE(SetRegDword(HKEY_CURRENT_USER, kLogSwitchKey, kSwitch, 1));

  std::vector<PROCESS_INFORMATION> children;
  const std::string exe = SiblingPath("log_writer.exe");
  for (int w = 0; w < kWriters; ++w) {
    std::string cmd = "\"" + exe + "\" \"" + m_path + "\" " + std::to_string(w) + " " + std::to_string(kLines);
    std::vector<char> buf(cmd.begin(), cmd.end());
    buf.push_back('\0');
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(::CreateProcessA(nullptr, buf.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    children.push_back(pi);
  }
  for (PROCESS_INFORMATION& pi : children) {
    EXPECT_EQ(::WaitForSingleObject(pi.hProcess, 120000), WAIT_OBJECT_0);
    DWORD code = 99;
    ::GetExitCodeProcess(pi.hProcess, &code);
    EXPECT_EQ(code, 0u);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
  }

  const std::string text = ReadLog();
  ASSERT_EQ(text.substr(text.size() - 2), "\r\n");
  const std::regex line(R"(([0-9A-F]{4,8});[ 0-9]{5}:[0-5][0-9]\.[0-9]{3}; writer ([0-9]+) : ([0-9]+))");
  std::map<std::pair<int, int>, int> seen;
  std::map<int, std::string> pidOfWriter;
  for (const std::string& l : SplitCrLfLines(text)) {
    std::smatch m;
    ASSERT_TRUE(std::regex_match(l, m, line)) << "malformed line: " << l;
    const int writer = std::stoi(m[2]);
    ++seen[{writer, std::stoi(m[3])}];
    // Each writer is one process: its lines all carry the same process field.
    auto it = pidOfWriter.emplace(writer, m[1]).first;
    EXPECT_EQ(it->second, m[1]);
  }
  EXPECT_EQ(seen.size(), static_cast<std::size_t>(kWriters * kLines));
  for (const auto& entry : seen) {
    EXPECT_EQ(entry.second, 1) << "writer " << entry.first.first << " line " << entry.first.second;
  }
}

}  // namespace
