// The popup's extension items: built by a real frame started up in this process for a
// printer of the sample drivers or of a test driver whose setup data each case writes,
// and the owner-draw handlers painting into a memory bitmap.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "app/dbglog.h"
#include "app/trayiconapp.h"
#include "base/winhandle.h"
#include "frame/mainframe.h"
#include "sampledriver/installer/samplepackage.h"
#include "sampledriver/installer/spoolsetup.h"
#include "settings/targetreg.h"
#include "tests/support/winsupport.h"

using namespace testsupport;

namespace {

constexpr const char kTargets[] = "Software\\KORVA\\ZELT3\\ZELTData";

struct DcTraits {
  static HDC Invalid() { return nullptr; }
  static bool IsValid(HDC h) { return h != nullptr; }
  static void Close(HDC h) { ::DeleteDC(h); }
};
using UniqueDc = UniqueAny<HDC, DcTraits>;
struct GdiTraits {
  static HGDIOBJ Invalid() { return nullptr; }
  static bool IsValid(HGDIOBJ h) { return h != nullptr; }
  static void Close(HGDIOBJ h) { ::DeleteObject(h); }
};
using UniqueGdi = UniqueAny<HGDIOBJ, GdiTraits>;

bool KeyExists(HKEY root, const std::string& path) {
  UniqueHKey key;
  return ::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.Receive()) == ERROR_SUCCESS;
}
bool CreateKey(HKEY root, const std::string& path) {
  UniqueHKey key;
  return ::RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Receive(), nullptr) ==
         ERROR_SUCCESS;
}
void SetKeyPresent(HKEY root, const std::string& path, bool present) {
  if (present)
    ASSERT_TRUE(CreateKey(root, path)) << path;
  else
    ASSERT_TRUE(DeleteRegTree(root, path.c_str())) << path;
}

// A frame started up for one printer in this process, and what its log says.
class StartedFrame {
 public:
  StartedFrame(const char* printer, const char* driver, const char* model) {
    m_log = TempFolder() + "menu_test.log";
    RemoveFileIfPresent(m_log);
    SetRegDword(HKEY_CURRENT_USER, kLogSwitchKey, "K_TDBG", 1);
    DbgLogInit(m_log.c_str(), "K_TDBG");
    g_pMainFrame = &m_frame;
    m_created = m_frame.CreateFrameWindow(kAgentWindowClass, kAgentWindowTitle, kAgentWindowStyle,
                                          ::GetModuleHandleA(nullptr), nullptr);
    TextCopy(m_frame.m_szPrinterName, printer);
    TextCopy(m_frame.m_szDriverName, driver);
    TextCopy(m_frame.m_szPortName, "LPT1:");
    TextCopy(m_frame.m_szModelID, model);
    m_started = m_created ? m_frame.StartUp() : -2;
  }
  ~StartedFrame() {
    if (m_created) ::DestroyWindow(m_frame.m_hWnd);  // WM_DESTROY: the frame's own clean-up
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    g_pMainFrame = nullptr;
    DeleteRegValue(HKEY_CURRENT_USER, kLogSwitchKey, "K_TDBG");
  }
  StartedFrame(const StartedFrame&) = delete;
  StartedFrame& operator=(const StartedFrame&) = delete;

  int Started() const { return m_started; }
  CMainFrame& Frame() { return m_frame; }
  HMENU Popup() const { return m_frame.m_hMenu != nullptr ? ::GetSubMenu(m_frame.m_hMenu, 0) : nullptr; }

  std::vector<std::string> LogBodies() const { return LogFileBodies(m_log); }
  bool Logged(const std::string& body) const {
    const std::vector<std::string> bodies = LogBodies();
    return std::find(bodies.begin(), bodies.end(), body) != bodies.end();
  }

 private:
  std::string m_log;
  CMainFrame m_frame;
  bool m_created = false;
  int m_started = -2;
};

