// The resource and bitmap libraries: loaded for start-up only, while the menu and the
// pictures are taken from them.
#include <windows.h>

#include "app/dbglog.h"
#include "base/resstring.h"
#include "frame/mainframe.h"
#include "settings/driverkeys.h"

int CMainFrame::LoadResDll(const char* path) {
  DbgLog("CMainFrame::LoadResDll");
  m_hResDll = (path != nullptr && path[0] != '\0') ? ::LoadLibraryA(path) : nullptr;
  if (m_hResDll == nullptr) {
    ::MessageBoxA(m_hWnd, m_szMsgNoFile, m_szMsgTitle, MB_OK);
    return 0;
  }
  SetStringResourceModule(m_hResDll);

  // Pictures come from the model's bitmap library; the resource library stands in for it.
  Text260 bmpPath = {};
  m_hBmpDll = m_hResDll;
  if (GetBmpDllPath(bmpPath, sizeof bmpPath, m_szDriverName, m_szModelID, m_szPrinterName) && bmpPath[0] != '\0') {
    if (HMODULE bmp = ::LoadLibraryA(bmpPath)) {
      m_hBmpDll = bmp;
      m_fBmpDllLoaded = 1;
    }
  }
  return 1;
}

void CMainFrame::FreeResDll() {
  // Menus, icons and bitmaps taken from the libraries are the agent's own copies.
  if (m_hResDll != nullptr) {
    SetStringResourceModule(nullptr);
    ::FreeLibrary(m_hResDll);
    m_hResDll = nullptr;
  }
  if (m_hBmpDll != nullptr && m_fBmpDllLoaded) {
    ::FreeLibrary(m_hBmpDll);
    m_fBmpDllLoaded = 0;
  }
  m_hBmpDll = nullptr;
}
