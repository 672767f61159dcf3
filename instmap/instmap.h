#pragma once
// The instance map: a named block of shared memory over the paging file in which the
// package's programs record, per printer, the window that serves it, so that one printer
// has one agent. Layout and record rules: instmap/maprecords.h. Windows only.
//
// The key of every operation is the printer name, or the port name when that is empty.
// Windows go into the block as 32-bit values (MapValueFromWindow), so that 32-bit and
// 64-bit programs share one layout. Logging goes through SetInstanceMapLog.
#include <windows.h>

#include <cstdint>
#include <vector>

#include "instmap/maprecords.h"

constexpr const char kDefaultMapName[] = "ZeltV5MapFile_Ink";
constexpr int kMapKindTray = 3;  // the agent's slot
constexpr DWORD kMapPlaceholder = 0xFFFFFFFF;

// Name of the mutex that serialises map operations among the package's agents. Without a
// prefix it lives in the same (session) namespace as the block; the same text for the
// 32-bit and the 64-bit build.
constexpr const char kInstanceMapLockName[] = "ZeltV5MapFile_Ink_Lock";
constexpr DWORD kInstanceMapLockTimeoutMs = 10000;

// A window as the block stores it (the low 32 bits, which is all a window handle uses),
// and back, sign-extended as the system widens 32-bit handles.
inline DWORD MapValueFromWindow(HWND hWnd) { return static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(hWnd)); }
inline HWND WindowFromMapValue(DWORD value) {
  return reinterpret_cast<HWND>(static_cast<LONG_PTR>(static_cast<LONG>(value)));
}

// Creates the block (267000 bytes, zero-filled, with an empty list) or opens the existing
// one of that name. The caller closes the handle; null on failure.
HANDLE CreateInstanceMap(const char* mapName);

// The block name the printer's driver names ("MapFileName" of its driver key in the setup
// data). 1 when it was copied to out (size bytes, terminator included), else 0.
int GetDriverMapName(const char* key, char* out, int size);

// The driver's block name, else kDefaultMapName. Length written, 0 on failure.
int GetMapName(const char* key, char* out, int size);

// Claims the kind's slot of key in the block for value. 0 claimed (value stored); 1 a live
// window holds it (*phWndFound set) or the kind has no slot; 2 failure (no room, a key no
// record can hold, the block cannot be viewed). The handle stays open.
int CheckMapPrinter(HANDLE hMapFile, const char* key, int appSel, DWORD value, HWND* phWndFound);

// Opens or creates the printer's block and claims the slot there (CheckMapPrinter).
// *phMapFile receives the block's handle, which the caller closes; when the block cannot
// be created the result is 0 with no handle (the caller runs without the check). 2 when an
// out place is missing or no block name can be had.
int MultiExecuteCheck(const char* printerName, const char* portName, int appSel, DWORD value, HWND* phWndFound,
                      HANDLE* phMapFile);

// Stores hWnd in the kind's slot of the printer's record in the named block.
// 0 stored; 1 no end marker and no such key; -2 key not found before the end marker;
// -1 no such block or it cannot be viewed.
int SethWindowSub(const char* printerName, const char* portName, HWND hWnd, int appSel, const char* mapName);
// The same in the printer's block (GetMapName); -1 also when no name can be had.
int SethWindow(const char* printerName, const char* portName, HWND hWnd, int appSel);

// Clears the kind's slot of the printer's record; the record becomes free when no other
// kind holds it. The handle stays open.
void ReleaseMapEntry(HANDLE hMapFile, const char* printerName, const char* portName, int appSel);

// The live window in the kind's slot of key in the named block, or null (no block, no
// record, empty slot, the placeholder, or a window that is gone). Never creates the block.
HWND FindMapWindow(const char* mapName, const char* key, int appSel);

// A copy of the named block as it is now (at most kMapBlockSize bytes: less when another
// program created it smaller). False when there is no such block; never creates it.
bool SnapshotInstanceMap(const char* mapName, std::vector<unsigned char>* out);

// Serialises map operations among this package's agents for the life of the object: a
// named mutex, waited for at most the timeout (an owner that died counts as released).
// When it cannot be had the operations go on unlocked (logged), as a program that takes
// no lock always does. Every map operation above takes one too; a lock taken while one is
// alive on the same thread joins it without waiting, so the agent holds one across its
// claim and the storing of its window and both happen as one step.
class CInstanceMapLock {
 public:
  CInstanceMapLock();
  explicit CInstanceMapLock(DWORD timeoutMs);
  ~CInstanceMapLock();
  CInstanceMapLock(const CInstanceMapLock&) = delete;
  CInstanceMapLock& operator=(const CInstanceMapLock&) = delete;

  // True when this thread owns the mutex.
  bool Held() const;

 private:
  HANDLE m_hMutex = nullptr;
  bool m_fHeld = false;
  bool m_fOutermost = false;
};
