// Parameter files against the real file system: naming in the temporary folder,
// writing, finding, reading for "/F" and deleting.
#include "app/paramfile.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "app/cmdline.h"
#include "tests/support/winsupport.h"

using namespace testsupport;

namespace {

// Each test works in a scratch current folder and removes the files it made.
class ParamFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char cwd[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, cwd);
    m_oldCwd = cwd;
    m_scratch = TempFolder() + "trayagent_paramfile_test";
    ASSERT_TRUE(CreateFolders(m_scratch));
    ASSERT_TRUE(::SetCurrentDirectoryA(m_scratch.c_str()));
  }
  void TearDown() override {
    ::SetCurrentDirectoryA(m_oldCwd.c_str());
    for (const std::string& f : m_made) RemoveFileIfPresent(f);
  }
  // A file in the temporary folder; returns its full path.
  std::string InTemp(const std::string& name, const std::string& bytes) {
    const std::string path = TempFolder() + name;
    EXPECT_TRUE(WriteWholeFile(path, bytes));
    m_made.push_back(path);
    return path;
  }
  std::string InCwd(const std::string& name, const std::string& bytes) {
    const std::string path = m_scratch + "\\" + name;
    EXPECT_TRUE(WriteWholeFile(path, bytes));
    m_made.push_back(path);
    return path;
  }
  std::string Read(const std::string& path) {
    std::string text;
    EXPECT_TRUE(ReadWholeFile(path, &text)) << path;
    return text;
  }

  std::string m_oldCwd;
  std::string m_scratch;
  std::vector<std::string> m_made;
};

TEST_F(ParamFileTest, MakeTempFileNameCreatesUniqueEmptyFilesInTheTemporaryFolder) {
  CCmdLineInfo a;
  CCmdLineInfo b;
  ASSERT_EQ(a.MakeTempFileName(), 1);
  ASSERT_EQ(b.MakeTempFileName(), 1);
  m_made.push_back(a.m_szTempDir + a.m_szTempName);
  m_made.push_back(b.m_szTempDir + b.m_szTempName);
  EXPECT_EQ(a.m_szTempDir, TempFolder());
  EXPECT_EQ(a.m_szTempName.rfind("K_S", 0), 0u) << a.m_szTempName;
  EXPECT_EQ(a.m_szTempName.find('\\'), std::string::npos);
  EXPECT_NE(a.m_szTempName, b.m_szTempName);
  EXPECT_EQ(Read(a.m_szTempDir + a.m_szTempName), "");
}

TEST_F(ParamFileTest, MakeParamFileWritesTheLinesInBinaryMode) {
  CCmdLineInfo info;
  info.m_szDriverName = "Ink Driver";  // completed earlier: written too
  info.m_fRemove = 1;
  ASSERT_EQ(info.MakeParamFile("Ink 100", "LPT1:", "M-1"), 1);
  const std::string path = info.m_szTempDir + info.m_szTempName;
  m_made.push_back(path);
  EXPECT_EQ(Read(path), "/P \"Ink 100\"\n/D \"Ink Driver\"\n/O \"LPT1:\"\n/M \"M-1\"\n/R\n");

  // Rewritten, the file is truncated first.
  info.m_szDriverName.clear();
  info.m_fRemove = 0;
  ASSERT_EQ(info.WriteParamFile(), 1);
  EXPECT_EQ(Read(path), "/P \"Ink 100\"\n/O \"LPT1:\"\n/M \"M-1\"\n");
}

TEST_F(ParamFileTest, MakeParamFileLeavesNoFileWhenALineDoesNotFit) {
  CCmdLineInfo info;
  ASSERT_EQ(info.MakeParamFile("Ink 100", "LPT1:", std::string(300, 'm').c_str()), 0);
  ASSERT_FALSE(info.m_szTempName.empty());
  EXPECT_FALSE(FileExists(info.m_szTempDir + info.m_szTempName));

  // WriteParamFile alone keeps the lines before the one that did not fit.
  info.m_szTempDir = TempFolder();
  info.m_szTempName = "trayagent_partial.tmp";
  m_made.push_back(info.m_szTempDir + info.m_szTempName);
  EXPECT_EQ(info.WriteParamFile(), 0);
  EXPECT_EQ(Read(info.m_szTempDir + info.m_szTempName), "/P \"Ink 100\"\n/O \"LPT1:\"\n");

  info.m_szTempName = std::string(260 - info.m_szTempDir.size(), 'n');  // path of 260 characters
  EXPECT_EQ(info.WriteParamFile(), 0);
}

