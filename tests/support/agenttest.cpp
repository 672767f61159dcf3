#include "tests/support/agenttest.h"

#include <shlobj.h>
#include <windows.h>

#include <cstdio>
#include <regex>

#include "tests/support/winsupport.h"

namespace testsupport {

namespace {
constexpr const char kSwitchKey[] = "SOFTWARE\\KORVA\\ZELT3";
}

std::string AgentLogPath() {
  char folder[MAX_PATH] = {};
  if (FAILED(::SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder))) return "";
  return std::string(folder) + "\\KORVA\\ZELT3\\K_TRLOG0.LOG";
}

void AgentTest::SetUp() {
  m_log = AgentLogPath();
  ASSERT_FALSE(m_log.empty());
  ASSERT_TRUE(CreateFolders(m_log.substr(0, m_log.find_last_of('\\'))));
  ASSERT_TRUE(RemoveFileIfPresent(m_log));
  ASSERT_TRUE(SetRegDword(HKEY_CURRENT_USER, kSwitchKey, "K_TDBG", 1));
}

void AgentTest::TearDown() { DeleteRegValue(HKEY_CURRENT_USER, kSwitchKey, "K_TDBG"); }

bool AgentProcess::Running() const {
  return m_process.IsValid() && ::WaitForSingleObject(m_process.Get(), 0) == WAIT_TIMEOUT;
}

HWND AgentProcess::Window() const {
  struct Search {
    DWORD pid;
    HWND found;
  } search = {m_pid, nullptr};
  ::EnumWindows(
      [](HWND hWnd, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        DWORD pid = 0;
        ::GetWindowThreadProcessId(hWnd, &pid);
        char cls[64] = {};
        char title[64] = {};
        ::GetClassNameA(hWnd, cls, sizeof cls);
        ::GetWindowTextA(hWnd, title, sizeof title);
        if (pid == s->pid && std::string(cls) == "TrayIconWClass" && std::string(title) == "ZELT3 TrayIcon") {
          s->found = hWnd;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

bool AgentProcess::WaitUntilServing(const std::string& logPath, DWORD timeoutMs) const {
  char prefix[16] = {};
  std::snprintf(prefix, sizeof prefix, "%04X;", static_cast<unsigned>(m_pid));
  const DWORD start = ::GetTickCount();
  for (;;) {
    std::string text;
    ReadWholeFile(logPath, &text);
    for (const std::string& line : SplitCrLfLines(text)) {
      if (line.rfind(prefix, 0) == 0 && line.find("; MainFrame.StartUp() : Result : 1") != std::string::npos)
        return true;
    }
    if (!Running() || ::GetTickCount() - start > timeoutMs) return false;
    ::Sleep(50);
  }
}

long AgentProcess::WaitForExit(DWORD timeoutMs) {
  if (!m_process.IsValid()) return -1;
  if (::WaitForSingleObject(m_process.Get(), timeoutMs) != WAIT_OBJECT_0) {
    ::TerminateProcess(m_process.Get(), 1);
    ::WaitForSingleObject(m_process.Get(), 5000);
    return -1;
  }
  DWORD code = 0;
  if (!::GetExitCodeProcess(m_process.Get(), &code)) return -1;
  return static_cast<long>(code);
}

long AgentProcess::Close(DWORD timeoutMs) {
  HWND window = Window();
  if (window == nullptr || !::PostMessageA(window, WM_CLOSE, 0, 0)) {
    WaitForExit(0);
    return -1;
  }
  return WaitForExit(timeoutMs);
}

AgentProcess AgentTest::StartAgent(const std::string& args) {
  std::string commandLine = "\"" + SiblingPath("trayagent.exe") + "\"" + (args.empty() ? "" : " " + args);
  std::vector<char> cmd(commandLine.begin(), commandLine.end());
  cmd.push_back('\0');
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  if (!::CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return AgentProcess();
  ::CloseHandle(pi.hThread);
  return AgentProcess(pi.hProcess, pi.dwProcessId);
}

long AgentTest::RunAgent(const std::string& args) {
  AgentProcess agent = StartAgent(args);
  if (!agent.Started()) return -1;
  if (agent.WaitUntilServing(m_log, 60000)) return agent.Close();
  return agent.WaitForExit();
}

std::vector<std::string> AgentTest::LogBodiesOf(DWORD pid) const {
  char id[16] = {};
  std::snprintf(id, sizeof id, "%04X", static_cast<unsigned>(pid));
  std::vector<std::string> bodies;
  for (const LogLine& line : ReadLog()) {
    if (line.pid == id) bodies.push_back(line.body);
  }
  return bodies;
}

std::vector<AgentTest::LogLine> AgentTest::ReadLog() const {
  std::string text;
  ReadWholeFile(m_log, &text);
  std::vector<LogLine> lines;
  const std::regex format(R"(([0-9A-F]{4,8});[ 0-9]{5}:[0-5][0-9]\.[0-9]{3}; (.*))");
  for (const std::string& line : SplitCrLfLines(text)) {
    std::smatch m;
    EXPECT_TRUE(std::regex_match(line, m, format)) << "malformed log line: " << line;
    if (!m.empty()) lines.push_back({m[1], m[2]});
  }
  return lines;
}

std::vector<std::string> AgentTest::LogBodies() const {
  std::vector<std::string> bodies;
  for (const LogLine& line : ReadLog()) bodies.push_back(line.body);
  return bodies;
}

}  // namespace testsupport
