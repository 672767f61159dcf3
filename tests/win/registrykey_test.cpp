// The registry key helper against Wine's registry, plain and through the sample driver
// information library.
#include "settings/registrykey.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "drvinfo/drvinfolib.h"
#include "tests/support/winsupport.h"

using namespace testsupport;

namespace {

constexpr const char kKey[] = "Software\\trayagent-tests\\registrykey";

class RegistryKeyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(DeleteRegTree(HKEY_CURRENT_USER, kKey));
    ASSERT_TRUE(SetRegValue(HKEY_CURRENT_USER, kKey, "text", REG_SZ, "hello", 6));
  }
  void TearDown() override {
    ReleaseDriverInfoLibrary();
    DeleteRegTree(HKEY_CURRENT_USER, kKey);
  }
};

TEST_F(RegistryKeyTest, CreateOnAnExistingKeyReturnsZeroButHoldsIt) {
  CRegistryKey fresh;
  EXPECT_EQ(fresh.Create(HKEY_CURRENT_USER, (std::string(kKey) + "\\new").c_str(), nullptr, KEY_ALL_ACCESS), 1);
  EXPECT_TRUE(fresh.m_fOpen);
  CRegistryKey existing;
  EXPECT_EQ(existing.Create(HKEY_CURRENT_USER, kKey, nullptr, KEY_ALL_ACCESS), 0);
  EXPECT_TRUE(existing.m_fOpen);
  EXPECT_EQ(existing.m_nAccess, static_cast<REGSAM>(KEY_ALL_ACCESS));
  EXPECT_EQ(existing.QueryString("text", "-"), "hello");
  EXPECT_EQ(existing.Close(), ERROR_SUCCESS);
  EXPECT_FALSE(existing.m_fOpen);
  EXPECT_EQ(existing.Close(), 0) << "nothing held";
}

TEST_F(RegistryKeyTest, ConstructorsPickTheDefaultAccess) {
  CRegistryKey opened(HKEY_CURRENT_USER, kKey, FALSE);
  EXPECT_TRUE(opened.m_fOpen);
  EXPECT_EQ(opened.m_nAccess, static_cast<REGSAM>(KEY_READ));
  EXPECT_EQ(opened.DeleteValue("text"), 0) << "read access cannot delete";
  CRegistryKey created(HKEY_CURRENT_USER, kKey, TRUE);
  EXPECT_TRUE(created.m_fOpen);
  EXPECT_EQ(created.m_nAccess, static_cast<REGSAM>(KEY_ALL_ACCESS));
  CRegistryKey missing(HKEY_CURRENT_USER, "Software\\trayagent-tests\\registrykey\\absent", FALSE);
  EXPECT_FALSE(missing.m_fOpen);
  EXPECT_EQ(missing.m_hKey, nullptr);
}

TEST_F(RegistryKeyTest, QueryStringFallsBackToTheDefault) {
  const std::string big(299, 'x');  // 300 bytes with the terminator
  ASSERT_TRUE(SetRegValue(HKEY_CURRENT_USER, kKey, "big", REG_SZ, big.c_str(), 300));
  const char raw[3] = {'a', 'b', 'c'};  // stored without a terminating zero
  ASSERT_TRUE(SetRegValue(HKEY_CURRENT_USER, kKey, "raw", REG_BINARY, raw, 3));
  const DWORD number = 0x00434241;  // "ABC" read as text, whatever the type
  ASSERT_TRUE(SetRegValue(HKEY_CURRENT_USER, kKey, "number", REG_DWORD, &number, 4));
  ASSERT_TRUE(SetRegValue(HKEY_CURRENT_USER, kKey, "empty", REG_SZ, "", 0));

  CRegistryKey key(HKEY_CURRENT_USER, kKey, FALSE);
  ASSERT_TRUE(key.m_fOpen);
  EXPECT_EQ(key.QueryString("big", "dflt"), big);
  EXPECT_EQ(key.QueryString("big", "dflt", 260), "dflt");
  EXPECT_EQ(key.QueryString("big", "dflt", 300), big);
  EXPECT_EQ(key.QueryString("raw", "dflt"), "abc");
  EXPECT_EQ(key.QueryString("number", "dflt"), "ABC");
  EXPECT_EQ(key.QueryString("empty", "dflt"), "dflt");
  EXPECT_EQ(key.QueryString("absent", "dflt"), "dflt");
  CRegistryKey closed;
  EXPECT_EQ(closed.QueryString("text", "dflt"), "dflt");
}

