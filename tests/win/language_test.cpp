// The resource library's language choice against the real profile functions: data files
// and empty stand-in libraries in a scratch folder, and the sample driver in the spooler
// for the whole path.
#include "settings/language.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "sampledriver/installer/samplepackage.h"
#include "sampledriver/installer/spoolsetup.h"
#include "tests/support/winsupport.h"

using namespace testsupport;

namespace {

constexpr const char kSampleLanguages[] =
    "[Language]\r\nLang_English=09,01\r\nLang_German=07,01\r\nLang_French=0C,01\r\n"
    "[Lang_English]\r\nResDll=KVSRES09.DLL\r\n"
    "[Lang_German]\r\nResDll=KVSRES07.DLL\r\n"
    "[Lang_French]\r\nResDll=KVSRES0C.DLL\r\n";

class LanguageFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    m_dir = ScratchFolder("language_test");
    for (const char* f : {"KVSRES09.DLL", "KVSRES07.DLL", "KVSRES0C.DLL", "RESUS.DLL", "RESUK.DLL"})
      RemoveFileIfPresent(m_dir + "\\" + f);
  }
  // A data file of its own name for every text: the profile functions keep files they
  // have read, and a rewrite within the same moment could go unnoticed.
  std::string Dat(const std::string& text) {
    const std::string path = m_dir + "\\L" + std::to_string(++m_files) + ".DAT";
    EXPECT_TRUE(WriteWholeFile(path, text));
    return path;
  }
  void Library(const char* name) { ASSERT_TRUE(WriteWholeFile(m_dir + "\\" + name, "")); }

  std::string Section(const std::string& dat, unsigned language, int* result) {
    char out[260];
    std::memset(out, '#', sizeof out);
    std::size_t size = sizeof out;
    *result = GetLanguageSection(out, &size, dat.c_str(), static_cast<std::uint16_t>(language));
    return *result == 0 ? std::string(out) : std::string("(failed)");
  }

  std::string m_dir;
  int m_files = 0;
};

struct ChoiceCase {
  const char* what;
  const char* languageSection;  // lines of [Language], or null for a file without it
  unsigned language;
  const char* chosen;
};

TEST_F(LanguageFiles, SectionFollowsTheLanguageId) {
  const char* sample = "Lang_English=09,01\r\nLang_German=07,01\r\nLang_French=0C,01\r\n";
  const ChoiceCase cases[] = {
      {"English (US)", sample, 0x0409, "Lang_English"},
      {"English (UK): primary only", sample, 0x0809, "Lang_English"},
      {"German", sample, 0x0407, "Lang_German"},
      {"Swiss German: primary only", sample, 0x0807, "Lang_German"},
      {"French", sample, 0x040C, "Lang_French"},
      {"Japanese: not listed, English", sample, 0x0411, "Lang_English"},
      {"exact beats an earlier line", "Lang_DE=07,01\r\nLang_CH=07,02\r\n", 0x0807, "Lang_CH"},
      {"no English: first line", "Lang_FR=0C,01\r\nLang_DE=07,01\r\n", 0x0411, "Lang_FR"},
      {"spaces around the equals sign", "Lang_FR = 0C,01\r\nLang_DE = 07 , 01\r\n", 0x0407, "Lang_DE"},
      {"comments and blank lines are not lines", "; 09,01\r\n\r\nLang_FR=0C,01\r\n", 0x0409, "Lang_FR"},
      {"empty section", "", 0x0409, ""},
      {"no section", nullptr, 0x0409, ""},
  };
  for (const ChoiceCase& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string text = c.languageSection == nullptr ? std::string("[Other]\r\nA=1\r\n")
                                                          : std::string("[Language]\r\n") + c.languageSection;
    int result = 0;
    EXPECT_EQ(Section(Dat(text + "[Tail]\r\nB=2\r\n"), c.language, &result), c.chosen);
    EXPECT_EQ(result, 0);
  }
  int result = 0;
  EXPECT_EQ(Section(m_dir + "\\NONE.DAT", 0x0409, &result), "") << "no data file";
  EXPECT_EQ(result, 0);
}

struct FallbackCase {
  const char* what;
  unsigned user;
  std::vector<const char*> libraries;  // present in the data file's folder
  const char* chosen;
  int result;  // length of the chosen section's "ResDll", 0 from the first-existing walk
};

