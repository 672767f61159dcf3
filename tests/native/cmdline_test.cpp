// The switch grammar, the switch table and the parameter file's bytes.
#include "app/cmdline.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Sw {
  std::string name;
  std::string value;
  int result;
  bool operator==(const Sw& o) const { return name == o.name && value == o.value && result == o.result; }
};

std::ostream& operator<<(std::ostream& os, const Sw& s) {
  return os << "{/" << s.name << " \"" << s.value << "\" -> " << s.result << "}";
}

// Every switch GetSwitchAt gives, up to its first -1.
std::vector<Sw> Switches(const std::string& text) {
  CCmdLineParser parser;
  parser.m_szCmdLine = text;
  std::vector<Sw> out;
  for (int k = 0;; ++k) {
    char name[260];
    char value[260];
    std::memset(name, 'X', sizeof name);
    std::memset(value, 'X', sizeof value);
    const int r = parser.GetSwitchAt(k, name, sizeof name, value, sizeof value);
    if (r < 0) {
      EXPECT_STREQ(name, "");
      EXPECT_STREQ(value, "");
      return out;
    }
    out.push_back({name, value, r});
  }
}

struct GrammarCase {
  const char* what;
  std::string text;
  std::vector<Sw> expected;
};

TEST(GetSwitchAt, FollowsTheGrammar) {
  const std::string v259(259, 'v');
  const std::string v260(260, 'v');
  const GrammarCase cases[] = {
      {"quoted values", "/P \"Ink 100\" /D \"Drv\" /O \"LPT1:\"",
       {{"P", "Ink 100", 7}, {"D", "Drv", 3}, {"O", "LPT1:", 5}}},
      {"quote right after the name", "/p\"abc\"/S", {{"p", "abc", 3}, {"S", "", 0}}},
      {"tab, CR LF and LF end names and switches", "/P\t\"a\"\r\n/R\r\n/S\n/TD",
       {{"P", "a", 1}, {"R", "", 0}, {"S", "", 0}, {"TD", "", 0}}},
      {"R directly before /S swallows its slash", "/R/S", {{"R", "", 0}}},
      {"R and S apart", "/R /S", {{"R", "", 0}, {"S", "", 0}}},
      {"R and S on two lines", "/R\n/S", {{"R", "", 0}, {"S", "", 0}}},
      {"unquoted EF value is no value", "/EF HKCU", {{"EF", "", 0}}},
      {"quoted EF value", "/EF \"HKCU\"", {{"EF", "HKCU", 4}}},
      {"unquoted digits are an explicit length", "/M AB-12", {{"M", "", 12}}},
      {"unquoted HWND number is a length", "/HWND 123", {{"HWND", "", 123}}},
      {"explicit length takes quotes verbatim", "/P12 \"ab\"cd\"efghij\" /D \"x\"",
       {{"P", "ab\"cd\"efghij", 12}, {"D", "x", 1}}},
      {"explicit length spans a slash", "/P3 \"a/b\" /R", {{"P", "a/b", 3}, {"R", "", 0}}},
      {"digits anywhere before the quote", "/P 1 2 \"abcdefghijkl\"/R", {{"P", "abcdefghijkl", 12}, {"R", "", 0}}},
      {"loose quote after a length opens nothing", "/P1 \"a\" \" /R", {{"P", "a", 1}, {"R", "", 0}}},
      {"loose quote after a plain value opens a run", "/P \"a\" \" /R", {{"P", "a", 1}}},
      {"slash inside quotes starts no switch", "/P \"a /R b\" /S", {{"P", "a /R b", 6}, {"S", "", 0}}},
      {"empty quoted value", "/P \"\" /R", {{"P", "", 0}, {"R", "", 0}}},
      {"no slash outside quotes", "abc \"/P x\" def", {}},
      {"empty text", "", {}},
      {"slash and blank: an empty name", "/ /P \"x\"", {{"", "", 0}, {"P", "x", 1}}},
      {"slash at the very end", "/P \"x\" /", {{"P", "x", 1}, {"", "", 0}}},
      {"unclosed quote runs to the end", "/P \"abc", {{"P", "abc", 3}}},
      {"unclosed quote right after the name is empty", "/P\"abc", {{"P", "", 3}}},
      {"line feed before the opening quote", "/P\n\"abc\" /R", {{"P", "", 0}, {"R", "", 0}}},
      {"line feed ends a quoted value", "/P \"ab\ncd\" /R", {{"P", "ab", 2}, {"R", "", 0}}},
      {"slash before the opening quote", "/P /R \"x\"", {{"P", "", 0}, {"R", "x", 1}}},
      {"length past the end of the text", "/P30 \"short\"", {{"P", "", 30}}},
      // The first quote after the length lies near the end; the value would reach past
      // the terminator. It is empty instead.
      {"length running past the end from a late quote", "/P3/Xyz\"a", {{"P", "", 3}}},
      {"length with no quote after it ends the scan", "/R /P1/abcdef", {{"R", "", 0}}},
      {"huge length does not wrap", "/P99999999999999999999999 \"x\" /R", {{"P", "", INT32_MAX}}},
      {"259-character value", "/P \"" + v259 + "\" /R", {{"P", v259, 259}, {"R", "", 0}}},
      {"260-character value stops the scan", "/R /P \"" + v260 + "\" /S", {{"R", "", 0}}},
  };
  for (const GrammarCase& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Switches(c.text), c.expected) << c.text;
  }
}

