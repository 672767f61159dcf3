// A second program on the instance map, for the tests that need two processes.
//   instmap_probe claim <block> <key> <kind> <value>
//       claims in the named block (created when missing); prints "<result> <found window>"
//       and exits with the result
//   instmap_probe hold <ready event> <quit event>
//       takes the map lock, sets the ready event, waits for the quit event and ends
//       without releasing the lock (an owner that died)
//   instmap_probe race <key> <rounds> <gap ms> <lock 0|1> <sync prefix>
//       per round, started by the test through the semaphores <prefix>_start, _claimed,
//       _release and _done: claims the key as the agent does (MultiExecuteCheck), waits
//       the gap, stores its own window (SethWindow), optionally all under one
//       CInstanceMapLock; after the test's release step gives the slot back. Prints one
//       line per round: "<round> <claim result> <found window> <own window> <store result>"
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "base/winhandle.h"
#include "instmap/instmap.h"

namespace {

DWORD Number(const char* text) { return static_cast<DWORD>(std::strtoul(text, nullptr, 0)); }

HWND CreateProbeWindow() {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = ::DefWindowProcA;
  wc.hInstance = ::GetModuleHandleA(nullptr);
  wc.lpszClassName = "InstMapProbeWindow";
  ::RegisterClassA(&wc);
  return ::CreateWindowExA(0, wc.lpszClassName, "probe", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                           wc.hInstance, nullptr);
}

UniqueHandle OpenSem(const std::string& name) {
  return UniqueHandle(::OpenSemaphoreA(SEMAPHORE_ALL_ACCESS, FALSE, name.c_str()));
}

int Race(const char* key, int rounds, DWORD gapMs, bool lock, const std::string& prefix) {
  const HWND own = CreateProbeWindow();
  const UniqueHandle start = OpenSem(prefix + "_start");
  const UniqueHandle claimed = OpenSem(prefix + "_claimed");
  const UniqueHandle release = OpenSem(prefix + "_release");
  const UniqueHandle done = OpenSem(prefix + "_done");
  if (own == nullptr || !start || !claimed || !release || !done) return 10;
  for (int i = 0; i < rounds; ++i) {
    if (::WaitForSingleObject(start.Get(), 60000) != WAIT_OBJECT_0) return 11;
    HWND found = nullptr;
    HANDLE map = nullptr;
    int claim = 0;
    int store = 99;
    {
      std::unique_ptr<CInstanceMapLock> held(lock ? new CInstanceMapLock() : nullptr);
      claim = MultiExecuteCheck(key, "", kMapKindTray, kMapPlaceholder, &found, &map);
      if (claim == 0) {
        ::Sleep(gapMs);
        store = SethWindow(key, "", own, kMapKindTray);
      }
    }
    ::ReleaseSemaphore(claimed.Get(), 1, nullptr);
    if (::WaitForSingleObject(release.Get(), 60000) != WAIT_OBJECT_0) return 12;
    if (claim == 0) ReleaseMapEntry(map, key, "", kMapKindTray);
    if (map != nullptr) ::CloseHandle(map);
    std::printf("%d %d 0x%08lX 0x%08lX %d\n", i, claim, static_cast<unsigned long>(MapValueFromWindow(found)),
                static_cast<unsigned long>(MapValueFromWindow(own)), store);
    ::ReleaseSemaphore(done.Get(), 1, nullptr);
  }
  std::fflush(stdout);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "claim" && argc == 6) {
    const UniqueHandle map(CreateInstanceMap(argv[2]));
    if (!map) return 20;
    HWND found = nullptr;
    const int result = CheckMapPrinter(map.Get(), argv[3], static_cast<int>(Number(argv[4])), Number(argv[5]), &found);
    std::printf("%d 0x%08lX\n", result, static_cast<unsigned long>(MapValueFromWindow(found)));
    std::fflush(stdout);
    return result;
  }
  if (mode == "hold" && argc == 4) {
    const UniqueHandle ready(::OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[2]));
    const UniqueHandle quit(::OpenEventA(SYNCHRONIZE, FALSE, argv[3]));
    if (!ready || !quit) return 21;
    auto* lock = new CInstanceMapLock();  // never released: the process ends owning it
    if (!lock->Held()) return 22;
    ::SetEvent(ready.Get());
    ::WaitForSingleObject(quit.Get(), 60000);
    ::ExitProcess(0);
  }
  if (mode == "race" && argc == 7) {
    return Race(argv[2], static_cast<int>(Number(argv[3])), Number(argv[4]), Number(argv[5]) != 0, argv[6]);
  }
  std::fputs("usage: instmap_probe claim|hold|race ...\n", stderr);
  return 2;
}
