#include "instmap/instmap.h"

#include "base/text260.h"
#include "base/winhandle.h"
#include "drvdata/setupreglookup.h"
#include "settings/driverkeys.h"
#include "settings/spooler.h"

namespace {

struct ViewTraits {
  static void* Invalid() { return nullptr; }
  static bool IsValid(void* p) { return p != nullptr; }
  static void Close(void* p) { ::UnmapViewOfFile(p); }
};
using UniqueView = UniqueAny<void*, ViewTraits>;

// One view of the whole block for an operation. Another program may have created the
// block, possibly smaller: the view spans what really exists (mapping length 0), and the
// record walks stop failing where it ends, as a view of a record beyond it would fail.
// One mapping per operation instead of one per record keeps a walk over 500 records at
// the cost of reading them.
class BlockView {
 public:
  BlockView(HANDLE hMapFile, DWORD access) {
    if (hMapFile == nullptr) return;
    m_view.Reset(::MapViewOfFile(hMapFile, access, 0, 0, 0));
    if (!m_view) return;
    MEMORY_BASIC_INFORMATION info = {};
    if (::VirtualQuery(m_view.Get(), &info, sizeof info) == 0) {
      m_view.Reset();
      return;
    }
    m_size = info.RegionSize < kMapBlockSize ? info.RegionSize : kMapBlockSize;
  }
  explicit operator bool() const { return m_view.IsValid(); }
  unsigned char* Data() const { return static_cast<unsigned char*>(m_view.Get()); }
  std::size_t Size() const { return m_size; }

 private:
  UniqueView m_view;
  std::size_t m_size = 0;
};

bool IsLiveWindow(std::uint32_t value, void*) { return ::IsWindow(WindowFromMapValue(value)) != FALSE; }

thread_local int t_lockDepth = 0;
thread_local bool t_lockHeld = false;

}  // namespace

CInstanceMapLock::CInstanceMapLock() : CInstanceMapLock(kInstanceMapLockTimeoutMs) {}

CInstanceMapLock::CInstanceMapLock(DWORD timeoutMs) {
  if (t_lockDepth++ > 0) {
    // The thread already has a lock object alive: held or given up, waiting again would
    // change nothing but the time it takes.
    m_fHeld = t_lockHeld;
    return;
  }
  m_fOutermost = true;
  m_hMutex = ::CreateMutexA(nullptr, FALSE, kInstanceMapLockName);
  if (m_hMutex == nullptr) {
    MapLogInt("CInstanceMapLock : unlocked, CreateMutex error", static_cast<std::int32_t>(::GetLastError()));
  } else {
    const DWORD wait = ::WaitForSingleObject(m_hMutex, timeoutMs);
    // An owner that ended without releasing leaves the block as it last wrote it; the
    // record walks cope with whatever that is.
    m_fHeld = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
    if (!m_fHeld) MapLogInt("CInstanceMapLock : unlocked, wait", static_cast<std::int32_t>(wait));
  }
  t_lockHeld = m_fHeld;
}

CInstanceMapLock::~CInstanceMapLock() {
  --t_lockDepth;
  if (!m_fOutermost) return;
  t_lockHeld = false;
  if (m_hMutex != nullptr) {
    if (m_fHeld) ::ReleaseMutex(m_hMutex);
    ::CloseHandle(m_hMutex);
  }
}

bool CInstanceMapLock::Held() const { return m_fHeld; }

HANDLE CreateInstanceMap(const char* mapName) {
  if (mapName == nullptr || mapName[0] == '\0') return nullptr;
  // Creation and the first end marker are one step for agents that take the lock: one
  // that opened the block in between would find a list without an end.
  CInstanceMapLock lock;
  ::SetLastError(ERROR_SUCCESS);
  UniqueHandle map(::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                        static_cast<DWORD>(kMapBlockSize), mapName));
  if (!map) return nullptr;
  const bool created = ::GetLastError() != ERROR_ALREADY_EXISTS;
  UniqueView view(::MapViewOfFile(map.Get(), FILE_MAP_ALL_ACCESS, 0, 0, kMapRecordSize));
  if (!view) return nullptr;
  if (created) InitMapBlock(static_cast<unsigned char*>(view.Get()), kMapRecordSize);
  return map.Release();
}

int GetDriverMapName(const char* key, char* out, int size) {
  if (key == nullptr || key[0] == '\0' || out == nullptr || size < 1) return 0;
  // A port name, or a printer that is gone, has no driver.
  Text260 driver = {};
  if (GetPrinterDriverName(key, driver, sizeof driver) != 1) return 0;
  Text260 subKey = {};
  if (FormatDriverKey(subKey, sizeof subKey, driver) != 1) return 0;
  const ByteString name = CSetupRegLookup().QueryByPrinter(key, subKey, "MapFileName");
  if (name.empty()) return 0;
  return TextCopy(out, static_cast<std::size_t>(size), name.c_str()) ? 1 : 0;
}