TEST(GetSwitchAt, LaterSwitchesStayReachableBehindAnUnreadableOne) {
  CCmdLineParser parser;
  parser.m_szCmdLine = "/P \"" + std::string(260, 'v') + "\" /D \"x\"";
  char name[260];
  char value[260];
  EXPECT_EQ(parser.GetSwitchAt(0, name, sizeof name, value, sizeof value), -1);
  EXPECT_EQ(parser.GetSwitchAt(1, name, sizeof name, value, sizeof value), 1);
  EXPECT_STREQ(name, "D");
  EXPECT_EQ(parser.GetSwitchAt(2, name, sizeof name, value, sizeof value), -1);
  EXPECT_EQ(parser.GetSwitchAt(-1, name, sizeof name, value, sizeof value), -1);
}

TEST(GetSwitchAt, NamesKeepAtMost79CharactersAndMustFitTheBuffer) {
  const std::string n79(79, 'N');
  const std::string n80(80, 'N');
  EXPECT_EQ(Switches("/" + n79 + " \"v\" /R"), (std::vector<Sw>{{n79, "v", 1}, {"R", "", 0}}));
  // A longer name is cut; the scan goes on after the whole of it.
  EXPECT_EQ(Switches("/" + n80 + " \"v\" /R"), (std::vector<Sw>{{n79, "v", 1}, {"R", "", 0}}));

  CCmdLineParser parser;
  parser.m_szCmdLine = "/" + n79 + " \"abc\"";
  char small[79];
  char value[260];
  EXPECT_EQ(parser.GetSwitchAt(0, small, sizeof small, value, sizeof value), -1);
  EXPECT_STREQ(small, "");
  EXPECT_STREQ(value, "");
  char name[80];
  char tiny[3];
  EXPECT_EQ(parser.GetSwitchAt(0, name, sizeof name, tiny, sizeof tiny), -1);
  char four[4];
  EXPECT_EQ(parser.GetSwitchAt(0, name, sizeof name, four, sizeof four), 3);
  EXPECT_STREQ(four, "abc");
}

// --- the switch table -----------------------------------------------------------------

CCmdLineInfo Applied(const std::string& text) {
  CCmdLineInfo info;
  info.m_szCmdLine = text;
  info.ApplySwitches();
  return info;
}