TEST_F(LanguageFiles, MissingLibraryFallsBackToEnglishUsThenTheFirstThatExists) {
  const std::string dat = Dat(
      "[Language]\r\nLang_German=07,01\r\nLang_UK=09,02\r\nLang_NoDll=0A,01\r\nLang_US=09,01\r\nLang_French=0C,01\r\n"
      "[Lang_German]\r\nResDll=KVSRES07.DLL\r\n[Lang_UK]\r\nResDll=RESUK.DLL\r\n[Lang_NoDll]\r\nOther=x\r\n"
      "[Lang_US]\r\nResDll=RESUS.DLL\r\n[Lang_French]\r\nResDll=KVSRES0C.DLL\r\n");
  const std::vector<const char*> all = {"KVSRES07.DLL", "RESUK.DLL", "RESUS.DLL", "KVSRES0C.DLL"};
  const FallbackCase cases[] = {
      {"user's library present", 0x0407, all, "Lang_German", 12},
      {"user's missing: English (US)", 0x0407, {"RESUK.DLL", "RESUS.DLL", "KVSRES0C.DLL"}, "Lang_US", 9},
      {"user's and US missing: first existing", 0x0407, {"KVSRES0C.DLL", "RESUK.DLL"}, "Lang_UK", 0},
      {"UK user, UK missing: US", 0x0809, {"RESUS.DLL", "KVSRES07.DLL"}, "Lang_US", 9},
      {"section without ResDll counts as missing", 0x040A, {"KVSRES0C.DLL"}, "Lang_French", 0},
      {"none present", 0x0407, {}, "", 0},
  };
  for (const FallbackCase& c : cases) {
    SCOPED_TRACE(c.what);
    for (const char* f : all) RemoveFileIfPresent(m_dir + "\\" + f);
    for (const char* f : c.libraries) Library(f);
    char out[260] = "junk";
    std::size_t size = sizeof out;
    EXPECT_EQ(SelectLanguageSectionFor(out, &size, dat.c_str(), static_cast<std::uint16_t>(c.user)), c.result);
    EXPECT_STREQ(out, c.chosen);
  }
  // Without any library the walk ends with nothing: size says so (the terminator alone).
  char out[260] = "junk";
  std::size_t size = sizeof out;
  EXPECT_EQ(GetFirstAvailableLanguageSection(out, &size, dat.c_str()), 0);
  EXPECT_STREQ(out, "");
  EXPECT_EQ(size, 1u);

  EXPECT_EQ(SelectLanguageSectionFor(nullptr, &size, dat.c_str(), 0x0409), kLangFailed);
  EXPECT_EQ(SelectLanguageSectionFor(out, nullptr, dat.c_str(), 0x0409), kLangFailed);
  EXPECT_EQ(SelectLanguageSectionFor(out, &size, "", 0x0409), kLangFailed);
  EXPECT_EQ(SelectLanguageSectionFor(out, &size, nullptr, 0x0409), kLangFailed);
}

TEST_F(LanguageFiles, TooSmallOutputTellsTheSizeThatWorks) {
  Library("KVSRES09.DLL");
  const std::string dat = Dat(kSampleLanguages);
  const std::string name = "Lang_English";
  // Every size from nothing to one short of the name and its terminator.
  for (std::size_t given = 0; given <= name.size(); ++given) {
    SCOPED_TRACE(given);
    char out[260] = "junk";
    std::size_t size = given;
    EXPECT_EQ(GetLanguageSection(out, &size, dat.c_str(), 0x0409), kLangTooSmall);
    EXPECT_EQ(size, name.size() + 1);
    EXPECT_EQ(GetLanguageSection(out, &size, dat.c_str(), 0x0409), 0) << "retried with the size given back";
    EXPECT_EQ(out, name);

    size = given;
    EXPECT_EQ(GetFirstAvailableLanguageSection(out, &size, dat.c_str()), kLangTooSmall);
    EXPECT_EQ(size, name.size() + 1);
    size = given;
    EXPECT_EQ(SelectLanguageSectionFor(out, &size, dat.c_str(), 0x0409), kLangTooSmall);
    EXPECT_EQ(size, name.size() + 1);
  }
  char out[260];
  std::size_t size = sizeof out;
  EXPECT_EQ(GetFirstAvailableLanguageSection(out, &size, dat.c_str()), 0);
  EXPECT_EQ(out, name);
  EXPECT_EQ(size, name.size() + 1);
}