int GetMapName(const char* key, char* out, int size) {
  if (out == nullptr || size <= 0) return 0;
  if (GetDriverMapName(key, out, size) == 1) return static_cast<int>(TextLength(out, static_cast<std::size_t>(size)));
  if (!TextCopy(out, static_cast<std::size_t>(size), kDefaultMapName)) return 0;
  return static_cast<int>(sizeof kDefaultMapName - 1);
}

int CheckMapPrinter(HANDLE hMapFile, const char* key, int appSel, DWORD value, HWND* phWndFound) {
  if (phWndFound != nullptr) *phWndFound = nullptr;
  CInstanceMapLock lock;
  const BlockView view(hMapFile, FILE_MAP_ALL_ACCESS);
  if (!view) {
    MapLog("enter : CheckMapPrinter");
    return 2;
  }
  std::uint32_t found = 0;
  const int result = ClaimMapSlot(view.Data(), view.Size(), key, appSel, value, &IsLiveWindow, nullptr, &found);
  if (result == 1 && found != 0 && phWndFound != nullptr) *phWndFound = WindowFromMapValue(found);
  return result;
}

int MultiExecuteCheck(const char* printerName, const char* portName, int appSel, DWORD value, HWND* phWndFound,
                      HANDLE* phMapFile) {
  MapLog("enter : MultiExecuteCheck");
  if (phWndFound == nullptr || phMapFile == nullptr) return 2;
  *phWndFound = nullptr;
  *phMapFile = nullptr;
  const char* key = ChooseMapKey(printerName, portName);
  Text260 mapName = {};
  if (GetMapName(key, mapName, sizeof mapName) <= 0) return 2;
  CInstanceMapLock lock;
  const HANDLE hMapFile = CreateInstanceMap(mapName);
  // Without a block there is nothing to claim: the agent runs unprotected.
  const int result = hMapFile != nullptr ? CheckMapPrinter(hMapFile, key, appSel, value, phWndFound) : 0;
  *phMapFile = hMapFile;
  MapLog("exit  : MultiExecuteCheck");
  return result;
}

int SethWindowSub(const char* printerName, const char* portName, HWND hWnd, int appSel, const char* mapName) {
  MapLog("enter : SethWindowSub");
  MapLogStr("MapName", mapName);
  MapLogStr("PrnName", printerName);
  MapLogStr("PortName", portName);
  MapLogInt("hWnd", static_cast<std::int32_t>(MapValueFromWindow(hWnd)));
  MapLogInt("AppSel", appSel);
  if (mapName == nullptr || mapName[0] == '\0') return -1;
  CInstanceMapLock lock;
  const UniqueHandle map(::OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, mapName));
  if (!map) return -1;
  const BlockView view(map.Get(), FILE_MAP_ALL_ACCESS);
  if (!view) return -1;
  const int result = StoreMapWindow(view.Data(), view.Size(), ChooseMapKey(printerName, portName), appSel,
                                    MapValueFromWindow(hWnd));
  if (result == 1) MapLog("exit : SethWindowSub");
  return result;
}

int SethWindow(const char* printerName, const char* portName, HWND hWnd, int appSel) {
  Text260 mapName = {};
  if (GetMapName(ChooseMapKey(printerName, portName), mapName, sizeof mapName) <= 0) return -1;
  return SethWindowSub(printerName, portName, hWnd, appSel, mapName);
}

void ReleaseMapEntry(HANDLE hMapFile, const char* printerName, const char* portName, int appSel) {
  CInstanceMapLock lock;
  const BlockView view(hMapFile, FILE_MAP_ALL_ACCESS);
  if (!view) return;
  ReleaseMapSlot(view.Data(), view.Size(), ChooseMapKey(printerName, portName), appSel);
}

HWND FindMapWindow(const char* mapName, const char* key, int appSel) {
  if (mapName == nullptr || mapName[0] == '\0') return nullptr;
  const UniqueHandle map(::OpenFileMappingA(FILE_MAP_READ, FALSE, mapName));
  const BlockView view(map.Get(), FILE_MAP_READ);
  if (!view) return nullptr;
  std::uint32_t value = 0;
  if (!LookupMapSlot(view.Data(), view.Size(), key, appSel, &value)) return nullptr;
  if (value == 0 || value == kMapPlaceholderValue || !IsLiveWindow(value, nullptr)) return nullptr;
  return WindowFromMapValue(value);
}

bool SnapshotInstanceMap(const char* mapName, std::vector<unsigned char>* out) {
  if (out == nullptr) return false;
  out->clear();
  if (mapName == nullptr || mapName[0] == '\0') return false;
  const UniqueHandle map(::OpenFileMappingA(FILE_MAP_READ, FALSE, mapName));
  const BlockView view(map.Get(), FILE_MAP_READ);
  if (!view) return false;
  out->assign(view.Data(), view.Data() + view.Size());
  return true;
}