// Items of the resource's popup (menu 801 of the frame's resource library).
int ResourceItemCount(const char* resDllPath) {
  UniqueModule module(::LoadLibraryExA(resDllPath, nullptr, LOAD_LIBRARY_AS_DATAFILE));
  if (!module) return -1;
  HMENU menu = ::LoadMenuA(module.Get(), MAKEINTRESOURCEA(IDR_TRAYMENU));
  if (menu == nullptr) return -1;
  const int count = ::GetMenuItemCount(::GetSubMenu(menu, 0));
  ::DestroyMenu(menu);
  return count;
}

std::string ResourceString(const char* resDllPath, UINT id) {
  UniqueModule module(::LoadLibraryExA(resDllPath, nullptr, LOAD_LIBRARY_AS_DATAFILE));
  char text[260] = {};
  if (module) ::LoadStringA(module.Get(), id, text, sizeof text);
  return text;
}

// What follows the resource's items, as "-" for a separator and the command id for an
// owner-drawn item that carries its record's text; anything else shows as "?<id>".
// Each item's record is checked against the resource library's string on the way.
std::string ExtensionLayout(StartedFrame& started) {
  CMainFrame& frame = started.Frame();
  HMENU popup = started.Popup();
  if (popup == nullptr) return "no popup";
  const int first = ResourceItemCount(frame.m_szResDllPath);
  if (first < 0) return "no resource menu";
  std::string layout;
  for (int pos = first; pos < ::GetMenuItemCount(popup); ++pos) {
    MENUITEMINFOA mii = {};
    mii.cbSize = sizeof mii;
    mii.fMask = MIIM_FTYPE | MIIM_ID | MIIM_DATA;
    if (!::GetMenuItemInfoA(popup, pos, TRUE, &mii)) return layout + " unreadable";
    if (!layout.empty()) layout += ' ';
    if (mii.fType & MFT_SEPARATOR) {
      layout += '-';
      continue;
    }
    const int k = static_cast<int>(mii.wID) - static_cast<int>(ID_EXMENU_FIRST);
    const bool ownerDrawn = (mii.fType & MFT_OWNERDRAW) != 0;
    const bool record = k >= 0 && k < kExMenuItems && frame.m_pExMenuItem[k].m_nID == mii.wID &&
                        mii.dwItemData == reinterpret_cast<ULONG_PTR>(frame.m_pExMenuItem[k].m_szText);
    if (!ownerDrawn || !record) {
      layout += "?" + std::to_string(mii.wID);
      continue;
    }
    EXPECT_EQ(frame.m_pExMenuItem[k].m_szText, ResourceString(frame.m_szResDllPath, mii.wID)) << mii.wID;
    layout += std::to_string(mii.wID);
  }
  return layout;
}

// --- the sample drivers --------------------------------------------------------------

struct SampleCase {
  const char* driver;
  const char* model;
  bool inkOrderKey;
  const char* layout;
};

void PrintTo(const SampleCase& c, std::ostream* os) { *os << c.model << (c.inkOrderKey ? " with" : " without") << " IO_URL"; }

class SampleDriverMenu : public ::testing::TestWithParam<SampleCase> {
 protected:
  static constexpr const char kPrinter[] = "Menu Sample Printer";

  static void SetUpTestSuite() {
    std::string error;
    for (const std::string& driver : samplepackage::DriverNames()) {
      ASSERT_TRUE(spoolsetup::InstallDriver(samplepackage::Package(driver, ExeDir()), &error)) << error;
      s_hadInkOrderKey.push_back(KeyExists(HKEY_LOCAL_MACHINE, samplepackage::InkOrderKey(driver)));
    }
  }
  static void TearDownTestSuite() {
    spoolsetup::DeleteLocalPrinter(kPrinter, nullptr);
    for (std::size_t i = 0; i < s_hadInkOrderKey.size(); ++i)
      SetKeyPresent(HKEY_LOCAL_MACHINE, samplepackage::InkOrderKey(samplepackage::DriverNames()[i]),
                    s_hadInkOrderKey[i]);
  }
  void SetUp() override {
    DeleteRegTree(HKEY_CURRENT_USER, kTargets);
    spoolsetup::DeleteLocalPrinter(kPrinter, nullptr);
    std::string error;
    ASSERT_TRUE(spoolsetup::AddLocalPrinter(kPrinter, GetParam().driver, "LPT1:", &error)) << error;
  }

