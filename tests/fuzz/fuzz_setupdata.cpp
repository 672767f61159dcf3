// Setup data files of any content, asked any question. The file is read into an exact
// heap block, so AddressSanitizer sees any read past it, and every answer of the one-pass
// lookup is checked against the answer of the lists that a load builds.
//
// Input: byte 0 picks the system and which directories are known, then a query line
// "key path<TAB>value name<LF>", then the file's content.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "drvdata/setupregtable.h"

namespace {

const OsVersion kVersions[] = {{1, 4, 10}, {2, 4, 0}, {2, 5, 0}, {2, 5, 1}, {2, 6, 1}, {0, 0, 0}};

void Check(bool ok) {
  if (!ok) std::abort();
}

void Compare(CSetupRegTable& table, CSetupFile& file, const char* dir, const std::string& key, const std::string& name) {
  CSetupRegTable lists;
  lists.SetEnvironment(table.Environment());
  std::string fromLists;
  if (lists.ReadPathEntries(&file) && lists.ReadEnterEntriesInDir(dir, &file)) fromLists = lists.FindValue(key.c_str(), name.c_str());
  Check(table.FindValueInFile(&file, dir, key.c_str(), name.c_str()) == fromLists);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::uint8_t pick = data[0];
  const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  const std::size_t lf = rest.find('\n');
  const std::string query = lf == std::string::npos ? rest : rest.substr(0, lf);
  const std::string content = lf == std::string::npos ? std::string() : rest.substr(lf + 1);
  const std::size_t tab = query.find('\t');
  const std::string key = query.substr(0, tab);
  const std::string name = tab == std::string::npos ? std::string() : query.substr(tab + 1);

  SetupEnvironment env;
  env.version = kVersions[pick % 6];
  env.systemDir = (pick & 0x40) ? "" : "C:\\WINDOWS\\system32";
  const char* dir = (pick & 0x80) ? "" : "C:\\drv";
  CSetupRegTable table;
  table.SetEnvironment(env);

  CSetupFile file;
  {
    // An exact-size copy: the reader must stay inside size + 1 bytes.
    std::vector<char> exact(content.begin(), content.end());
    if (!file.OpenBytes(exact.data(), exact.size())) {
      Check(content.empty());
      return 0;
    }
  }
  Compare(table, file, dir, key, name);

  // Ask for what the file itself names, so that lookups also find things.
  CSetupRegTable lists;
  lists.SetEnvironment(env);
  if (!lists.ReadPathEntries(&file)) return 0;
  lists.ReadEnterEntriesInDir(dir, &file);
  std::vector<std::string> paths;
  std::vector<std::string> names;
  for (EntryPos pos = lists.PathList().GetHeadPosition(); pos != nullptr && paths.size() < 6;) {
    paths.push_back(lists.PathList().GetNext(pos)->m_szPath);
  }
  for (EntryPos pos = lists.EnterList().GetHeadPosition(); pos != nullptr && names.size() < 6;) {
    const CRegEnterEntry* e = lists.EnterList().GetNext(pos);
    Check(!e->m_szId.empty() && !e->m_szValueName.empty());
    Check(e->m_nType == kSetupDataString ? !e->m_szData.empty() : e->m_szData.empty());
    names.push_back(e->m_szValueName);
  }
  for (const std::string& p : paths) {
    for (const std::string& n : names) Compare(table, file, dir, p, n);
  }

  // Fields of every value: never more than the value, never a crash.
  std::string_view value;
  if (file.FindSection("Install")) {
    int n = 0;
    while (file.GetNextValueView("REGENTER", &value) && ++n < 50) {
      for (unsigned i = 0; i < 6; ++i) Check(CSetupFile::GetField(value, i).size() <= value.size());
      Check(CSetupFile::Unquote(value).size() + 2 <= value.size() || CSetupFile::Unquote(value).empty());
      CSetupFile::GetDataType(value);
      table.ExpandDirMacro(value, dir);
    }
  }
  return 0;
}