TEST(ApplySwitch, StringSwitchesSetTheirMember) {
  struct Case {
    const char* name;
    ByteString CCmdLineInfo::*member;
  };
  const Case cases[] = {
      {"p", &CCmdLineInfo::m_szPrinterName}, {"D", &CCmdLineInfo::m_szDriverName}, {"o", &CCmdLineInfo::m_szPortName},
      {"M", &CCmdLineInfo::m_szModelID},     {"j", &CCmdLineInfo::m_szJ},          {"kVm", &CCmdLineInfo::m_szKVM},
      {"T", &CCmdLineInfo::m_szT},           {"l", &CCmdLineInfo::m_szL},          {"N", &CCmdLineInfo::m_szN},
      {"ic", &CCmdLineInfo::m_szIC},         {"Cn", &CCmdLineInfo::m_szCN},        {"TC", &CCmdLineInfo::m_szTC},
      {"x", &CCmdLineInfo::m_szX},           {"PS", &CCmdLineInfo::m_szPS},        {"rp", &CCmdLineInfo::m_szRP},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CCmdLineInfo info = Applied(std::string("/") + c.name + " \"value 1\"");
    EXPECT_EQ(info.*c.member, "value 1");
    // Exactly one line written: nothing else was touched.
    ByteString text;
    ASSERT_EQ(info.BuildParamFileText(&text), 1);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
    // An empty value replaces the member too; later switches win.
    EXPECT_EQ(Applied(std::string("/") + c.name + " \"a\" /" + c.name + " \"\"").*c.member, "");
    EXPECT_EQ(Applied(std::string("/") + c.name + " \"a\" /" + c.name + " \"b\"").*c.member, "b");
  }
}

TEST(ApplySwitch, FlagSwitchesSetTheirMemberToOne) {
  struct Case {
    const char* name;
    std::int32_t CCmdLineInfo::*member;
  };
  const Case cases[] = {
      {"r", &CCmdLineInfo::m_fRemove}, {"S", &CCmdLineInfo::m_fS},         {"u", &CCmdLineInfo::m_fU},
      {"C", &CCmdLineInfo::m_fC},      {"e", &CCmdLineInfo::m_fE},         {"I", &CCmdLineInfo::m_fIconInstall},
      {"spl", &CCmdLineInfo::m_fSPL},  {"Dp", &CCmdLineInfo::m_fDP},       {"a", &CCmdLineInfo::m_fA},
      {"AsMrT", &CCmdLineInfo::m_fASMRT}, {"ppop", &CCmdLineInfo::m_fPPOP}, {"BSR", &CCmdLineInfo::m_fBSR},
      {"td", &CCmdLineInfo::m_fTD},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CCmdLineInfo info = Applied(std::string("/") + c.name + " \"ignored\"");
    EXPECT_EQ(info.*c.member, 1);
    ByteString text;
    ASSERT_EQ(info.BuildParamFileText(&text), 1);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
  }
}

TEST(ApplySwitch, IconFromTakesOnlyHkcuOrHklmInQuotes) {
  const struct {
    const char* text;
    int expected;
  } cases[] = {
      {"/EF \"HKCU\"", 1}, {"/ef \"hklm\"", 2}, {"/EF HKCU", 0},        {"/EF \"HKCR\"", 0},
      {"/EF \"HKCU \"", 0}, {"/EF \"HKLM\" /EF \"x\"", 2}, {"/EF \"HKLM\" /EF \"hkcu\"", 1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Applied(c.text).m_IconFrom, c.expected) << c.text;
  }
}

TEST(ApplySwitch, HwndIsASignedDecimalInQuotes) {
  const struct {
    const char* text;
    std::int32_t expected;
  } cases[] = {
      {"/HWND \"123\"", 123},          {"/hwnd \" -42x\"", -42},        {"/HWND \"+7\"", 7},
      {"/HWND \"abc\"", 0},            {"/HWND 123", 0},                {"/HWND \"99999999999\"", INT32_MAX},
      {"/HWND \"-2147483648\"", INT32_MIN}, {"/HWND \"-99999999999\"", INT32_MIN},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Applied(c.text).m_nHWND, c.expected) << c.text;
  }
}

std::vector<std::string> g_logged;
int RecordLog(const char* text) {
  g_logged.push_back(text);
  return 1;
}

TEST(ApplySwitch, HwndAndSplAreLogged) {
  g_logged.clear();
  SetCmdLineLog(&RecordLog);
  Applied("/P \"x\" /HWND \"5\" /R /SPL");
  SetCmdLineLog(nullptr);
  EXPECT_EQ(g_logged, (std::vector<std::string>{"/HWND", "/SPL"}));
}