  static std::vector<bool> s_hadInkOrderKey;
};
std::vector<bool> SampleDriverMenu::s_hadInkOrderKey;

// Every kind of command is in both drivers' menus: utilities, driver update, program,
// ink ordering and shell commands; "Separators" counts only the items shown.
TEST_P(SampleDriverMenu, ShowsTheSetupDataCommandsWithTheirSeparators) {
  const SampleCase& c = GetParam();
  SetKeyPresent(HKEY_LOCAL_MACHINE, samplepackage::InkOrderKey(c.driver), c.inkOrderKey);
  StartedFrame started(kPrinter, c.driver, c.model);
  ASSERT_EQ(started.Started(), 1);
  EXPECT_EQ(ExtensionLayout(started), c.layout);
  // Each model's bitmap library has a picture for every command.
  for (int k = 0; k < kExMenuItems; ++k) {
    const CExMenuItem& item = started.Frame().m_pExMenuItem[k];
    if (item.m_nID != 0) EXPECT_NE(item.m_hBitmap, nullptr) << item.m_nID;
  }
  EXPECT_TRUE(started.Logged("CMainFrame::AddExMenu  bIsDriverUpdate = TRUE"));
}

const SampleCase kSampleCases[] = {
    {samplepackage::kDriver100, "KVS100", true, "- 920 921 922 923 - 930 931 - 940 950 951 952"},
    {samplepackage::kDriver100, "KVS100", false, "- 920 921 922 923 - 930 931 - 950 951 952"},
    {samplepackage::kDriver200, "KVS200", true, "- 920 921 - 930 931 940 - 950 951 952"},
    {samplepackage::kDriver200, "KVS200", false, "- 920 921 - 930 931 950 - 951 952"},
};
INSTANTIATE_TEST_SUITE_P(Drivers, SampleDriverMenu, ::testing::ValuesIn(kSampleCases),
                         [](const ::testing::TestParamInfo<SampleCase>& info) {
                           return std::string(info.param.model) + (info.param.inkOrderKey ? "_InkOrder" : "_NoInkOrder");
                         });

// --- a test driver whose setup data each case writes ---------------------------------

constexpr const char kTestDriver[] = "Menu Test Ink";
constexpr const char kTestPrinter[] = "Menu Test Printer";
constexpr const char kTestSetupData[] = "MNTSET.DAT";
constexpr const char kTestMenuKey[] = "Software\\KORVA\\ZELT3\\Driver\\Menu Test Ink\\Menu";
const std::string kTestInkOrderKey = "Software\\KORVA\\Menu Test Ink IO_URL";

// The test driver's data file: its setup data, the sample resource libraries and the
// KVS200 bitmap library.
constexpr const char kTestDataFile[] =
    "[User Mode Printer Driver Information]\r\n"
    "SADatI=MNTSET.DAT\r\n"
    "[Language]\r\n"
    "Lang_English=09,01\r\nLang_German=07,01\r\nLang_French=0C,01\r\n"
    "[Lang_English]\r\nResDll=KVSRES09.DLL\r\n"
    "[Lang_German]\r\nResDll=KVSRES07.DLL\r\n"
    "[Lang_French]\r\nResDll=KVSRES0C.DLL\r\n"
    "[KVS200]\r\nBmpDll=KVSBMP02.DLL\r\nTrayIconEnable=1\r\nTrayIconSelected=0\r\nTrayIconEndTime=0\r\n";

constexpr const char kTestSetupHead[] =
    "[Install]\r\n"
    "REGPATH=DRV,\"HKEY_LOCAL_MACHINE\\Software\\KORVA\\ZELT3\\Driver\\Menu Test Ink\"\r\n"
    "REGPATH=MENU,\"HKEY_LOCAL_MACHINE\\Software\\KORVA\\ZELT3\\Driver\\Menu Test Ink\\Menu\"\r\n"
    "REGENTER=DRV,\"ModelID\",\"KVS200\"\r\n"
    "REGENTER=DRV,\"InstallPath\",DRIVERDIR\r\n"
    "REGENTER=DRV,\"Profile\",DRIVERDIR+\"\\MNTDATA.DAT\"\r\n";

