// The sample package's resource and bitmap libraries, loaded the way the agent loads them:
// the menu, texts and pictures it takes by number, for every extension command that the
// sample setup data defines.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <ostream>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "base/winhandle.h"
#include "drvdata/setupfile.h"
#include "tests/support/winsupport.h"

using namespace testsupport;

namespace {

constexpr int kTrayMenu = 801;
constexpr UINT kPrinterItem = 900;
constexpr UINT kMonitorPrefs = 901;
constexpr int kFirstExtension = 920;
constexpr int kLastExtension = 998;
constexpr int kTrayPictures[] = {700, 701, 702};

// Extension command ids of each model, as the setup data's [Install] section defines them:
// the numeric value names of a menu key (a driver key followed by "\Menu"), the driver
// key's "ModelID" naming the model.
std::map<std::string, std::set<int>> ExtensionIdsByModel() {
  CSetupFile file;
  EXPECT_TRUE(file.Open(SiblingPath("KVSMPSET.DAT").c_str()));
  EXPECT_TRUE(file.FindSection("Install"));
  std::map<std::string, std::string> paths;        // REGPATH id -> key
  std::map<std::string, std::string> models;       // driver key -> model
  std::map<std::string, std::set<int>> commands;   // menu key -> ids
  std::vector<std::pair<std::string, std::string>> entries;
  std::string_view name, value;
  while (file.GetNextEntryView(&name, &value)) entries.emplace_back(name, value);
  for (const auto& [entryName, entryValue] : entries) {
    if (entryName == "REGPATH")
      paths[CSetupFile::GetField(entryValue, 0)] = CSetupFile::Unquote(CSetupFile::GetField(entryValue, 1));
  }
  for (const auto& [entryName, entryValue] : entries) {
    if (entryName != "REGENTER") continue;
    const std::string key = paths[CSetupFile::GetField(entryValue, 0)];
    const std::string valueName = CSetupFile::Unquote(CSetupFile::GetField(entryValue, 1));
    if (valueName == "ModelID") models[key] = CSetupFile::Unquote(CSetupFile::GetField(entryValue, 2));
    const int id = std::atoi(valueName.c_str());
    if (id >= kFirstExtension && id <= kLastExtension && std::to_string(id) == valueName) commands[key].insert(id);
  }
  std::map<std::string, std::set<int>> byModel;
  for (const auto& [key, model] : models) byModel[model] = commands[key + "\\Menu"];
  return byModel;
}

std::set<int> AllExtensionIds() {
  std::set<int> all;
  for (const auto& [model, ids] : ExtensionIdsByModel()) all.insert(ids.begin(), ids.end());
  return all;
}

std::string DataFileValue(const char* section, const char* key) {
  char value[260] = {};
  ::GetPrivateProfileStringA(section, key, "", value, sizeof value, SiblingPath("KVSMPDRV.DAT").c_str());
  return value;
}

std::wstring MenuTextW(HMENU menu, UINT command) {
  wchar_t text[260] = {};
  ::GetMenuStringW(menu, command, text, 260, MF_BYCOMMAND);
  return text;
}

std::wstring StringW(HMODULE module, UINT id) {
  wchar_t text[260] = {};
  ::LoadStringW(module, id, text, 260);
  return text;
}

// The sizes and colour depths of the images of an icon resource (its directory).
std::vector<std::pair<int, int>> IconImages(HMODULE module, int id) {
  std::vector<std::pair<int, int>> images;
  HRSRC found = ::FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */);
  if (found == nullptr) return images;
  const BYTE* dir = static_cast<const BYTE*>(::LockResource(::LoadResource(module, found)));
  const DWORD size = ::SizeofResource(module, found);
  if (dir == nullptr || size < 6) return images;
  const int count = dir[4] | (dir[5] << 8);
  for (int i = 0; i < count && 6u + 14u * (i + 1) <= size; ++i) {
    const BYTE* entry = dir + 6 + 14 * i;
    images.emplace_back(entry[0] == 0 ? 256 : entry[0], entry[6] | (entry[7] << 8));
  }
  return images;
}

struct IconTraits {
  static HICON Invalid() { return nullptr; }
  static bool IsValid(HICON h) { return h != nullptr; }
  static void Close(HICON h) { ::DestroyIcon(h); }
};
using UniqueIcon = UniqueAny<HICON, IconTraits>;
struct GdiTraits {
  static HGDIOBJ Invalid() { return nullptr; }
  static bool IsValid(HGDIOBJ h) { return h != nullptr; }
  static void Close(HGDIOBJ h) { ::DeleteObject(h); }
};
using UniqueGdi = UniqueAny<HGDIOBJ, GdiTraits>;
struct DcTraits {
  static HDC Invalid() { return nullptr; }
  static bool IsValid(HDC h) { return h != nullptr; }
  static void Close(HDC h) { ::DeleteDC(h); }
};
using UniqueDc = UniqueAny<HDC, DcTraits>;