// A [Language] section of exactly `length` characters as the profile functions count
// them (every line and its terminator), whose last line is the only French one.
std::string LanguageSectionOfLength(std::size_t length) {
  const std::string last = "Lang_French=0C,01";
  std::string lines;
  std::size_t have = last.size() + 1;
  int n = 0;
  while (length - have > 40) {
    const std::string filler = "Lang_Filler" + std::to_string(n++) + "_" + std::string(14, 'x') + "=07,01";
    lines += filler + "\r\n";
    have += filler.size() + 1;
  }
  // One more filler line takes up what is left (at least "X=07" and its terminator).
  const std::string tail = "X" + std::string(length - have - 5, 'y') + "=07";
  lines += tail + "\r\n" + last + "\r\n";
  return "[Language]\r\n" + lines;
}

TEST_F(LanguageFiles, LongSectionIsReadWhole) {
  for (std::size_t length : {100u, 257u, 258u, 259u, 260u, 261u, 517u, 518u, 519u, 520u, 1000u, 5000u}) {
    SCOPED_TRACE(length);
    const std::string dat = Dat(LanguageSectionOfLength(length) + "[Lang_French]\r\nResDll=KVSRES0C.DLL\r\n");
    int result = -99;
    EXPECT_EQ(Section(dat, 0x040C, &result), "Lang_French");
    EXPECT_EQ(result, 0);

    // One 260-byte read: whole below 258 characters, else "did not fit".
    std::vector<char> buffer(260, '#');
    std::size_t count = 1;
    const int read = ReadLanguageSection(buffer.data(), buffer.size(), &count, dat.c_str());
    if (length < 258) {
      EXPECT_EQ(read, static_cast<int>(length));
      EXPECT_EQ(std::string(buffer.data() + read - 18), "Lang_French=0C,01");
    } else {
      EXPECT_EQ(read, kLangTooSmall);
    }
  }
}

TEST_F(LanguageFiles, ReadCountsLinesAndRefusesBadArguments) {
  const std::string dat = Dat(kSampleLanguages);
  char buffer[260];
  std::size_t count = 1;
  const std::string want = "Lang_English=09,01|Lang_German=07,01|Lang_French=0C,01|";
  EXPECT_EQ(ReadLanguageSection(buffer, sizeof buffer, &count, dat.c_str()), static_cast<int>(want.size()));
  EXPECT_EQ(count, 3u);
  std::string got(buffer, want.size());
  for (char& c : got) c = c == '\0' ? '|' : c;
  EXPECT_EQ(got, want);

  count = 0;
  EXPECT_EQ(ReadLanguageSection(buffer, sizeof buffer, &count, dat.c_str()), kLangFailed) << "count 0";
  count = 1;
  EXPECT_EQ(ReadLanguageSection(nullptr, sizeof buffer, &count, dat.c_str()), kLangFailed);
  EXPECT_EQ(ReadLanguageSection(buffer, sizeof buffer, nullptr, dat.c_str()), kLangFailed);
  EXPECT_EQ(ReadLanguageSection(buffer, sizeof buffer, &count, nullptr), kLangFailed);
  EXPECT_EQ(ReadLanguageSection(buffer, sizeof buffer, &count, Dat("[Other]\r\nA=1\r\n").c_str()), kLangFailed);
  EXPECT_EQ(ReadLanguageSection(buffer, sizeof buffer, &count, Dat("[Language]\r\n[Other]\r\n").c_str()), kLangFailed);
  EXPECT_EQ(count, 1u) << "untouched on failure";
  char tiny[2] = {'#', '#'};
  EXPECT_EQ(ReadLanguageSection(tiny, sizeof tiny, &count, dat.c_str()), kLangTooSmall);
  EXPECT_EQ(tiny[0], '#');
}

