// The utility launcher: a maintenance utility of the model's library, run on a worker
// thread, one call per printer at a time whichever agent starts it.
#include "utycall/utycall.h"

#include <windows.h>

#include <cstring>

#include "app/dbglog.h"
#include "drvdata/setupreglookup.h"
#include "settings/driverkeys.h"
#include "utycall/utycommand.h"

namespace {

// The utility's entry points: four ANSI texts, the callee removes them; the result is
// not used.
using UtyEntryFn = int(WINAPI*)(const char* printerName, const char* arg2, const char* arg3, const char* arg4);

}  // namespace

CUtyCall::~CUtyCall() {
  // The worker reads this object until it has released the semaphore: never let it
  // outlive it, whoever ends the object.
  if (m_hUtyThread) ::WaitForSingleObject(m_hUtyThread.Get(), INFINITE);
}

int CUtyCall::IsUtyCallMenu(const char* driverName, const char* printerName, const char* modelID,
                            const char* value) {
  DbgLog("CUtyCall::IsUtyCallMenu");
  if (driverName == nullptr || driverName[0] == '\0' || modelID == nullptr || modelID[0] == '\0' ||
      value == nullptr || value[0] == '\0')
    return 0;

  Text260 driverKey = {};
  if (!FormatDriverKey(driverKey, sizeof driverKey, driverName)) return 0;
  const ByteString profile =
      CSetupRegLookup().QueryByPrinter(printerName != nullptr ? printerName : "", driverKey, "Profile");
  DbgLogStr("CUtyCall::IsUtyCallMenu : csDatName", profile.c_str());
  // Without a profile there is no file to ask (an empty name would send the profile
  // functions to the system's own profile).
  Text260 datName = {};
  if (profile.empty() || !TextCopy(datName, profile.c_str())) return 0;

  Text260 utility = {};
  const DWORD length = ::GetPrivateProfileStringA(modelID, "UTILITY", "", utility, sizeof utility, datName);
  if (length == 0 || length >= sizeof utility - 1) return 0;  // none, or cut short
  return std::strstr(value, utility) != nullptr ? 1 : 0;
}

void CUtyCall::StartUtyCall(const char* printerName, const char* value) {
  DbgLog("CUtyCall::StartUtyCall");
  Text260 semaphoreName = {};
  if (!MakeUtySemaphoreName(printerName, semaphoreName, sizeof semaphoreName)) return;
  if (!m_hUtySem) {
    // Opens the semaphore instead when another agent created it for the same printer.
    m_hUtySem.Reset(::CreateSemaphoreA(nullptr, 1, 1, semaphoreName[0] != '\0' ? semaphoreName : nullptr));
    if (!m_hUtySem) return;
  }
  // A call for this printer runs (here or in another agent): the command is dropped.
  if (::WaitForSingleObject(m_hUtySem.Get(), 0) != WAIT_OBJECT_0) return;

  std::size_t libraryLength = 0;
  if (!TextCopy(m_szUtyPrinter, printerName) || !FindUtyLibraryEnd(value, &libraryLength) ||
      !TextCopyN(m_szUtyLib, value, libraryLength)) {
    ReleaseUtySem();
    return;
  }
  m_nUtyID = ParseUtyNumber(value, libraryLength);

  m_hUtyThread.Reset(::CreateThread(nullptr, 0, &UtyCallThreadProc, this, 0, nullptr));
  if (!m_hUtyThread) ReleaseUtySem();
}

void CUtyCall::UtyCallMain() {
  DbgLog("CUtyCall::UtyCallMain");
  {
    UniqueModule library(::LoadLibraryA(m_szUtyLib));
    if (library) {
      const char* entryName = UtyEntryName(m_nUtyID);
      const auto entry = entryName != nullptr ? reinterpret_cast<UtyEntryFn>(reinterpret_cast<void*>(
                                                    ::GetProcAddress(library.Get(), entryName)))
                                              : nullptr;
      if (entry != nullptr && IsUtyEntryCalled(m_nUtyID)) entry(m_szUtyPrinter, m_szUtyArg2, m_szUtyArg3, m_szUtyArg4);
    }
  }  // the library is freed before the next call may start
  ReleaseUtySem();
}

void CUtyCall::CheckUtyCall() {
  DbgLog("CUtyCall::CheckUtyCall");
  if (!m_hUtySem) return;  // no utility call ever ran here
  ::WaitForSingleObject(m_hUtySem.Get(), INFINITE);
  // The worker releases the semaphore as its last step; let it finish that step too
  // before the frame goes away.
  if (m_hUtyThread) ::WaitForSingleObject(m_hUtyThread.Get(), INFINITE);
  // Given back at once: a semaphore has no owner, so a count taken for good would stay
  // taken after this agent has ended for every other agent that has it open, and would
  // drop all their utility commands for the printer. No command reaches this object
  // after the wait (the window is being destroyed).
  ReleaseUtySem();
}

void CUtyCall::ReleaseUtySem() { ::ReleaseSemaphore(m_hUtySem.Get(), 1, nullptr); }

DWORD WINAPI UtyCallThreadProc(LPVOID param) {
  static_cast<CUtyCall*>(param)->UtyCallMain();
  return 0;
}
