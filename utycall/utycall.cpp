// Placeholder until the utility launcher lands: no command is a utility command.
#include "utycall/utycall.h"

CUtyCall::~CUtyCall() {
  if (m_hUtySem != nullptr) ::CloseHandle(m_hUtySem);
}

int CUtyCall::IsUtyCallMenu(const char*, const char*, const char*, const char*) { return 0; }
void CUtyCall::StartUtyCall(const char*, const char*) {}
void CUtyCall::UtyCallMain() {}
void CUtyCall::CheckUtyCall() {}
DWORD WINAPI UtyCallThreadProc(LPVOID) { return 0; }
