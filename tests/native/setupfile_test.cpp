// The setup data reader: lines, comments, sections, entries, fields, quotes, data types.
#include "drvdata/setupfile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::vector<std::string> ValuesOf(const std::string& content, const char* section, const char* name) {
  CSetupFile file;
  std::vector<std::string> values;
  if (!file.OpenBytes(content.data(), content.size()) || !file.FindSection(section)) return {"<no section>"};
  ByteString value;
  while (file.GetNextValue(name, &value)) values.push_back(value);
  EXPECT_TRUE(value.empty());  // the failing call leaves the output empty
  return values;
}

struct ReadCase {
  const char* what;
  std::string content;
  std::vector<std::string> values;  // of "Key" in section "S"; {"<no section>"} when not found
};

TEST(SetupFileReader, LinesCommentsSectionsAndEntries) {
  using V = std::vector<std::string>;
  using namespace std::string_literals;
  const ReadCase cases[] = {
      {"plain", "[S]\nKey=a\nKey=b\n", V{"a", "b"}},
      {"last line without line feed", "[S]\nKey=a\nKey=last", V{"a", "last"}},
      {"CR LF and blanks around everything", "  [S]  \r\n\t Key \t=  a b \r\n\r\n", V{"a b"}},
      {"header found ignoring case", "[s]\nKey=a\n", V{"a"}},
      {"blank inside the brackets is another name", "[ S ]\nKey=a\n", V{"<no section>"}},
      {"entry names ignoring case", "[S]\nKEY=a\nkey=b\nKeyX=c\n", V{"a", "b"}},
      {"first equals sign splits", "[S]\nKey = a=b ,c\n", V{"a=b ,c"}},
      {"empty value is no entry", "[S]\nKey=\nKey=  \nKey=a\n", V{"a"}},
      {"line without equals sign or name", "[S]\nKey\n=a\nKey=b\n", V{"b"}},
      {"whole-line and trailing comments", "[S] ; c\n; Key=x\nKey=a ; Key=y\nKey=b;\n", V{"a", "b"}},
      {"semicolon inside quotes cuts the line", "[S]\nKey=\"a;b\",c\n", V{"\"a"}},
      {"comment as the last bytes", "[S]\nKey=a;", V{"a"}},
      {"stops at the next section", "[S]\nKey=a\n[T]\nKey=b\n", V{"a"}},
      {"any bracketed line ends the section", "[S]\nKey=a\n [x y] \nKey=b\n", V{"a"}},
      {"first of two equal headers", "[S]\nKey=a\n[T]\n[S]\nKey=b\n", V{"a"}},
      {"entries before the header are not in it", "Key=x\n[S]\nKey=a\n", V{"a"}},
      {"header as the last line", "Key=x\n[S]", V{}},
      {"zero byte ends the content", "[S]\nKey=a\nKey=b\0\nKey=c\n"s, V{"a", "b"}},
      {"zero byte inside a comment", "[S]\nKey=a;x\0y\nKey=c\n"s, V{"a"}},
  };
  for (const ReadCase& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(ValuesOf(c.content, "S", "Key"), c.values);
  }
}

TEST(SetupFileReader, FindSectionRewindsAndRefusesEmptyNames) {
  const std::string content = "[A]\nKey=1\n[B]\nKey=2\n";
  CSetupFile file;
  ASSERT_TRUE(file.OpenBytes(content.data(), content.size()));
  ByteString value = "junk";
  EXPECT_FALSE(file.GetNextValue("", &value));
  EXPECT_EQ(value, "");
  EXPECT_FALSE(file.GetNextValue("Key", nullptr));
  ASSERT_TRUE(file.FindSection("B"));
  ASSERT_TRUE(file.GetNextValue("Key", &value));
  EXPECT_EQ(value, "2");
  ASSERT_TRUE(file.FindSection("a"));  // back to the start
  ASSERT_TRUE(file.GetNextValue("Key", &value));
  EXPECT_EQ(value, "1");
  EXPECT_FALSE(file.FindSection(""));
  EXPECT_FALSE(file.FindSection(nullptr));
  EXPECT_FALSE(file.FindSection("C"));
  EXPECT_EQ(file.Position(), file.Size());
}

class SetupFileOpen : public ::testing::Test {
 protected:
  void SetUp() override {
    m_dir = std::filesystem::temp_directory_path() / "trayagent_setupfile_test";
    std::filesystem::create_directories(m_dir);
  }
  void TearDown() override { std::filesystem::remove_all(m_dir); }
  std::string Write(const char* name, const std::string& bytes) {
    const std::filesystem::path p = m_dir / name;
    std::ofstream(p, std::ios::binary) << bytes;
    return p.string();
  }
  std::filesystem::path m_dir;
};

