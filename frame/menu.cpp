// The popup's extension items: which of the driver's commands get an item, where the
// separators go, and how the owner-drawn items are measured and painted.
#include <windows.h>

#include <cstdint>
#include <cstring>

#include "app/dbglog.h"
#include "base/resstring.h"
#include "base/winhandle.h"
#include "drvdata/setupreglookup.h"
#include "frame/mainframe.h"
#include "frame/separators.h"
#include "settings/driverkeys.h"
#include "settings/registrykey.h"

namespace {

constexpr UINT kExMenuLastRecordId = ID_EXMENU_FIRST + kExMenuItems - 1;  // 998
constexpr int kNoBitmapTextOffset = 20;
constexpr int kBitmapLeft = 4;
constexpr int kTextGap = 10;

// Device contexts made here (information and memory contexts) are deleted, not released.
struct DcTraits {
  static HDC Invalid() { return nullptr; }
  static bool IsValid(HDC h) { return h != nullptr; }
  static void Close(HDC h) { ::DeleteDC(h); }
};
using UniqueDc = UniqueAny<HDC, DcTraits>;

struct GdiObjectTraits {
  static HGDIOBJ Invalid() { return nullptr; }
  static bool IsValid(HGDIOBJ h) { return h != nullptr; }
  static void Close(HGDIOBJ h) { ::DeleteObject(h); }
};
using UniqueGdiObject = UniqueAny<HGDIOBJ, GdiObjectTraits>;

// "Software\KORVA\ZELT3\Driver\<driver>\Menu"; 0 when it does not fit.
int FormatMenuKey(char* out, std::size_t size, const char* driverName) {
  return TextFormat(out, size, "%s%s\\Menu", kDriverKeyPrefix, driverName) ? 1 : 0;
}

void UpperAscii(char* text) {
  for (char* p = text; *p != '\0'; ++p) *p = ToUpperAscii(*p);
}

int TextWidth(HDC dc, const char* text, SIZE* size) {
  size->cx = 0;
  size->cy = 0;
  if (dc == nullptr) return 0;
  return ::GetTextExtentPoint32A(dc, text, static_cast<int>(std::strlen(text)), size) ? 1 : 0;
}

}  // namespace

int CMainFrame::AddExMenu(HMENU popup) {
  DbgLog("CMainFrame::AddExMenu");
  Text260 menuKey = {};
  const int menuKeyOk = FormatMenuKey(menuKey, sizeof menuKey, m_szDriverName);

  // Between the resource's items and the driver's, also when none follows.
  ::AppendMenuA(popup, MF_SEPARATOR, 0, nullptr);
  if (!menuKeyOk) return 0;

  // The ink-ordering item: the first command that names the ordering program with "MENU".
  Text260 depExe = {};
  GetDepExeName(depExe, sizeof depExe);
  const int inkOrderEnabled = IsEnableInkOrder();
  UINT inkOrderId = 0;
  for (UINT id = ID_EXMENU_FIRST; id <= kExMenuLastRecordId; ++id) {
    if (IsInkOrderMenu(id, depExe) == 1) {
      inkOrderId = id;
      break;
    }
  }

  Text260 updateName = {};
  if (GetDriverUpdateExeName(updateName, sizeof updateName, nullptr, 0) == 1)
    DbgLog("CMainFrame::AddExMenu  bIsDriverUpdate = TRUE");

  const CSetupRegLookup lookup;
  const ByteString separators = lookup.QueryByPrinter(m_szPrinterName, menuKey, "Separators");
  DbgLogStr("CMainFrame::AddExMenu : csSeparators", separators.c_str());
  SeparatorPlaces places;
  if (!ParseSeparatorPlaces(separators.c_str(), &places)) return 0;

  std::int32_t shown = 0;
  for (UINT id = ID_EXMENU_FIRST; id <= kExMenuLastRecordId; ++id) {
    const int k = static_cast<int>(id - ID_EXMENU_FIRST);
    if (m_pExMenuItem == nullptr || k >= m_nExMenuItems) break;

    char valueName[16] = {};
    TEXT_FORMAT(valueName, "%d", static_cast<int>(id));
    const ByteString value = lookup.QueryByPrinter(m_szPrinterName, menuKey, valueName);
    DbgLogStr("ValueName", value.c_str());
    if (value.empty()) continue;

    Text260 text = {};
    const ByteString name = LoadByteString(id);
    if (!TextCopy(text, name.c_str())) return 0;
    DbgLogStr("MenuName", text);
    if (id == inkOrderId && !inkOrderEnabled) text[0] = '\0';
    if (text[0] == '\0') continue;

    // Positions count only the items that are shown.
    ++shown;
    if (places.TakeBefore(shown)) ::AppendMenuA(popup, MF_SEPARATOR, 0, nullptr);

    CExMenuItem& item = m_pExMenuItem[k];
    if (item.m_hBitmap != nullptr) ::DeleteObject(item.m_hBitmap);  // a menu built again
    item.m_hBitmap = ::LoadBitmapA(m_hBmpDll, MAKEINTRESOURCEA(id));
    DbgLogInt("Bmp Handle", static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(item.m_hBitmap)));
    item.m_nID = id;
    DbgLogInt("ID", static_cast<std::int32_t>(id));
    if (!TextCopy(item.m_szText, text)) return 0;

    // The item's data is its text, which the record keeps for as long as the menu lives.
    const BOOL appended = ::AppendMenuA(popup, MF_OWNERDRAW, id, item.m_szText);
    DbgLogInt("AppendMenu", appended);
  }
  return 1;
}