TEST(ApplySwitch, UnknownNamesAndTheEmptyNameChangeNothing) {
  CCmdLineInfo info = Applied("/ \"x\" /Q \"x\" /PP \"x\" /Remove /F2 \"ab\"");
  ByteString text;
  ASSERT_EQ(info.BuildParamFileText(&text), 1);
  EXPECT_EQ(text, "");
  EXPECT_EQ(info.m_IconFrom, 0);
  EXPECT_EQ(info.m_szParamFile, "ab");  // only the F was taken
}

TEST(ApplySwitches, RecordsTheParameterFileAndStopsAtAnUnreadableSwitch) {
  CCmdLineInfo info;
  info.m_szCmdLine = "/f \"first.tmp\" /P \"x\" /F \"K_S12.tmp\"";
  EXPECT_EQ(info.ApplySwitches(), 1);
  EXPECT_EQ(info.m_szParamFile, "K_S12.tmp");
  EXPECT_EQ(info.m_szPrinterName, "x");

  info.m_szCmdLine = "/P \"y\" /R /P \"" + std::string(260, 'v') + "\" /S /F \"z\"";
  EXPECT_EQ(info.ApplySwitches(), 0);
  EXPECT_EQ(info.m_szPrinterName, "y");
  EXPECT_EQ(info.m_fRemove, 1);
  EXPECT_EQ(info.m_fS, 0);
}

TEST(CCmdLineInfo, ResetEmptiesEverythingButTheText) {
  CCmdLineInfo info;
  info.m_szCmdLine = "/P \"p\" /D \"d\" /R /EF \"HKLM\" /HWND \"9\" /F \"f\" /TD /RP \"r\"";
  info.ApplySwitches();
  info.m_szTempDir = "C:\\Temp\\";
  info.m_szTempName = "K_S1.tmp";
  info.Reset();
  EXPECT_EQ(info.m_szCmdLine, "/P \"p\" /D \"d\" /R /EF \"HKLM\" /HWND \"9\" /F \"f\" /TD /RP \"r\"");
  ByteString text;
  ASSERT_EQ(info.BuildParamFileText(&text), 1);
  EXPECT_EQ(text, "");
  EXPECT_EQ(info.m_IconFrom, 0);
  EXPECT_EQ(info.m_szParamFile, "");
  EXPECT_EQ(info.m_szTempDir, "");
  EXPECT_EQ(info.m_szTempName, "");
}

// --- the parameter file's bytes -------------------------------------------------------

TEST(ParamFileText, PrinterPortAndModelInOrderWithTheDriverBetween) {
  CCmdLineInfo info;
  info.m_szModelID = "M-1";
  info.m_szPortName = "LPT1:";
  info.m_szPrinterName = "Ink 100";
  ByteString text;
  ASSERT_EQ(info.BuildParamFileText(&text), 1);
  EXPECT_EQ(text, "/P \"Ink 100\"\n/O \"LPT1:\"\n/M \"M-1\"\n");
  info.m_szDriverName = "Ink Driver";
  ASSERT_EQ(info.BuildParamFileText(&text), 1);
  EXPECT_EQ(text, "/P \"Ink 100\"\n/D \"Ink Driver\"\n/O \"LPT1:\"\n/M \"M-1\"\n");
}

CCmdLineInfo EverythingSet() {
  CCmdLineInfo info;
  info.m_szPrinterName = "p";
  info.m_szDriverName = "d";
  info.m_szPortName = "o";
  info.m_szModelID = "m";
  info.m_szJ = "j";
  info.m_fS = info.m_fRemove = info.m_fE = info.m_fU = info.m_fC = 1;
  info.m_szKVM = "kvm";
  info.m_fIconInstall = 1;
  info.m_nHWND = -1234;
  info.m_fSPL = info.m_fDP = info.m_fA = 1;
  info.m_szT = "t";
  info.m_szL = "l";
  info.m_szN = "n";
  info.m_szIC = "ic";
  info.m_szCN = "cn";
  info.m_fASMRT = 1;
  info.m_szTC = "tc";
  info.m_fPPOP = 1;
  info.m_szX = "x";
  info.m_szPS = "ps";
  info.m_fBSR = 1;
  info.m_szRP = "rp";
  info.m_fTD = 1;
  info.m_IconFrom = 2;        // never written
  info.m_szParamFile = "f";   // never written
  info.m_szTempDir = "C:\\";  // not a switch
  info.m_szTempName = "K";
  return info;
}