TEST_F(ParamFileTest, DeleteParamFileLooksAsGivenThenInTheTemporaryFolder) {
  const std::string inTemp = InTemp("trayagent_del.tmp", "x");
  const std::string inCwd = InCwd("trayagent_del.tmp", "y");
  CCmdLineInfo info;
  EXPECT_NE(info.DeleteParamFile("trayagent_del.tmp"), 0);  // the current folder's first
  EXPECT_FALSE(FileExists(inCwd));
  EXPECT_TRUE(FileExists(inTemp));
  EXPECT_EQ(info.m_szTempDir, TempFolder());
  EXPECT_NE(info.DeleteParamFile("trayagent_del.tmp"), 0);
  EXPECT_FALSE(FileExists(inTemp));
  EXPECT_EQ(info.DeleteParamFile("trayagent_del.tmp"), 0);
  EXPECT_EQ(info.DeleteParamFile(""), 0);

  const std::string full = InTemp("trayagent_full.tmp", "z");
  EXPECT_NE(info.DeleteParamFile(full.c_str()), 0);
  EXPECT_FALSE(FileExists(full));
}

TEST_F(ParamFileTest, ReaderGivesTheBytesWithTwoZerosAndRemovesTheFile) {
  const std::string path = InTemp("trayagent_read.tmp", std::string("/P \"a\"\0tail", 11));
  CFileReader reader;
  char* text = nullptr;
  std::uint32_t size = 0;
  ASSERT_EQ(reader.Read(path.c_str(), &text, &size), 1);
  EXPECT_EQ(size, 13u);
  EXPECT_EQ(std::string(text, size), std::string("/P \"a\"\0tail\0\0", 13));
  reader.RemoveFile();
  EXPECT_FALSE(FileExists(path));
  reader.Release();
  reader.RemoveFile();  // nothing stored: nothing happens

  char* untouched = reinterpret_cast<char*>(1);
  std::uint32_t sizeUntouched = 7;
  EXPECT_EQ(reader.Read(path.c_str(), &untouched, &sizeUntouched), 0);
  EXPECT_EQ(untouched, reinterpret_cast<char*>(1));
  EXPECT_EQ(sizeUntouched, 7u);
  EXPECT_EQ(reader.Read(nullptr, nullptr, nullptr), 0);

  const std::string empty = InTemp("trayagent_empty.tmp", "");
  ASSERT_EQ(reader.Read(empty.c_str(), &text, &size), 1);
  EXPECT_EQ(size, 2u);
  EXPECT_EQ(text[0], '\0');
}