TEST_F(RegistryKeyTest, EnumValueStopsAtTheFirstUnreadableValue) {
  const std::string longData(300, 'd');
  ASSERT_TRUE(SetRegValue(HKEY_CURRENT_USER, kKey, "long", REG_SZ, longData.c_str(), 301));
  const std::string exact(256, 'e');  // exactly fills the buffer, no terminator
  ASSERT_TRUE(SetRegValue(HKEY_CURRENT_USER, kKey, "exact", REG_BINARY, exact.c_str(), 256));

  // The order of values is the registry's own (insertion order on Windows, by name in
  // Wine), so collect what each index gives.
  CRegistryKey key(HKEY_CURRENT_USER, kKey, FALSE);
  std::map<std::string, std::string> read;
  int unreadable = 0;
  for (DWORD index = 0; index < 3; ++index) {
    ByteString name = "untouched";
    const ByteString data = key.EnumValue(index, name);
    if (data.empty()) {
      EXPECT_EQ(name, "untouched") << "a failed read leaves the name alone";
      ++unreadable;  // 301 bytes of data do not fit
    } else {
      read[name] = data;
    }
  }
  EXPECT_EQ(unreadable, 1);
  EXPECT_EQ(read, (std::map<std::string, std::string>{{"text", "hello"}, {"exact", exact}}));
  ByteString name = "untouched";
  EXPECT_EQ(key.EnumValue(3, name), "");  // past the last value
  EXPECT_EQ(name, "untouched");
  CRegistryKey closed;
  EXPECT_EQ(closed.EnumValue(0, name), "");
}

TEST_F(RegistryKeyTest, DeleteValue) {
  CRegistryKey key(HKEY_CURRENT_USER, kKey, FALSE, KEY_ALL_ACCESS);
  EXPECT_EQ(key.DeleteValue("text"), 1);
  EXPECT_EQ(key.DeleteValue("text"), 0);
  CRegistryKey closed;
  EXPECT_EQ(closed.DeleteValue("text"), 0);
}

TEST_F(RegistryKeyTest, DrvInfoKeyIsPlainWhileNothingIsBound) {
  ASSERT_FALSE(g_fDrvInfoBound);
  CDrvInfoRegistryKey key(HKEY_CURRENT_USER, kKey, FALSE);
  EXPECT_TRUE(key.m_fOpen);
  EXPECT_EQ(key.QueryString("text", "-"), "hello");
  CDrvInfoRegistryKey created;
  EXPECT_EQ(created.Create(HKEY_CURRENT_USER, (std::string(kKey) + "\\sub").c_str(), nullptr, KEY_ALL_ACCESS), 1);
}

TEST_F(RegistryKeyTest, DrvInfoKeyGoesThroughTheBoundLibrary) {
  const std::string trace = ExeDir() + "drvif1_trace.txt";
  RemoveFileIfPresent(trace);
  ASSERT_TRUE(::SetEnvironmentVariableA("K_DRVIF1_TRACE", trace.c_str()));
  ASSERT_EQ(BindDriverInfoLibrary(kDrvInfoByLibrary, SiblingPath("K_DRVIF1.DLL").c_str()), 1);
  {
    CDrvInfoRegistryKey key(HKEY_CURRENT_USER, kKey, FALSE);
    EXPECT_TRUE(key.m_fOpen);
    EXPECT_EQ(key.QueryString("text", "-"), "hello");
    CDrvInfoRegistryKey created;
    EXPECT_EQ(created.Create(HKEY_CURRENT_USER, (std::string(kKey) + "\\sub").c_str(), nullptr, KEY_ALL_ACCESS), 1);
    CDrvInfoRegistryKey again;
    EXPECT_EQ(again.Create(HKEY_CURRENT_USER, (std::string(kKey) + "\\sub").c_str(), nullptr, KEY_ALL_ACCESS), 0);
    EXPECT_TRUE(again.m_fOpen);
    // An empty path reaches the library as null: the root key itself is opened.
    CDrvInfoRegistryKey root;
    EXPECT_EQ(root.Open(HKEY_CURRENT_USER, ""), 1);
    CDrvInfoRegistryKey missing(HKEY_CURRENT_USER, "Software\\trayagent-tests\\absent", FALSE);
    EXPECT_FALSE(missing.m_fOpen);
  }
  ::SetEnvironmentVariableA("K_DRVIF1_TRACE", nullptr);
  std::string text;
  ASSERT_TRUE(ReadWholeFile(trace, &text));
  const std::string k(kKey);
  EXPECT_EQ(text,
            "OpenKey " + k + "\r\n" + "CreateKey " + k + "\\sub\r\n" + "CreateKey " + k + "\\sub\r\n" +
                "OpenKey (null)\r\n" + "OpenKey Software\\trayagent-tests\\absent\r\n" +
                // Scope end: every held key closes through the library, newest first.
                "CloseKey (null)\r\nCloseKey (null)\r\nCloseKey (null)\r\nCloseKey (null)\r\n");
}

TEST_F(RegistryKeyTest, DrvInfoKeyFailsWhenTheLibraryLacksAnEntry) {
  ASSERT_EQ(BindDriverInfoLibrary(kDrvInfoByLibrary, SiblingPath("K_DRVIF1_NO20.DLL").c_str()), 1);
  CDrvInfoRegistryKey key(HKEY_CURRENT_USER, kKey, FALSE);
  EXPECT_FALSE(key.m_fOpen);
  EXPECT_EQ(key.m_hKey, nullptr);
}

}  // namespace