class SetupDataMenu : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const std::vector<std::string> libraries = {samplepackage::kResourceLibraryEnglish,
                                                samplepackage::kResourceLibraryGerman,
                                                samplepackage::kResourceLibraryFrench, samplepackage::kBitmapLibrary200};
    std::vector<std::string> dependents = libraries;
    dependents.push_back(kTestSetupData);
    spoolsetup::DeleteLocalPrinter(kTestPrinter, nullptr);
    spoolsetup::RemoveDriver(kTestDriver, nullptr);
    const spoolsetup::DriverPackage package = DummyDriverPackage(kTestDriver, "MNT", dependents);
    ASSERT_TRUE(WriteWholeFile(package.sourceDir + "\\" + package.dataFile, kTestDataFile));
    ASSERT_TRUE(WriteWholeFile(package.sourceDir + "\\" + kTestSetupData, kTestSetupHead));
    for (const std::string& file : libraries) {
      ASSERT_TRUE(::CopyFileA(SiblingPath(file.c_str()).c_str(), (package.sourceDir + "\\" + file).c_str(), FALSE))
          << file;
    }
    std::string error;
    ASSERT_TRUE(spoolsetup::InstallDriver(package, &error)) << error;
    ASSERT_TRUE(spoolsetup::AddLocalPrinter(kTestPrinter, kTestDriver, "LPT1:", &error)) << error;
    s_setupDataPath = spoolsetup::InstalledDriverFolder(kTestDriver) + "\\" + kTestSetupData;
  }
  static void TearDownTestSuite() {
    spoolsetup::DeleteLocalPrinter(kTestPrinter, nullptr);
    spoolsetup::RemoveDriver(kTestDriver, nullptr);
    DeleteRegTree(HKEY_LOCAL_MACHINE, kTestInkOrderKey.c_str());
    DeleteRegTree(HKEY_LOCAL_MACHINE, kTestMenuKey);
  }
  void SetUp() override {
    // The printer's own settings entry, switched on: the test driver brings no
    // printer-data library to make one.
    DeleteRegTree(HKEY_CURRENT_USER, kTargets);
    char entry[260] = {};
    ASSERT_EQ(CreateTargetKey(kTestPrinter, FALSE, entry, sizeof entry), 0);
    ASSERT_TRUE(SetRegDword(HKEY_CURRENT_USER, entry, "TrayIconEnable", 1));
    DeleteRegTree(HKEY_LOCAL_MACHINE, kTestInkOrderKey.c_str());
    DeleteRegTree(HKEY_LOCAL_MACHINE, kTestMenuKey);
  }

  // The setup data of the test driver: the fixed head and these lines.
  static void WriteSetupData(const std::string& lines) {
    ASSERT_TRUE(WriteWholeFile(s_setupDataPath, std::string(kTestSetupHead) + lines));
  }

  static std::string s_setupDataPath;
};
std::string SetupDataMenu::s_setupDataPath;

struct LayoutCase {
  const char* name;
  std::string lines;  // "Separators" and commands under the menu key ("M") and the driver key ("D")
  bool inkOrderKey;
  const char* installedCommand;  // the machine's copy of command 940, or null for no menu key
  const char* layout;
};

std::string Lines(const std::string& lines) {
  // "M 920 x" -> REGENTER=MENU,"920",x ; "D name x" -> REGENTER=DRV,"name",x
  std::string out;
  std::string text = lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    start = end + 1;
    if (line.size() < 3) continue;
    const std::size_t blank = line.find(' ', 2);
    out += std::string("REGENTER=") + (line[0] == 'M' ? "MENU" : "DRV") + ",\"" + line.substr(2, blank - 2) + "\"," +
           line.substr(blank + 1) + "\r\n";
  }
  return out;
}