TEST_F(ParamFileTest, ReaderRefusesWhatIsNotAParameterFile) {
  // A device, a pipe and a folder would block or mean nothing; a huge file would only
  // take memory.
  const std::string pipeName = "\\\\.\\pipe\\trayagent_paramfile_test";
  UniqueFile pipe(::CreateNamedPipeA(pipeName.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 4096, 4096,
                                     0, nullptr));
  ASSERT_TRUE(pipe.IsValid());
  const std::string huge = TempFolder() + "trayagent_huge.tmp";
  {
    m_made.push_back(huge);
    UniqueFile file(::CreateFileA(huge.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(file.IsValid());
    LARGE_INTEGER at;
    at.QuadPart = kMaxParamFileSize + 1LL;
    ASSERT_TRUE(::SetFilePointerEx(file.Get(), at, nullptr, FILE_BEGIN));
    ASSERT_TRUE(::SetEndOfFile(file.Get()));
  }
  const std::string limit = InTemp("trayagent_limit.tmp", std::string(kMaxParamFileSize, ' '));

  CFileReader reader;
  for (const std::string& path : {std::string("NUL"), pipeName, m_scratch, huge}) {
    EXPECT_EQ(reader.Read(path.c_str(), nullptr, nullptr), 0) << path;
  }
  EXPECT_EQ(reader.Read(limit.c_str(), nullptr, nullptr), 1);
}

// Parse of a command line naming a parameter file. The tests give driver and port so
// that nothing is asked of the spooler.
TEST_F(ParamFileTest, BareNameIsFoundInTheTemporaryFolderReadAndDeleted) {
  const std::string path = InTemp("K_Strayagent1.tmp", "/R\n/P \"From File\"\n/HWND \"77\"\n");
  CCmdLineInfo info("/P \"From Line\" /D \"d\" /O \"o\" /F \"K_Strayagent1.tmp\"");
  EXPECT_EQ(info.m_szPrinterName, "From File");
  EXPECT_EQ(info.m_fRemove, 1);
  EXPECT_EQ(info.m_nHWND, 77);
  EXPECT_EQ(info.m_szDriverName, "d");
  EXPECT_EQ(info.m_szParamFile, "K_Strayagent1.tmp");
  EXPECT_FALSE(FileExists(path));
}

TEST_F(ParamFileTest, TheCurrentFolderComesFirst) {
  const std::string inCwd = InCwd("K_Strayagent2.tmp", "/P \"cwd\"\n");
  const std::string inTemp = InTemp("K_Strayagent2.tmp", "/P \"temp\"\n");
  CCmdLineInfo info("/D \"d\" /O \"o\" /F \"K_Strayagent2.tmp\"");
  EXPECT_EQ(info.m_szPrinterName, "cwd");
  EXPECT_FALSE(FileExists(inCwd));
  EXPECT_TRUE(FileExists(inTemp));
}

TEST_F(ParamFileTest, StartUpEntriesKeepTheirFile) {
  const struct {
    const char* what;
    std::string cmdLine;
    std::string file;
    int iconFrom;
  } cases[] = {
      {"EF on the line", "/EF \"HKCU\" /F \"K_Strayagent3.tmp\"", "/P \"p\"\n/D \"d\"\n/O \"o\"\n", 1},
      {"EF in the file", "/F \"K_Strayagent3.tmp\"", "/P \"p\"\n/D \"d\"\n/O \"o\"\n/EF \"hklm\"\n", 2},
      {"EF not HKCU or HKLM", "/EF \"HKCR\" /F \"K_Strayagent3.tmp\"", "/P \"p\"\n/D \"d\"\n/O \"o\"\n", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = InTemp("K_Strayagent3.tmp", c.file);
    CCmdLineInfo info;
    info.m_szCmdLine = c.cmdLine;
    EXPECT_EQ(info.Parse(), 1);
    EXPECT_EQ(info.m_szPrinterName, "p");
    EXPECT_EQ(info.m_IconFrom, c.iconFrom);
    EXPECT_EQ(FileExists(path), c.iconFrom != 0);
  }
}

TEST_F(ParamFileTest, AnEmptyFileIsReadAndSetsNothing) {
  const std::string path = InTemp("K_Strayagent4.tmp", "");
  CCmdLineInfo info;
  info.m_szCmdLine = "/D \"d\" /O \"o\" /F \"K_Strayagent4.tmp\"";
  EXPECT_EQ(info.Parse(), 1);
  EXPECT_EQ(info.m_szCmdLine, "");
  EXPECT_EQ(info.m_szDriverName, "d");
  EXPECT_FALSE(FileExists(path));
}

TEST_F(ParamFileTest, AnUnreadableFileEndsParseWithTheLineSwitchesApplied) {
  CCmdLineInfo info;
  info.m_szCmdLine = "/R /P \"Unknown Printer\" /F \"K_Strayagent_missing.tmp\" /S";
  EXPECT_EQ(info.Parse(), 0);
  EXPECT_EQ(info.m_fRemove, 1);
  EXPECT_EQ(info.m_fS, 1);
  EXPECT_EQ(info.m_szDriverName, "");

  // Too large to be a parameter file: refused like an unreadable one, and, being at the
  // place the bare name points to, deleted.
  const std::string huge = InTemp("K_Strayagent_huge.tmp", std::string(kMaxParamFileSize + 1, ' '));
  info.m_szCmdLine = "/F \"K_Strayagent_huge.tmp\"";
  EXPECT_EQ(info.Parse(), 0);
  EXPECT_FALSE(FileExists(huge));

  // A folder is not read and not deleted.
  info.m_szCmdLine = "/F \"" + m_scratch + "\"";
  EXPECT_EQ(info.Parse(), 0);
  EXPECT_TRUE(::GetFileAttributesA(m_scratch.c_str()) & FILE_ATTRIBUTE_DIRECTORY);

  info.m_szCmdLine = "/F \"" + std::string(250, 'n') + "\"";  // too long to join
  EXPECT_EQ(info.Parse(), 0);
}

TEST_F(ParamFileTest, FilesNamingFilesAreFollowedToALimitAndNeverLoop) {
  // A file that names itself: read a few times, then no further; no hang.
  const std::string self = InTemp("K_Strayagent_self.tmp", "/F \"K_Strayagent_self.tmp\"\n/P \"self\"\n/D \"d\"\n/O \"o\"\n");
  CCmdLineInfo info("/F \"K_Strayagent_self.tmp\"");
  EXPECT_EQ(info.m_szPrinterName, "self");
  EXPECT_FALSE(FileExists(self));

  // A chain one longer than the limit: every file up to the limit is read and deleted,
  // the last is not read.
  std::vector<std::string> chain;
  for (int i = 0; i <= kMaxParamFileDepth; ++i) {
    const std::string next = "/F \"K_Strayagent_chain" + std::to_string(i + 1) + ".tmp\"\n";
    chain.push_back(InTemp("K_Strayagent_chain" + std::to_string(i) + ".tmp",
                           next + "/P \"p" + std::to_string(i) + "\"\n/D \"d\"\n/O \"o\"\n"));
  }
  CCmdLineInfo chained;
  chained.m_szCmdLine = "/F \"K_Strayagent_chain0.tmp\"";
  EXPECT_EQ(chained.Parse(), 1);
  EXPECT_EQ(chained.m_szPrinterName, "p" + std::to_string(kMaxParamFileDepth - 1));
  for (int i = 0; i < kMaxParamFileDepth; ++i) EXPECT_FALSE(FileExists(chain[i])) << i;
  EXPECT_TRUE(FileExists(chain[kMaxParamFileDepth]));
}

}  // namespace
