// Start-up list clean-up against the real registry and file system.
#include <gtest/gtest.h>

#include <string>

#include "app/trayiconapp.h"
#include "tests/support/winsupport.h"

using namespace testsupport;

namespace {

// Wine enumerates values by name, Windows in insertion order: the names below are both.
void SetRun(const char* name, const std::string& data) {
  ASSERT_TRUE(SetRegValue(HKEY_CURRENT_USER, kStartupRunKey, name, REG_SZ, data.c_str(),
                          static_cast<DWORD>(data.size() + 1)));
}

bool HasRun(const char* name) {
  HKEY key = nullptr;
  if (::RegOpenKeyExA(HKEY_CURRENT_USER, kStartupRunKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  const bool found = ::RegQueryValueExA(key, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
  ::RegCloseKey(key);
  return found;
}

class StartupReg : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(DeleteRegTree(HKEY_CURRENT_USER, kStartupRunKey)); }
  void TearDown() override { DeleteRegTree(HKEY_CURRENT_USER, kStartupRunKey); }
  CTrayIconApp m_app;
};

TEST_F(StartupReg, DeletesTheValueNamedAfterThePrinter) {
  SetRun("a_Ink 100", "agent /F \"K_S1.tmp\"");
  SetRun("b_Ink 200", "agent /F \"K_S2.tmp\"");
  m_app.DeleteStartupReg("a_Ink 100", "K_S2.tmp");  // the name wins; the text is not used
  EXPECT_FALSE(HasRun("a_Ink 100"));
  EXPECT_TRUE(HasRun("b_Ink 200"));
}

TEST_F(StartupReg, WithoutANameDeletesOnlyTheFirstValueHoldingTheFile) {
  SetRun("a_other", "agent /P \"x\"");
  SetRun("b_match", "agent /F \"K_S77.tmp\"");
  SetRun("c_match", "agent /F \"K_S77.tmp\"");
  m_app.DeleteStartupReg("", "K_S77.tmp");
  EXPECT_TRUE(HasRun("a_other"));
  EXPECT_FALSE(HasRun("b_match"));
  EXPECT_TRUE(HasRun("c_match"));
  m_app.DeleteStartupReg(nullptr, "k_s77.tmp");  // the search is case-sensitive
  EXPECT_TRUE(HasRun("c_match"));
}

TEST_F(StartupReg, AnEmptyValueEndsTheSearchAndEmptyArgumentsDeleteNothing) {
  SetRun("a_empty", "");
  SetRun("b_match", "agent /F \"K_S77.tmp\"");
  m_app.DeleteStartupReg("", "K_S77.tmp");
  EXPECT_TRUE(HasRun("b_match"));
  m_app.DeleteStartupReg("", "");
  m_app.DeleteStartupReg(nullptr, nullptr);
  EXPECT_TRUE(HasRun("a_empty"));
  EXPECT_TRUE(HasRun("b_match"));
}

TEST_F(StartupReg, NoStartupListNothingHappens) {
  m_app.DeleteStartupReg("Ink 100", "x");
  EXPECT_FALSE(HasRun("Ink 100"));
}

struct OldFileCase {
  const char* what;
  const char* format;  // %s = the file's path
  bool deleted;
};

TEST_F(StartupReg, DelOldIconRegFileDeletesOnlyAQuotedRegularFileAfterF) {
  const std::string file = TempFolder() + "K_SOLD.tmp";
  const OldFileCase cases[] = {
      {"/F with the quoted path", "agent.exe /F \"%s\"", true},
      {"/FU matches /F", "agent.exe /FU \"%s\" /EF \"HKCU\"", true},
      {"no /F", "agent.exe /P \"%s\"", false},
      {"one quote only", "agent.exe /F \"%s", false},
      {"lower-case /f", "agent.exe /f \"%s\"", false},
  };
  for (const OldFileCase& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(WriteWholeFile(file, "/P \"Ink 100\"\n"));
    char data[512];
    snprintf(data, sizeof data, c.format, file.c_str());
    SetRun("Ink 100", data);
    m_app.DelOldIconRegFile(HKEY_CURRENT_USER, kStartupRunKey, "Ink 100");
    EXPECT_EQ(FileExists(file), !c.deleted);
    EXPECT_TRUE(HasRun("Ink 100")) << "the value itself stays";
  }
  RemoveFileIfPresent(file);
}

TEST_F(StartupReg, DelOldIconRegFileNeverDeletesAFolder) {
  const std::string folder = ScratchFolder("K_SFOLDER");
  SetRun("Ink 100", "agent.exe /F \"" + folder + "\"");
  m_app.DelOldIconRegFile(HKEY_CURRENT_USER, kStartupRunKey, "Ink 100");
  const DWORD attributes = ::GetFileAttributesA(folder.c_str());
  EXPECT_NE(attributes, INVALID_FILE_ATTRIBUTES);
  ::RemoveDirectoryA(folder.c_str());
}

TEST_F(StartupReg, DelOldIconRegFileCreatesAMissingKey) {
  const char* key = "Software\\trayagent-tests\\runlist";
  ASSERT_TRUE(DeleteRegTree(HKEY_CURRENT_USER, key));
  m_app.DelOldIconRegFile(HKEY_CURRENT_USER, key, "Ink 100");
  HKEY h = nullptr;
  EXPECT_EQ(::RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_READ, &h), ERROR_SUCCESS);
  if (h != nullptr) ::RegCloseKey(h);
  DeleteRegTree(HKEY_CURRENT_USER, key);
}

}  // namespace