const LayoutCase kLayoutCases[] = {
    {"IdOrderWhateverTheFileOrder", "M 950 DRIVERDIR+\"\\HELP.HTM\"\nM 921 \"b.exe\"\nM 920 \"a.exe\"", false, nullptr,
     "- 920 921 950"},
    {"SeparatorBeforeTheSecond", "M Separators \"2\"\nM 920 \"a.exe\"\nM 921 \"b.exe\"\nM 950 \"c.htm\"", false,
     nullptr, "- 920 - 921 950"},
    {"APlaceNeverReachedStopsTheRest", "M Separators \"0,2\"\nM 920 \"a.exe\"\nM 921 \"b.exe\"\nM 950 \"c.htm\"",
     false, nullptr, "- 920 921 950"},
    // 925 has no string: no item, and it does not count.
    {"AnIdWithoutAStringDoesNotCount",
     "M Separators \"3,4\"\nM 920 \"a.exe\"\nM 921 \"b.exe\"\nM 925 \"x.exe\"\nM 930 \"c.exe\"\nM 931 \"d.exe\"", false,
     nullptr, "- 920 921 - 930 - 931"},
    {"NoCommandsLeaveTheSeparatorAlone", "M Separators \"1\"", false, nullptr, "-"},
    {"ListTooLongStopsTheBuild", "M Separators \"1" + std::string(259, ' ') + "\"\nM 920 \"a.exe\"", false, nullptr,
     "-"},
    // Ink ordering: the command that names the "DepExe" file (any case) and "menu".
    {"InkOrderingWithItsKey", "D DepExe DRIVERDIR+\"\\ORDER.EXE\"\nM 920 \"a.exe\"\nM 940 \"C:\\x\\order.exe menu\"",
     true, nullptr, "- 920 940"},
    {"InkOrderingWithoutItsKey", "D DepExe DRIVERDIR+\"\\ORDER.EXE\"\nM 920 \"a.exe\"\nM 940 \"C:\\x\\order.exe menu\"",
     false, nullptr, "- 920"},
    {"WithoutMenuAnOrdinaryCommand", "D DepExe DRIVERDIR+\"\\ORDER.EXE\"\nM 920 \"a.exe\"\nM 940 \"C:\\x\\order.exe /buy\"",
     false, nullptr, "- 920 940"},
    {"ADepExeWithoutAFolderNamesNoProgram", "D DepExe \"ORDER.EXE\"\nM 920 \"a.exe\"\nM 940 \"C:\\x\\order.exe menu\"",
     false, nullptr, "- 920 940"},
    // The machine's copy of the commands decides which one orders ink.
    {"TheInstalledCommandsWin", "D DepExe DRIVERDIR+\"\\ORDER.EXE\"\nM 920 \"a.exe\"\nM 940 \"C:\\x\\order.exe /buy\"",
     false, "C:\\x\\ORDER.EXE /MENU", "- 920"},
    {"AnInstalledCommandThatIsNotOrdering",
     "D DepExe DRIVERDIR+\"\\ORDER.EXE\"\nM 920 \"a.exe\"\nM 940 \"C:\\x\\order.exe menu\"", false, "C:\\x\\OTHER.EXE",
     "- 920 940"},
};

TEST_F(SetupDataMenu, ItemsAndSeparatorsFollowTheSetupData) {
  for (const LayoutCase& c : kLayoutCases) {
    SCOPED_TRACE(c.name);
    WriteSetupData(Lines(c.lines));
    SetKeyPresent(HKEY_LOCAL_MACHINE, kTestInkOrderKey, c.inkOrderKey);
    ASSERT_TRUE(DeleteRegTree(HKEY_LOCAL_MACHINE, kTestMenuKey));
    if (c.installedCommand != nullptr) {
      ASSERT_TRUE(SetRegValue(HKEY_LOCAL_MACHINE, kTestMenuKey, "940", REG_SZ, c.installedCommand,
                              static_cast<DWORD>(std::strlen(c.installedCommand) + 1)));
    }
    StartedFrame started(kTestPrinter, kTestDriver, "KVS200");
    ASSERT_EQ(started.Started(), 1);
    EXPECT_EQ(ExtensionLayout(started), c.layout);
  }
}