TEST_F(LanguageFiles, ProfileStringComesFromTheSelectedSection) {
  // One language only, so that the user's own language does not matter.
  const std::string dat = Dat("[Language]\r\nLang_Only=0C,01\r\n[Lang_Only]\r\nResDll=KVSRES0C.DLL\r\nEmpty=\r\n"
                              "Long=" + std::string(300, 'L') + "\r\n");
  char out[260] = "junk";
  std::size_t size = sizeof out;
  EXPECT_EQ(GetLanguageProfileString("ResDll", out, &size, dat.c_str()), kLangFailed) << "no library yet";
  EXPECT_STREQ(out, "");
  Library("KVSRES0C.DLL");
  EXPECT_EQ(GetLanguageProfileString("ResDll", out, &size, dat.c_str()), 0);
  EXPECT_STREQ(out, "KVSRES0C.DLL");
  EXPECT_EQ(size, sizeof out);
  for (const char* key : {"Missing", "Empty", "Long", ""}) {
    SCOPED_TRACE(key);
    EXPECT_EQ(GetLanguageProfileString(key, out, &size, dat.c_str()), kLangFailed);
    EXPECT_STREQ(out, "");
  }
  std::size_t small = 8;
  EXPECT_EQ(GetLanguageProfileString("ResDll", out, &small, dat.c_str()), kLangFailed) << "cut short";
  EXPECT_EQ(GetLanguageProfileString(nullptr, out, &size, dat.c_str()), kLangFailed) << "no key";
  EXPECT_EQ(GetLanguageProfileString("ResDll", out, &size, Dat("[Other]\r\nResDll=KVSRES0C.DLL\r\n").c_str()),
            kLangFailed)
      << "no Language section";
}

TEST_F(LanguageFiles, LibraryIsLookedForBesideTheDataFile) {
  Library("KVSRES09.DLL");
  const std::string dat = m_dir + "\\ANY.DAT";
  EXPECT_EQ(ResLibExists("KVSRES09.DLL", dat.c_str()), 1);
  EXPECT_EQ(ResLibExists("KVSRES07.DLL", dat.c_str()), 0);
  EXPECT_EQ(ResLibExists("", dat.c_str()), 0) << "the folder itself is no library";
  EXPECT_EQ(ResLibExists(nullptr, dat.c_str()), 0);
  EXPECT_EQ(ResLibExists("KVSRES09.DLL", ""), 0);
  std::string slashed = dat;
  for (char& c : slashed) c = c == '\\' ? '/' : c;
  EXPECT_EQ(ResLibExists("KVSRES09.DLL", slashed.c_str()), 1) << slashed;
  EXPECT_EQ(ResLibExists(std::string(260 - m_dir.size(), 'N').c_str(), dat.c_str()), 0) << "too long";
}

TEST_F(LanguageFiles, BareDataFileNameMeansTheWindowsFolder) {
  // The profile functions read a data file named without a folder from the Windows folder;
  // its libraries are looked for there too, not in the current folder.
  char windows[MAX_PATH];
  ASSERT_GT(::GetWindowsDirectoryA(windows, sizeof windows), 0u);
  const std::string inWindows = std::string(windows) + "\\TALANGW.DLL";
  const std::string datInWindows = std::string(windows) + "\\TALANGT.DAT";
  ASSERT_TRUE(WriteWholeFile(datInWindows, "[Language]\r\nLang_A=0C,01\r\nLang_B=07,01\r\n"
                                           "[Lang_A]\r\nResDll=TALANGC.DLL\r\n[Lang_B]\r\nResDll=TALANGW.DLL\r\n"));
  ASSERT_TRUE(WriteWholeFile(inWindows, ""));
  char previous[MAX_PATH];
  ASSERT_GT(::GetCurrentDirectoryA(sizeof previous, previous), 0u);
  ASSERT_TRUE(::SetCurrentDirectoryA(m_dir.c_str()));
  ASSERT_TRUE(WriteWholeFile(m_dir + "\\TALANGC.DLL", ""));
  ASSERT_TRUE(WriteWholeFile(m_dir + "\\TALANGT.DAT", "[Language]\r\nLang_C=0C,01\r\n"));

  EXPECT_EQ(ResLibExists("TALANGW.DLL", "TALANGT.DAT"), 1);
  EXPECT_EQ(ResLibExists("TALANGC.DLL", "TALANGT.DAT"), 0) << "in the current folder only";
  char out[260];
  std::size_t size = sizeof out;
  EXPECT_EQ(SelectLanguageSectionFor(out, &size, "TALANGT.DAT", 0x040C), 0);
  EXPECT_STREQ(out, "Lang_B") << "read from the Windows folder, its library found there";

  ::SetCurrentDirectoryA(previous);
  RemoveFileIfPresent(inWindows);
  RemoveFileIfPresent(datInWindows);
  RemoveFileIfPresent(m_dir + "\\TALANGC.DLL");
  RemoveFileIfPresent(m_dir + "\\TALANGT.DAT");
}