UniqueIcon LoadTrayPicture(HMODULE module, int id, int size) {
  return UniqueIcon(static_cast<HICON>(::LoadImageA(module, MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, 0)));
}

// Each tray picture loads at 16 x 16, and the library holds it drawn at 16 and at 32
// pixels, 32-bit, so that neither size is scaled from the other.
void ExpectTrayPictures(HMODULE module) {
  for (int id : kTrayPictures) {
    SCOPED_TRACE(id);
    UniqueIcon icon = LoadTrayPicture(module, id, 16);
    ASSERT_TRUE(icon) << ::GetLastError();
    ICONINFO info = {};
    ASSERT_TRUE(::GetIconInfo(icon.Get(), &info));
    UniqueGdi color(info.hbmColor), mask(info.hbmMask);
    BITMAP bm = {};
    ASSERT_TRUE(::GetObjectA(info.hbmColor, sizeof bm, &bm));
    EXPECT_EQ(bm.bmWidth, 16);
    EXPECT_EQ(bm.bmHeight, 16);
    const std::vector<std::pair<int, int>> images = IconImages(module, id);
    EXPECT_EQ(images, (std::vector<std::pair<int, int>>{{16, 32}, {32, 32}}));
  }
}

// --- resource libraries --------------------------------------------------------------

struct ResourceLibraryCase {
  const char* languageSection;  // of the data file
  const char* file;
  const wchar_t* monitorPrefs;  // text of command 901
  const wchar_t* nozzleCheck;   // string 920
};

const ResourceLibraryCase kResourceLibraries[] = {
    {"Lang_English", "KVSRES09.DLL", L"&Monitoring Preferences...", L"Nozzle Check Pattern"},
    {"Lang_German", "KVSRES07.DLL", L"&\u00dcberwachungseinstellungen...", L"D\u00fcsentestmuster"},
    {"Lang_French", "KVSRES0C.DLL", L"&Pr\u00e9f\u00e9rences de surveillance...",
     L"Motif de v\u00e9rification des buses"},
};

void PrintTo(const ResourceLibraryCase& c, std::ostream* os) { *os << c.file; }

class ResourceLibrary : public ::testing::TestWithParam<ResourceLibraryCase> {};

TEST_P(ResourceLibrary, HoldsTheTrayMenuTextsAndPictures) {
  const ResourceLibraryCase& c = GetParam();
  // The data file's language section names this library.
  ASSERT_EQ(DataFileValue(c.languageSection, "ResDll"), c.file);
  UniqueModule module(::LoadLibraryA(SiblingPath(c.file).c_str()));
  ASSERT_TRUE(module) << ::GetLastError();

  // Menu 801: its first submenu is the popup, with a command at position 0 for the
  // agent to replace and the monitoring preferences item.
  HMENU menu = ::LoadMenuA(module.Get(), MAKEINTRESOURCEA(kTrayMenu));
  ASSERT_NE(menu, nullptr) << ::GetLastError();
  HMENU popup = ::GetSubMenu(menu, 0);
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(::GetMenuItemID(popup, 0), kPrinterItem);
  EXPECT_EQ(MenuTextW(popup, kMonitorPrefs), c.monitorPrefs);
  ::DestroyMenu(menu);

  // Every extension command of either model has a text; the agent draws them itself,
  // so a "&" would show as it is.
  const std::set<int> ids = AllExtensionIds();
  ASSERT_GE(ids.size(), 8u);
  for (int id : ids) {
    char text[260] = {};
    EXPECT_GT(::LoadStringA(module.Get(), id, text, sizeof text), 0) << c.file << " string " << id;
    EXPECT_EQ(std::string(text).find('&'), std::string::npos) << text;
  }
  // Non-ASCII letters arrive as the language writes them (the .rc's code page).
  EXPECT_EQ(StringW(module.Get(), kFirstExtension), c.nozzleCheck);

  ExpectTrayPictures(module.Get());
}