TEST_F(SetupDataMenu, TheBuildIsLogged) {
  WriteSetupData(Lines("M Separators \"2\"\nM 920 \"a.exe\"\nM 925 \"x.exe\""));
  StartedFrame started(kTestPrinter, kTestDriver, "KVS200");
  ASSERT_EQ(started.Started(), 1);
  const std::vector<std::string> bodies = started.LogBodies();
  const auto at = std::find(bodies.begin(), bodies.end(), "CMainFrame::AddExMenu");
  ASSERT_NE(at, bodies.end());
  const std::vector<std::string> expected = {
      "CMainFrame::AddExMenu : csSeparators : 2",
      "ValueName : a.exe",
      "MenuName : " + ResourceString(started.Frame().m_szResDllPath, 920),
      "ID : 920",
      "AppendMenu : 1",
      "ValueName : x.exe",
      "MenuName : ",
  };
  std::vector<std::string> seen;
  for (auto it = at; it != bodies.end(); ++it) {
    if (std::find(expected.begin(), expected.end(), *it) != expected.end()) seen.push_back(*it);
  }
  EXPECT_EQ(seen, expected);
  EXPECT_FALSE(started.Logged("CMainFrame::AddExMenu  bIsDriverUpdate = TRUE")) << "no DriverUpdateName";
  // 78 ids without a value are looked up all the same.
  EXPECT_EQ(std::count(bodies.begin(), bodies.end(), "ValueName : "), 77);
}

// The popup opened for real: the system asks the frame to measure and paint its items.
void CALLBACK EndTheMenu(HWND, UINT, UINT_PTR id, DWORD) {
  ::KillTimer(nullptr, id);
  ::EndMenu();
}

TEST_F(SetupDataMenu, AnOpenedPopupPaintsItsItems) {
  WriteSetupData(Lines("M 920 \"a.exe\"\nM 921 \"b.exe\""));
  StartedFrame started(kTestPrinter, kTestDriver, "KVS200");
  ASSERT_EQ(started.Started(), 1);
  ::SetTimer(nullptr, 0, 500, &EndTheMenu);
  started.Frame().HandleMessage(started.Frame().m_hWnd, WM_TRAY_NOTIFY, 0, WM_RBUTTONDOWN);
  EXPECT_TRUE(started.Logged("CMainFrame::OnDrawItem ExMenuDrawn"));
}

// --- measuring and painting ----------------------------------------------------------

// A frame without a window: the handlers need only the records.
class ItemDrawing : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(m_frame.m_pExMenuItem, nullptr);
    m_dc.Reset(::CreateCompatibleDC(nullptr));
    ASSERT_TRUE(m_dc);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = kWidth;
    bi.bmiHeader.biHeight = -kHeight;  // top row first
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    m_dib.Reset(::CreateDIBSection(m_dc.Get(), &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&m_bits), nullptr, 0));
    ASSERT_TRUE(m_dib);
    std::fill(m_bits, m_bits + kWidth * kHeight, kUntouched);
    m_old = ::SelectObject(m_dc.Get(), m_dib.Get());
  }
  void TearDown() override { ::SelectObject(m_dc.Get(), m_old); }

  // A bitmap of one colour, owned by the record it goes into.
  static HBITMAP SolidBitmap(int width, int height, COLORREF colour) {
    HDC screen = ::GetDC(nullptr);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, width, height);
    UniqueDc dc(::CreateCompatibleDC(screen));
    ::ReleaseDC(nullptr, screen);
    HGDIOBJ old = ::SelectObject(dc.Get(), bitmap);
    UniqueGdi brush(::CreateSolidBrush(colour));
    const RECT all = {0, 0, width, height};
    ::FillRect(dc.Get(), &all, static_cast<HBRUSH>(brush.Get()));
    ::SelectObject(dc.Get(), old);
    return bitmap;
  }

  void Draw(UINT id, bool selected, const RECT& rc) {
    DRAWITEMSTRUCT dis = {};
    dis.CtlType = ODT_MENU;
    dis.itemID = id;
    dis.itemAction = ODA_DRAWENTIRE;
    dis.itemState = selected ? ODS_SELECTED : 0;
    dis.hDC = m_dc.Get();
    dis.rcItem = rc;
    m_frame.OnDrawItem(0, &dis);
    ::GdiFlush();
  }

  // The pixel as a COLORREF.
  COLORREF At(int x, int y) const {
    const DWORD p = m_bits[y * kWidth + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }
  bool Untouched(int x, int y) const { return m_bits[y * kWidth + x] == kUntouched; }

  static constexpr int kWidth = 240;
  static constexpr int kHeight = 32;
  static constexpr DWORD kUntouched = 0x00123456;

  CMainFrame m_frame;
  UniqueDc m_dc;
  UniqueGdi m_dib;
  DWORD* m_bits = nullptr;
  HGDIOBJ m_old = nullptr;
};

