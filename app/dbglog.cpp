#include "app/dbglog.h"

#include <windows.h>

#include <cstring>

#include "app/logline.h"
#include "base/text260.h"
#include "base/winhandle.h"

namespace {

struct LogState {
  Text260 path = {};
  bool enabled = false;
};

// Set once by the entry point before any other thread exists; read-only afterwards.
LogState g_log;

// Serialises appends of all agents of the session. Windows already appends atomically for
// a handle opened with FILE_APPEND_DATA alone, but not every implementation of the API
// does (Wine tears and loses lines); the lock costs little, as logging is a diagnostic
// mode.
constexpr const char kAppendMutexName[] = "KORVA_ZELT3_K_TRLOG0_Append";
constexpr DWORD kAppendWaitMs = 2000;

class AppendLock {
 public:
  AppendLock() : m_mutex(::CreateMutexA(nullptr, FALSE, kAppendMutexName)) {
    if (!m_mutex) return;
    const DWORD wait = ::WaitForSingleObject(m_mutex.Get(), kAppendWaitMs);
    // An abandoned mutex is ours all the same; on a time-out we write unlocked rather
    // than lose the line.
    m_held = (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED);
  }
  ~AppendLock() {
    if (m_held) ::ReleaseMutex(m_mutex.Get());
  }
  AppendLock(const AppendLock&) = delete;
  AppendLock& operator=(const AppendLock&) = delete;

 private:
  UniqueHandle m_mutex;
  bool m_held = false;
};

int WriteLine(const ByteString& line) {
  if (line.empty()) return 0;
  const ByteString bytes = ToTextModeBytes(line);
  AppendLock lock;
  // FILE_APPEND_DATA without FILE_WRITE_DATA puts every write at the current end of the
  // file; seeking to the end first would race with other appenders.
  UniqueFile file(::CreateFileA(g_log.path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return 0;
  DWORD written = 0;
  const DWORD size = static_cast<DWORD>(bytes.size());
  if (!::WriteFile(file.Get(), bytes.data(), size, &written, nullptr) || written != size) return 0;
  return 1;
}

}  // namespace

bool DbgLogInit(const char* path, const char* valueName) {
  g_log.path[0] = '\0';
  g_log.enabled = false;
  if (path == nullptr || path[0] == '\0') return false;
  if (!TextCopy(g_log.path, path)) return false;

  UniqueHKey key;
  if (::RegOpenKeyExA(HKEY_CURRENT_USER, kLogSwitchKey, 0, KEY_READ, key.Receive()) != ERROR_SUCCESS) return false;
  unsigned char data[4] = {0, 0, 0, 0};
  DWORD size = sizeof data;
  // Any type will do; data longer than 4 bytes fails the read and leaves the log off.
  if (::RegQueryValueExA(key.Get(), valueName, nullptr, nullptr, data, &size) != ERROR_SUCCESS) return false;
  if ((data[0] | data[1] | data[2] | data[3]) == 0) return false;
  g_log.enabled = true;
  return true;
}

bool DbgLogEnabled() { return g_log.enabled; }

int DbgLog(const char* text) {
  if (!g_log.enabled || text == nullptr) return 0;
  return WriteLine(FormatLogText(::GetCurrentProcessId(), ::GetTickCount(), text));
}

int DbgLogStr(const char* label, const char* text) {
  if (!g_log.enabled || label == nullptr || text == nullptr) return 0;
  return WriteLine(FormatLogStr(::GetCurrentProcessId(), ::GetTickCount(), label, text));
}

int DbgLogInt(const char* label, std::int32_t value) {
  if (!g_log.enabled || label == nullptr) return 0;
  return WriteLine(FormatLogInt(::GetCurrentProcessId(), ::GetTickCount(), label, value));
}

int DbgLogClose() { return 1; }
