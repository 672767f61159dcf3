#pragma once
// Maintenance utilities of the model's utility library, run on a worker thread of their
// own, one call per printer at a time (a named semaphore shared by every agent).
#include <windows.h>

#include <cstdint>

#include "base/text260.h"
#include "base/winhandle.h"

class CUtyCall {
 public:
  CUtyCall() = default;
  // Waits for a worker that still runs: it reads the object until its end.
  ~CUtyCall();
  CUtyCall(const CUtyCall&) = delete;
  CUtyCall& operator=(const CUtyCall&) = delete;

  // 1 when the command value names the model's utility library ("UTILITY" of the model's
  // section in the "Profile" file of the driver's setup data).
  int IsUtyCallMenu(const char* driverName, const char* printerName, const char* modelID, const char* value);
  // Starts the utility the value names for the printer, unless a call for that printer
  // already runs (then the command is dropped).
  void StartUtyCall(const char* printerName, const char* value);
  // The worker's work: load, look up, call, free, release the semaphore.
  void UtyCallMain();
  // Returns once no utility call for the printer runs (without a time limit): the one of
  // this object's worker, or one that another agent runs for the same printer.
  void CheckUtyCall();

  Text260 m_szUtyArg3 = {};
  Text260 m_szUtyArg4 = {};
  Text260 m_szUtyPrinter = {};
  Text260 m_szUtyArg2 = {};
  Text260 m_szUtyLib = {};
  std::int32_t m_nUtyID = 0;
  UniqueHandle m_hUtySem;     // the printer's semaphore, once created
  UniqueHandle m_hUtyThread;  // worker of the last call

 private:
  // Gives the semaphore back (count 1).
  void ReleaseUtySem();
};

// Thread procedure of the worker; param is the CUtyCall. Exit code 0.
DWORD WINAPI UtyCallThreadProc(LPVOID param);