struct DrawCase {
  const char* name;
  int bitmapWidth, bitmapHeight;  // 0: no bitmap
  bool selected;
  int bitmapTop;  // expected, in the item at top 5 and 19 high
  int textLeft;   // expected, in the item at left 10
};

TEST_F(ItemDrawing, PaintsBackgroundBitmapAndTextInPlace) {
  const DrawCase cases[] = {
      {"Bitmap16InA19HighItemSelected", 16, 16, true, 6, 40},
      {"NoBitmapUnselected", 0, 0, false, 0, 40},
      {"WideOddBitmapUnselected", 24, 12, false, 8, 48},  // (19 - 12) / 2 drops the half
  };
  const RECT rc = {10, 5, 230, 24};
  const COLORREF mark = RGB(0, 200, 0);
  for (const DrawCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::fill(m_bits, m_bits + kWidth * kHeight, kUntouched);
    CExMenuItem& record = m_frame.m_pExMenuItem[3];
    if (record.m_hBitmap != nullptr) ::DeleteObject(record.m_hBitmap);
    record.m_hBitmap = c.bitmapWidth != 0 ? SolidBitmap(c.bitmapWidth, c.bitmapHeight, mark) : nullptr;
    record.m_nID = 923;
    TextCopy(record.m_szText, "HHHH");
    Draw(923, c.selected, rc);

    const COLORREF background = ::GetSysColor(c.selected ? COLOR_HIGHLIGHT : COLOR_MENU);
    const COLORREF text = ::GetSysColor(c.selected ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT);
    // Only the item's rectangle is painted.
    EXPECT_TRUE(Untouched(9, 10) && Untouched(230, 10) && Untouched(20, 4) && Untouched(20, 24));
    EXPECT_EQ(At(10, 5), background);
    EXPECT_EQ(At(229, 23), background);
    if (c.bitmapWidth != 0) {
      // Copied whole at left + 4, centred.
      EXPECT_EQ(At(14, c.bitmapTop), mark);
      EXPECT_EQ(At(14 + c.bitmapWidth - 1, c.bitmapTop + c.bitmapHeight - 1), mark);
      EXPECT_EQ(At(13, c.bitmapTop), background);
      EXPECT_EQ(At(14, c.bitmapTop - 1), background);
      EXPECT_EQ(At(14 + c.bitmapWidth, c.bitmapTop), background);
      EXPECT_EQ(At(14, c.bitmapTop + c.bitmapHeight), background);
    }
    // The text's first ink lies just right of its origin; nothing else is drawn between.
    int firstInk = -1;
    bool textColour = false;
    for (int x = 14 + c.bitmapWidth; x < 230 && firstInk < 0; ++x) {
      for (int y = 5; y < 24; ++y) {
        if (At(x, y) != background) {
          firstInk = x;
          break;
        }
      }
    }
    for (int x = 0; x < kWidth; ++x) {
      for (int y = 5; y < 24; ++y) textColour = textColour || (x >= firstInk && At(x, y) == text);
    }
    EXPECT_GE(firstInk, c.textLeft);
    EXPECT_LE(firstInk, c.textLeft + 3);
    EXPECT_TRUE(textColour);
  }
}

TEST_F(ItemDrawing, TheSampleBitmapIsDrawnOnePixelBelowTheTopOfA19HighItem) {
  UniqueModule library(::LoadLibraryA(SiblingPath(samplepackage::kBitmapLibrary200).c_str()));
  ASSERT_TRUE(library);
  CExMenuItem& record = m_frame.m_pExMenuItem[0];
  record.m_hBitmap = ::LoadBitmapA(library.Get(), MAKEINTRESOURCEA(920));
  ASSERT_NE(record.m_hBitmap, nullptr);
  record.m_nID = 920;
  const RECT rc = {0, 0, 200, 19};
  Draw(920, false, rc);
  // The nozzle check picture: a grey frame from (1, 1) to (14, 14) of the bitmap.
  const COLORREF frameGrey = RGB(120, 120, 120);
  EXPECT_EQ(At(4 + 1, 1 + 1), frameGrey);
  EXPECT_EQ(At(4 + 8, 1 + 1), frameGrey);
  EXPECT_NE(At(4 + 8, 1), frameGrey);
  EXPECT_EQ(At(4 + 14, 1 + 14), frameGrey);
  EXPECT_NE(At(4 + 14, 1 + 15), frameGrey);
}

