#include "app/trayiconapp.h"

#include <shlobj.h>

#include "app/dbglog.h"
#include "base/text260.h"
#include "base/winhandle.h"

CTrayIconApp theApp;

namespace {
constexpr const char kLogFileBelowAppData[] = "\\KORVA\\ZELT3\\K_TRLOG0.LOG";
constexpr const char kLogFileFallback[] = "C:\\K_TRLOG0.LOG";

// SHGetFolderPathA is looked up at run time: the shell of Windows NT 4.0 and 9x has it
// only with later updates, otherwise only the redistributable SHFOLDER.DLL has it.
// 1: folder filled; 0: no such function or no such folder.
int CommonAppDataFolder(char (&folder)[MAX_PATH]) {
  using GetFolderPathFn = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPSTR);
  static const char* const kLibraries[] = {"shell32.dll", "shfolder.dll"};
  for (const char* name : kLibraries) {
    UniqueModule library(::LoadLibraryA(name));
    if (!library) continue;
    const auto getFolderPath = reinterpret_cast<GetFolderPathFn>(
        reinterpret_cast<void (*)()>(::GetProcAddress(library.Get(), "SHGetFolderPathA")));
    if (getFolderPath == nullptr) continue;
    folder[0] = '\0';
    return SUCCEEDED(getFolderPath(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder)) &&
                   folder[0] != '\0'
               ? 1
               : 0;
  }
  return 0;
}
}  // namespace

bool BuildLogPath(char* out, std::size_t outSize) {
  char folder[MAX_PATH] = {};
  if (CommonAppDataFolder(folder) == 1 && TextFormat(out, outSize, "%s%s", folder, kLogFileBelowAppData)) {
    return true;
  }
  return TextCopy(out, outSize, kLogFileFallback);
}