int CMainFrame::GetDepExeName(char* out, std::size_t size) {
  DbgLog("CMainFrame::GetDepExeName");
  if (out == nullptr || size == 0) return 0;
  out[0] = '\0';

  Text260 driverKey = {};
  if (!FormatDriverKey(driverKey, sizeof driverKey, m_szDriverName)) return 0;
  const ByteString value = CSetupRegLookup().QueryByPrinter(m_szPrinterName, driverKey, "DepExe");
  DbgLogStr("CMainFrame::GetDepExeName : csValue", value.c_str());

  Text260 path = {};
  if (!TextCopy(path, value.c_str())) return 0;
  if (path[0] == '\0') return 0;

  // Only the file name counts; a value without a folder names none.
  const char* slash = std::strrchr(path, '\\');
  if (slash != nullptr && !TextCopy(out, size, slash + 1)) return 0;
  UpperAscii(out);
  return 1;
}

int CMainFrame::IsInkOrderMenu(UINT id, const char* name) {
  DbgLog("CMainFrame::IsInkOrderMenu");
  if (name == nullptr || name[0] == '\0') return 0;
  Text260 menuKey = {};
  if (!FormatMenuKey(menuKey, sizeof menuKey, m_szDriverName)) return 0;

  char valueName[16] = {};
  TEXT_FORMAT(valueName, "%u", id);
  Text260 command = {};
  // The installed copy of the commands wins over the setup data.
  CRegistryKey key(HKEY_LOCAL_MACHINE, menuKey, FALSE);
  if (key.m_fOpen) {
    const ByteString value = key.QueryString(valueName, "", kTextSize);
    if (!TextCopy(command, value.c_str())) return 0;
  } else {
    const ByteString value = CSetupRegLookup().QueryByPrinter(m_szPrinterName, menuKey, valueName);
    DbgLogStr("CMainFrame::IsInkOrderMenu : csValue", value.c_str());
    if (!TextCopy(command, value.c_str())) return 0;
  }

  UpperAscii(command);
  return (std::strstr(command, name) != nullptr && std::strstr(command, "MENU") != nullptr) ? 1 : 0;
}

int CMainFrame::IsEnableInkOrder() {
  DbgLog("CMainFrame::IsEnableInkOrder");
  Text260 keyPath = {};
  if (!TEXT_FORMAT(keyPath, "Software\\KORVA\\%s IO_URL", m_szDriverName)) return 0;
  {
    CRegistryKey key(HKEY_LOCAL_MACHINE, keyPath, FALSE);
    if (key.m_fOpen) return 1;
  }
  CDrvInfoRegistryKey key(HKEY_LOCAL_MACHINE, keyPath, FALSE);
  if (!key.m_fOpen) return 0;
  key.Close();
  return 1;
}

void CMainFrame::OnMeasureItem(WPARAM, MEASUREITEMSTRUCT* item) {
  if (item == nullptr || m_pExMenuItem == nullptr) return;
  const std::int64_t k = static_cast<std::int64_t>(item->itemID) - ID_EXMENU_FIRST;
  if (k < 0 || k >= m_nExMenuItems) return;

  UniqueDc ic(::CreateICA("DISPLAY", nullptr, nullptr, nullptr));
  SIZE size = {};
  TextWidth(ic.Get(), m_pExMenuItem[k].m_szText, &size);  // no context: the check mark's width alone
  item->itemWidth = static_cast<UINT>(::GetSystemMetrics(SM_CXMENUCHECK) + size.cx);
  item->itemHeight = static_cast<UINT>(::GetSystemMetrics(SM_CYMENU));
}

void CMainFrame::OnDrawItem(WPARAM, const DRAWITEMSTRUCT* item) {
  if (item == nullptr || m_pExMenuItem == nullptr) return;
  const std::int64_t k = static_cast<std::int64_t>(item->itemID) - ID_EXMENU_FIRST;
  if (k < 0 || k >= m_nExMenuItems) return;
  DbgLog("CMainFrame::OnDrawItem ExMenuDrawn");

  const CExMenuItem& record = m_pExMenuItem[k];
  HDC dc = item->hDC;
  const RECT& rc = item->rcItem;
  const int height = rc.bottom - rc.top;
  const bool selected = (item->itemState & ODS_SELECTED) != 0;
  const COLORREF background = ::GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_MENU);
  {
    UniqueGdiObject brush(::CreateSolidBrush(background));
    if (brush) ::FillRect(dc, &rc, static_cast<HBRUSH>(brush.Get()));
  }

  int textOffset = kNoBitmapTextOffset;
  BITMAP bm = {};
  if (record.m_hBitmap != nullptr && ::GetObjectA(record.m_hBitmap, sizeof bm, &bm) != 0) {
    UniqueDc memory(::CreateCompatibleDC(dc));
    if (memory) {
      const HGDIOBJ previous = ::SelectObject(memory.Get(), record.m_hBitmap);
      ::BitBlt(dc, rc.left + kBitmapLeft, rc.top + (height - bm.bmHeight) / 2, bm.bmWidth, bm.bmHeight,
               memory.Get(), 0, 0, SRCCOPY);
      ::SelectObject(memory.Get(), previous);
    }
    textOffset = bm.bmWidth + kBitmapLeft;
  }

  const COLORREF oldText = ::SetTextColor(dc, ::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT));
  const COLORREF oldBack = ::SetBkColor(dc, background);
  SIZE size = {};
  TextWidth(dc, record.m_szText, &size);
  ::TextOutA(dc, rc.left + textOffset + kTextGap, rc.top + (height - size.cy) / 2, record.m_szText,
             static_cast<int>(std::strlen(record.m_szText)));
  ::SetBkColor(dc, oldBack);
  ::SetTextColor(dc, oldText);
}