// The sample driver in the spooler: its setup data names its install folder and its data
// file, whose "Language" section names the libraries.
class SampleResDll : public ::testing::Test {
 protected:
  static constexpr const char* kPrinter = "Language Test Printer";
  static constexpr const char* kModel = "KVS100";

  static void SetUpTestSuite() {
    std::string error;
    spoolsetup::DeleteLocalPrinter(kPrinter, nullptr);
    ASSERT_TRUE(spoolsetup::InstallDriver(samplepackage::Package(samplepackage::kDriver100, ExeDir()), &error))
        << error;
    ASSERT_TRUE(spoolsetup::AddLocalPrinter(kPrinter, samplepackage::kDriver100, "FILE:", &error)) << error;
    s_folder = spoolsetup::InstalledDriverFolder(samplepackage::kDriver100);
    ASSERT_FALSE(s_folder.empty());
  }
  static void TearDownTestSuite() {
    RemoveLibraries();
    spoolsetup::DeleteLocalPrinter(kPrinter, nullptr);
    spoolsetup::RemoveDriver(samplepackage::kDriver100, nullptr);
  }
  static void RemoveLibraries() {
    for (const char* f : {"KVSRES09.DLL", "KVSRES07.DLL", "KVSRES0C.DLL"}) RemoveFileIfPresent(s_folder + "\\" + f);
  }
  static void Library(const char* name) { ASSERT_TRUE(WriteWholeFile(s_folder + "\\" + name, "")); }

  static std::string s_folder;
};
std::string SampleResDll::s_folder;

TEST_F(SampleResDll, PathIsTheInstallFolderAndTheUsersLibrary) {
  // The user's language decides; Wine's follows the locale it runs in (English in the
  // plain C locale of the test run).
  const LANGID user = ::GetUserDefaultLangID();
  // A run under another locale names the language it must see, so that it cannot pass
  // as an English run by mistake.
  if (const char* want = std::getenv("TA_EXPECT_LANGID")) ASSERT_EQ(user, std::strtoul(want, nullptr, 16));
  const std::uint16_t primary = user & 0x3FF;
  const char* expected = primary == 0x07 ? "KVSRES07.DLL" : primary == 0x0C ? "KVSRES0C.DLL" : "KVSRES09.DLL";
  std::printf("user default language 0x%04X, expecting %s\n", user, expected);
  RecordProperty("UserDefaultLangID", user);

  RemoveLibraries();
  for (const char* f : {"KVSRES09.DLL", "KVSRES07.DLL", "KVSRES0C.DLL"}) Library(f);
  char out[260] = "junk";
  EXPECT_EQ(GetResDllPath(out, sizeof out, samplepackage::kDriver100, kModel, kPrinter), 1);
  EXPECT_EQ(std::string(out), s_folder + "\\" + expected);
  EXPECT_EQ(GetResDllPath(out, sizeof out, samplepackage::kDriver100, kModel, ""), 1) << "the driver's own data";
  EXPECT_EQ(std::string(out), s_folder + "\\" + expected);

  char small[16] = "junk";
  EXPECT_EQ(GetResDllPath(small, sizeof small, samplepackage::kDriver100, kModel, kPrinter), 0) << "does not fit";
  EXPECT_STREQ(small, "");
  EXPECT_EQ(GetResDllPath(out, sizeof out, samplepackage::kDriver100, "", kPrinter), 0) << "no model";
  EXPECT_EQ(GetResDllPath(out, sizeof out, "No Such Driver", kModel, ""), 0);
}

TEST_F(SampleResDll, OnlyLibraryPresentIsTakenAndNoneFails) {
  RemoveLibraries();
  // German is neither the user's (under English) nor English: reached by the walk.
  const char* only = GetUserDefaultLangID() == 0x0407 ? "KVSRES0C.DLL" : "KVSRES07.DLL";
  Library(only);
  char out[260];
  EXPECT_EQ(GetResDllPath(out, sizeof out, samplepackage::kDriver100, kModel, kPrinter), 1);
  EXPECT_EQ(std::string(out), s_folder + "\\" + only);
  RemoveLibraries();
  EXPECT_EQ(GetResDllPath(out, sizeof out, samplepackage::kDriver100, kModel, kPrinter), 0);
  EXPECT_STREQ(out, "");
}

}  // namespace