TEST_F(SetupFileOpen, ReadsWholeFilesAndRefusesEmptyOrMissingOnes) {
  CSetupFile file;
  const std::string content = "[Install]\r\nREGPATH=1,\"x\"";
  ASSERT_TRUE(file.Open(Write("a.inf", content).c_str()));
  EXPECT_EQ(file.Size(), content.size());
  EXPECT_TRUE(file.FindSection("install"));

  EXPECT_FALSE(file.Open(Write("empty.inf", "").c_str()));  // 0 bytes
  EXPECT_EQ(file.Size(), 0u);                                // and the earlier content is gone
  EXPECT_FALSE(file.FindSection("install"));
  EXPECT_FALSE(file.Open((m_dir / "missing.inf").string().c_str()));
  EXPECT_FALSE(file.Open(""));
  EXPECT_FALSE(file.Open(nullptr));
  EXPECT_FALSE(file.OpenBytes("x", 0));

  ASSERT_TRUE(file.OpenBytes("[S]\nKey=1\n", 10));
  file.Close();
  EXPECT_EQ(file.Size(), 0u);
  EXPECT_EQ(file.Position(), 0u);
  ByteString value;
  EXPECT_FALSE(file.FindSection("S"));
  EXPECT_FALSE(file.GetNextValue("Key", &value));
}

struct FieldCase {
  const char* value;
  unsigned index;
  const char* field;
};

TEST(SetupFileFields, SplitQuoteAndUndoubleAsTheFileFormatSays) {
  const FieldCase cases[] = {
      {"a,b,c", 0, "a"},
      {"a,b,c", 2, "c"},
      {"a,b,c", 3, ""},                           // beyond the last
      {"a,b,c", 4000000000u, ""},
      {"a,", 1, ""},                              // empty last field
      {",b", 0, ""},
      {"", 0, ""},
      {"1,\"x,y\",z", 1, "\"x,y\""},              // commas inside quotes do not split
      {"1,\"x,y\",z", 2, "z"},
      {"1, \"x,y\",z", 1, " \"x"},                // a blank before the quote: not a quoted field
      {"1, \"x,y\",z", 2, "y\""},
      {"\"a\" b,c", 0, "\"a\" b"},                // a quoted field reaches to the next comma
      {"\"a,b", 0, ""},                           // no second quote: empty ...
      {"x,\"a,b", 1, ""},
      {"x,\"a,b", 2, ""},                         // ... and so is everything after it
      {"\"\"", 0, "\""},                          // an empty quoted string
      {"\"a\"\"b\",c", 0, "\"a\"b\""},            // doubled quotes become one
      {"\"a\"\"b,c\",d", 0, "\"a\"b"},            // the comma after the second quote ends it
      {"\"\"\"\",x", 0, "\"\""},
      {"a\"\"b,x", 0, "a\"b"},
      {" a , b ", 1, " b "},                      // fields are not trimmed
  };
  for (const FieldCase& c : cases) {
    SCOPED_TRACE(std::string(c.value) + " #" + std::to_string(c.index));
    EXPECT_EQ(CSetupFile::GetField(c.value, c.index), c.field);
  }
}

TEST(SetupFileFields, UnquoteRefusesUnquotedText) {
  const std::pair<const char*, const char*> cases[] = {
      {"\"abc\"", "abc"}, {"\"\"", ""}, {"\"", ""}, {"abc", ""}, {"\"abc", ""},
      {"abc\"", ""},      {" \"a\"", ""}, {"\"a\" ", ""}, {"\"a\"b\"", "a\"b"}, {"", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first);
    EXPECT_EQ(CSetupFile::Unquote(c.first), c.second);
  }
}

TEST(SetupFileFields, DataTypeIsStringForQuotesAndMacrosElseNumber) {
  const std::pair<const char*, int> cases[] = {
      {"\"text\"", kSetupDataString},
      {"  \"text\"  ", kSetupDataString},
      {"\"", kSetupDataString},
      {"DRIVERDIR", kSetupDataString},
      {"driverdir", kSetupDataString},
      {"x SystemDir+\"\\a\"", kSetupDataString},
      {"0x10", kSetupDataNumber},
      {"12", kSetupDataNumber},
      {"\"open", kSetupDataNumber},
      {"text", kSetupDataNumber},
      {"", kSetupDataNumber},
      {"   ", kSetupDataNumber},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first);
    EXPECT_EQ(CSetupFile::GetDataType(c.first), c.second);
  }
}

}  // namespace