TEST_P(ResourceLibrary, LoadsAsAPlainDataFile) {
  UniqueModule module(::LoadLibraryExA(SiblingPath(GetParam().file).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  ASSERT_TRUE(module) << ::GetLastError();
  HMENU menu = ::LoadMenuA(module.Get(), MAKEINTRESOURCEA(kTrayMenu));
  EXPECT_NE(menu, nullptr);
  if (menu != nullptr) ::DestroyMenu(menu);
  char text[260] = {};
  EXPECT_GT(::LoadStringA(module.Get(), kFirstExtension, text, sizeof text), 0);
}

INSTANTIATE_TEST_SUITE_P(Languages, ResourceLibrary, ::testing::ValuesIn(kResourceLibraries),
                         [](const ::testing::TestParamInfo<ResourceLibraryCase>& info) {
                           return std::string(info.param.languageSection);
                         });

// --- bitmap libraries ----------------------------------------------------------------

TEST(BitmapLibrary, EachModelsLibraryHoldsTrayPicturesAndABitmapPerCommand) {
  const std::map<std::string, std::set<int>> byModel = ExtensionIdsByModel();
  ASSERT_EQ(byModel.size(), 2u);
  for (const auto& [model, ids] : byModel) {
    SCOPED_TRACE(model);
    const std::string file = DataFileValue(model.c_str(), "BmpDll");
    ASSERT_FALSE(file.empty());
    UniqueModule module(::LoadLibraryA(SiblingPath(file.c_str()).c_str()));
    ASSERT_TRUE(module) << file << ": " << ::GetLastError();
    ExpectTrayPictures(module.Get());
    ASSERT_FALSE(ids.empty());
    for (int id : ids) {
      UniqueGdi bitmap(::LoadBitmapA(module.Get(), MAKEINTRESOURCEA(id)));
      ASSERT_TRUE(bitmap) << file << " bitmap " << id;
      BITMAP bm = {};
      ASSERT_TRUE(::GetObjectA(bitmap.Get(), sizeof bm, &bm));
      // Drawn at the item's left, centred in an item one menu bar high.
      EXPECT_EQ(bm.bmWidth, 16) << id;
      EXPECT_EQ(bm.bmHeight, 16) << id;
    }
  }
}

// --- the three tray pictures, told apart by colour -----------------------------------

enum Hue { kOther, kGreen, kAmber, kRed };

Hue Classify(BYTE r, BYTE g, BYTE b) {
  const int hi = std::max({r, g, b}), lo = std::min({r, g, b});
  if (hi < 96 || hi - lo < hi / 2) return kOther;  // dark or greyish
  double hue;
  if (hi == r)
    hue = 60.0 * (g - b) / (hi - lo);
  else if (hi == g)
    hue = 120.0 + 60.0 * (b - r) / (hi - lo);
  else
    hue = 240.0 + 60.0 * (r - g) / (hi - lo);
  if (hue < 0) hue += 360.0;
  if (hue >= 90 && hue <= 160) return kGreen;
  if (hue >= 30 && hue <= 60) return kAmber;
  if (hue <= 15 || hue >= 345) return kRed;
  return kOther;
}

// Pixels of each hue when the icon is drawn at 16 x 16 on a grey background.
std::map<Hue, int> HuesOf(HICON icon) {
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = 16;
  bi.bmiHeader.biHeight = -16;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  UniqueDc dc(::CreateCompatibleDC(nullptr));
  UniqueGdi dib(::CreateDIBSection(dc.Get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
  std::map<Hue, int> counts;
  if (!dc || !dib || bits == nullptr) return counts;
  DWORD* pixels = static_cast<DWORD*>(bits);
  for (int i = 0; i < 256; ++i) pixels[i] = 0x808080;
  HGDIOBJ old = ::SelectObject(dc.Get(), dib.Get());
  const bool drawn = ::DrawIconEx(dc.Get(), 0, 0, icon, 16, 16, 0, nullptr, DI_NORMAL);
  ::GdiFlush();
  if (drawn) {
    for (int i = 0; i < 256; ++i) ++counts[Classify((pixels[i] >> 16) & 0xFF, (pixels[i] >> 8) & 0xFF, pixels[i] & 0xFF)];
  }
  ::SelectObject(dc.Get(), old);
  return counts;
}

TEST(TrayPictures, ReadyAttentionAndErrorShowGreenAmberAndRed) {
  std::vector<std::string> files;
  for (const ResourceLibraryCase& c : kResourceLibraries) files.push_back(c.file);
  for (const char* model : {"KVS100", "KVS200"}) files.push_back(DataFileValue(model, "BmpDll"));
  const std::pair<int, Hue> expected[] = {{700, kGreen}, {701, kAmber}, {702, kRed}};
  for (const std::string& file : files) {
    UniqueModule module(::LoadLibraryA(SiblingPath(file.c_str()).c_str()));
    ASSERT_TRUE(module) << file;
    for (const auto& [id, hue] : expected) {
      SCOPED_TRACE(file + " icon " + std::to_string(id));
      UniqueIcon icon = LoadTrayPicture(module.Get(), id, 16);
      ASSERT_TRUE(icon);
      std::map<Hue, int> counts = HuesOf(icon.Get());
      // A badge of a few dozen pixels in its colour, and next to nothing in the other two.
      EXPECT_GE(counts[hue], 25);
      for (Hue other : {kGreen, kAmber, kRed}) {
        if (other != hue) EXPECT_LE(counts[other], 3) << "hue " << other;
      }
    }
  }
}

}  // namespace
