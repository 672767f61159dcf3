#include "app/trayiconapp.h"

#include <shlobj.h>

#include "app/dbglog.h"
#include "base/text260.h"

CTrayIconApp theApp;

namespace {
constexpr const char kLogFileBelowAppData[] = "\\KORVA\\ZELT3\\K_TRLOG0.LOG";
constexpr const char kLogFileFallback[] = "C:\\K_TRLOG0.LOG";
}  // namespace

bool BuildLogPath(char* out, std::size_t outSize) {
  char folder[MAX_PATH] = {};
  if (SUCCEEDED(::SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder)) &&
      folder[0] != '\0' && TextFormat(out, outSize, "%s%s", folder, kLogFileBelowAppData)) {
    return true;
  }
  return TextCopy(out, outSize, kLogFileFallback);
}