TEST(ParamFileText, AllTwentyNineLinesInTheirOrder) {
  ByteString text;
  ASSERT_EQ(EverythingSet().BuildParamFileText(&text), 1);
  EXPECT_EQ(text,
            "/P \"p\"\n/D \"d\"\n/O \"o\"\n/M \"m\"\n/J \"j\"\n/S\n/R\n/E\n/U\n/C\n/KVM \"kvm\"\n/I\n"
            "/HWND \"-1234\"\n/SPL\n/DP\n/A\n/T \"t\"\n/L \"l\"\n/N \"n\"\n/IC \"ic\"\n/CN \"cn\"\n/ASMRT\n"
            "/TC \"tc\"\n/PPOP\n/X \"x\"\n/PS \"ps\"\n/BSR\n/RP \"rp\"\n/TD\n");
}

TEST(ParamFileText, ReadsBackAsTheSameSwitches) {
  CCmdLineInfo written = EverythingSet();
  written.m_szPrinterName = "A\" /R \"B";  // would turn into a remove switch if quoted plainly
  written.m_fRemove = 0;
  written.m_szDriverName = "line\nfeed";
  written.m_szPortName = "\"";
  written.m_szModelID = "12 \"/x\"";
  written.m_szJ = "C:\\dir/with slash\r";
  written.m_szKVM = std::string(258, 'k') + "\"";
  ByteString text;
  ASSERT_EQ(written.BuildParamFileText(&text), 1);
  EXPECT_THAT(text, ::testing::StartsWith("/P8 \"A\" /R \"B\"\n/D9 \"line\nfeed\"\n/O1 \"\"\"\n/M7 \"12 \"/x\"\"\n"
                                          "/J \"C:\\dir/with slash\r\"\n"));

  CCmdLineInfo read;
  read.m_szCmdLine = text;
  EXPECT_EQ(read.ApplySwitches(), 0);
  read.m_IconFrom = written.m_IconFrom;
  read.m_szParamFile = written.m_szParamFile;
  read.m_szTempDir = written.m_szTempDir;
  read.m_szTempName = written.m_szTempName;
  ByteString again;
  ASSERT_EQ(read.BuildParamFileText(&again), 1);
  EXPECT_EQ(again, text);
  EXPECT_EQ(read.m_fRemove, 0);
  EXPECT_EQ(read.m_szPrinterName, written.m_szPrinterName);
  EXPECT_EQ(read.m_szKVM, written.m_szKVM);
}

TEST(ParamFileText, ALineLongerThan275CharactersStopsTheText) {
  CCmdLineInfo info;
  info.m_szPrinterName = "p";
  info.m_szDriverName = std::string(269, 'd');  // "/D \"...\"\n" is 275 characters
  info.m_szPortName = "o";
  ByteString text;
  ASSERT_EQ(info.BuildParamFileText(&text), 1);
  EXPECT_EQ(text.size(), 7u + 275u + 7u);
  info.m_szDriverName += 'd';
  EXPECT_EQ(info.BuildParamFileText(&text), 0);
  EXPECT_EQ(text, "/P \"p\"\n");  // the lines before it
  info.m_szDriverName = std::string(266, '"');  // "/D266 \"...\"\n": 275 in the length form
  ASSERT_EQ(info.BuildParamFileText(&text), 1);
  info.m_szDriverName += '"';
  EXPECT_EQ(info.BuildParamFileText(&text), 0);
}

TEST(ParamFileText, FlagsAreWrittenOnlyWhenOne) {
  CCmdLineInfo info;
  info.m_fRemove = 2;
  info.m_fS = 1;
  ByteString text;
  ASSERT_EQ(info.BuildParamFileText(&text), 1);
  EXPECT_EQ(text, "/S\n");
}

}  // namespace