TEST_F(ItemDrawing, MeasuresCheckMarkPlusTextWidthAndTheMenuBarHeight) {
  TextCopy(m_frame.m_pExMenuItem[0].m_szText, "Nozzle");
  TextCopy(m_frame.m_pExMenuItem[78].m_szText, "A much longer text for the last extension item");
  UniqueDc ic(::CreateICA("DISPLAY", nullptr, nullptr, nullptr));
  ASSERT_TRUE(ic);
  for (UINT id : {920u, 998u}) {
    const char* text = m_frame.m_pExMenuItem[id - 920].m_szText;
    SIZE extent = {};
    ASSERT_TRUE(::GetTextExtentPoint32A(ic.Get(), text, static_cast<int>(std::strlen(text)), &extent));
    MEASUREITEMSTRUCT mis = {};
    mis.CtlType = ODT_MENU;
    mis.itemID = id;
    m_frame.OnMeasureItem(0, &mis);
    EXPECT_EQ(mis.itemWidth, static_cast<UINT>(::GetSystemMetrics(SM_CXMENUCHECK) + extent.cx)) << text;
    EXPECT_EQ(mis.itemHeight, static_cast<UINT>(::GetSystemMetrics(SM_CYMENU)));
  }
}

TEST_F(ItemDrawing, IdsWithoutARecordAreLeftAlone) {
  for (UINT id : {0u, 901u, 919u, 999u, 0xFFFFFFFFu}) {
    MEASUREITEMSTRUCT mis = {};
    mis.itemID = id;
    mis.itemWidth = 0xDEAD;
    mis.itemHeight = 0xBEEF;
    m_frame.OnMeasureItem(0, &mis);
    EXPECT_EQ(mis.itemWidth, 0xDEADu) << id;
    EXPECT_EQ(mis.itemHeight, 0xBEEFu) << id;
    Draw(id, true, RECT{0, 0, 100, 19});
    EXPECT_TRUE(Untouched(0, 0) && Untouched(50, 10)) << id;
  }
  m_frame.OnMeasureItem(0, nullptr);
  m_frame.OnDrawItem(0, nullptr);

  // Without records, nothing at all.
  CExMenuItem* records = m_frame.m_pExMenuItem;
  m_frame.m_nExMenuItems = 0;
  MEASUREITEMSTRUCT mis = {};
  mis.itemID = 920;
  m_frame.OnMeasureItem(0, &mis);
  EXPECT_EQ(mis.itemWidth, 0u);
  Draw(920, true, RECT{0, 0, 100, 19});
  EXPECT_TRUE(Untouched(0, 0));
  m_frame.m_nExMenuItems = kExMenuItems;
  EXPECT_EQ(m_frame.m_pExMenuItem, records);
}

// --- the installer offers ink ordering -----------------------------------------------

TEST(DrvSetup, InstallOffersInkOrderingAndRemoveAllWithdrawsIt) {
  const std::string drvsetup = "\"" + SiblingPath("drvsetup.exe") + "\"";
  for (const std::string& driver : samplepackage::DriverNames())
    ASSERT_TRUE(DeleteRegTree(HKEY_LOCAL_MACHINE, samplepackage::InkOrderKey(driver).c_str()));
  ASSERT_EQ(RunProcess(drvsetup + " install"), 0);
  for (const std::string& driver : samplepackage::DriverNames())
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, samplepackage::InkOrderKey(driver))) << driver;
  ASSERT_EQ(RunProcess(drvsetup + " remove-all"), 0);
  for (const std::string& driver : samplepackage::DriverNames())
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, samplepackage::InkOrderKey(driver))) << driver;
}

}  // namespace
