#include "drvdata/setupregtable.h"

#include <new>
#include <vector>

#include "drvdata/setuptext.h"

using setuptext::EqualNoCase;
using setuptext::Trim;
using setuptext::View;

namespace {

constexpr std::string_view kInstallSection = "Install";
constexpr std::string_view kRegPath = "REGPATH";
constexpr std::string_view kRegEnter = "REGENTER";
constexpr std::string_view kRootPrefix = "HKEY_LOCAL_MACHINE\\";
constexpr std::string_view kDriverDirMacro = "DRIVERDIR";
constexpr std::string_view kSystemDirMacro = "SYSTEMDIR";

// Expanded string data as two parts, the directory and what follows it, so that a caller
// can test the result for emptiness without building it.
struct Expansion {
  std::string_view dir;
  std::string_view rest;
  bool Empty() const { return dir.empty() && rest.empty(); }
  ByteString Join() const {
    ByteString s;
    s.reserve(dir.size() + rest.size());
    s.append(dir.data(), dir.size()).append(rest.data(), rest.size());
    return s;
  }
};

// Forms accepted:
//   DRIVERDIR or SYSTEMDIR alone, in any letter case: that directory;
//   "text": the text;
//   ...DRIVERDIR+"text" or ...SYSTEMDIR+"text" (macro in capitals, '+' and the quote
//   right after it, anything before the macro ignored): the directory followed directly
//   by the trimmed text (which normally begins with a backslash).
Expansion ExpandParts(std::string_view value, std::string_view driverDir, std::string_view systemDir) {
  Expansion none;
  if (value.empty() || driverDir.empty()) return none;
  if (EqualNoCase(value, kDriverDirMacro)) return Expansion{driverDir, {}};
  if (EqualNoCase(value, kSystemDirMacro) && !systemDir.empty()) return Expansion{systemDir, {}};

  std::size_t at = value.find(kDriverDirMacro);
  std::string_view macroDir = driverDir;
  if (at == std::string_view::npos) {
    at = value.find(kSystemDirMacro);
    macroDir = systemDir;
  }
  if (at == std::string_view::npos) return Expansion{{}, CSetupFile::UnquoteView(value)};

  const std::string_view after = value.substr(at + kDriverDirMacro.size());
  if (after.size() < 2 || after[0] != '+' || after[1] != '"') return none;
  const std::string_view rest = Trim(CSetupFile::UnquoteView(after.substr(1)));
  // A path on a directory that could not be had would name the wrong file.
  if (rest.empty() || macroDir.empty()) return none;
  return Expansion{macroDir, rest};
}

// Reads "REGPATH" values: id and key path, or false when the entry is to be dropped.
class CPathInterpreter {
 public:
  bool Interpret(std::string_view value, std::string_view* id, std::string_view* path) {
    CSetupFieldCursor cursor(value);
    *id = Trim(CookField(cursor.Next(), &m_id));
    if (id->empty()) return false;
    const std::string_view quoted = CSetupFile::UnquoteView(Trim(CookField(cursor.Next(), &m_path)));
    if (quoted.empty()) return false;
    const std::size_t at = quoted.find(kRootPrefix);
    if (at == std::string_view::npos) return false;
    *path = quoted.substr(at + kRootPrefix.size());
    return !path->empty();
  }

 private:
  ByteString m_id;  // scratch for fields with doubled quotes
  ByteString m_path;
};

// One "REGENTER" value as read: views into the value or into the reader's scratch.
struct EnterFields {
  std::string_view id;
  std::string_view valueName;
  std::string_view data;  // trimmed, before expansion
  int type = 0;
  Expansion expansion;  // string data only
};

// Reads "REGENTER" values and decides whether they are kept. Reused for every line of a
// pass, so its scratch strings stop allocating once they are large enough.
class CEnterInterpreter {
 public:
  CEnterInterpreter(std::string_view driverDir, const SetupEnvironment& env) : m_driverDir(driverDir), m_env(env) {}

  bool Interpret(std::string_view value, EnterFields* out) {
    CSetupFieldCursor cursor(value);
    out->id = Trim(CookField(cursor.Next(), &m_id));
    if (out->id.empty()) return false;
    out->valueName = CSetupFile::UnquoteView(Trim(CookField(cursor.Next(), &m_name)));
    if (out->valueName.empty()) return false;
    out->data = Trim(CookField(cursor.Next(), &m_data));
    if (out->data.empty()) return false;
    out->type = CSetupFile::GetDataType(out->data);
    out->expansion = Expansion();
    if (out->type == kSetupDataString) {
      out->expansion = ExpandParts(out->data, m_driverDir, m_env.systemDir);
      if (out->expansion.Empty()) return false;
    }
    // Conditions run up to the first empty field; none at all means everywhere.
    std::string_view token = Trim(CookField(cursor.Next(), &m_token));
    if (token.empty()) return true;
    do {
      if (IsSetupConditionMet(token, m_env.version)) return true;
      token = Trim(CookField(cursor.Next(), &m_token));
    } while (!token.empty());
    return false;
  }

 private:
  std::string_view m_driverDir;
  const SetupEnvironment& m_env;
  ByteString m_id;
  ByteString m_name;
  ByteString m_data;
  ByteString m_token;
};

// The value name of a "REGENTER" value (field 1, trimmed and unquoted), read without
// looking at the rest.
std::string_view PeekValueName(std::string_view value, ByteString* scratch) {
  CSetupFieldCursor cursor(value);
  cursor.Next();
  return CSetupFile::UnquoteView(Trim(CookField(cursor.Next(), scratch)));
}

// Field 2 of a value as it stands in the file.
std::string_view RawDataField(std::string_view value) {
  CSetupFieldCursor cursor(value);
  cursor.Next();
  cursor.Next();
  return cursor.Next();
}

}  // namespace

bool IsSetupConditionMet(std::string_view token, const OsVersion& v) {
  if (token.empty() || EqualNoCase(token, "ALL")) return true;
  const bool nt = v.platformId == kPlatformNT;
  if (EqualNoCase(token, "WIN9X")) return v.platformId == kPlatformWin9x;
  if (EqualNoCase(token, "WINNT")) return nt;
  if (EqualNoCase(token, "WINNT40")) return nt && v.major == 4;
  if (EqualNoCase(token, "WIN2000")) return nt && v.major >= 5;
  if (EqualNoCase(token, "WIN2KLATER")) return nt && ((v.major == 5 && v.minor >= 1) || v.major >= 6);
  if (EqualNoCase(token, "BUILD32")) return true;  // the agent ships as a 32-bit program
  return false;                                    // "BUILD64" and every unknown token
}

CSetupRegTable::~CSetupRegTable() { RemoveAllEntries(); }

void CSetupRegTable::RemoveAllEntries() {
  m_PathList.RemoveAll();
  m_EnterList.RemoveAll();
}

ByteString CSetupRegTable::ExpandDirMacro(std::string_view value, const char* driverDir) const {
  return ExpandParts(value, View(driverDir), m_env.systemDir).Join();
}

bool CSetupRegTable::ReadPathEntries(CSetupFile* file) {
  m_PathList.RemoveAll();
  if (file == nullptr || !file->FindSection(kInstallSection.data())) return false;
  CPathInterpreter reader;
  std::string_view value;
  while (file->GetNextValueView(kRegPath, &value)) {
    CRegPathEntry* entry = new (std::nothrow) CRegPathEntry;
    if (entry == nullptr) break;
    std::string_view id;
    std::string_view path;
    if (reader.Interpret(value, &id, &path)) {
      entry->m_szId.assign(id.data(), id.size());
      entry->m_szPath.assign(path.data(), path.size());
      if (m_PathList.AddTail(entry)) continue;
      delete entry;
      break;
    }
    delete entry;
  }
  return !m_PathList.IsEmpty();
}

bool CSetupRegTable::ReadEnterEntriesInDir(const char* driverDir, CSetupFile* file) {
  m_EnterList.RemoveAll();
  if (View(driverDir).empty()) return false;
  if (file == nullptr || !file->FindSection(kInstallSection.data())) return false;
  CEnterInterpreter reader(driverDir, m_env);
  std::string_view value;
  while (file->GetNextValueView(kRegEnter, &value)) {
    CRegEnterEntry* entry = new (std::nothrow) CRegEnterEntry;
    if (entry == nullptr) break;
    EnterFields f;
    if (!reader.Interpret(value, &f)) {
      delete entry;
      continue;
    }
    entry->m_szId.assign(f.id.data(), f.id.size());
    entry->m_szValueName.assign(f.valueName.data(), f.valueName.size());
    entry->m_nType = f.type;
    if (f.type == kSetupDataString) entry->m_szData = f.expansion.Join();
    const EntryPos last = m_EnterList.GetTailPosition();
    const CRegEnterEntry* prev = m_EnterList.GetAt(last);
    if (prev != nullptr && prev->m_szId == entry->m_szId && prev->m_szValueName == entry->m_szValueName) {
      m_EnterList.RemoveAt(last);
    }
    if (!m_EnterList.AddTail(entry)) {
      delete entry;
      break;
    }
  }
  return !m_EnterList.IsEmpty();
}

ByteString CSetupRegTable::FindValue(const char* keyPath, const char* valueName) const {
  const CRegPathEntry* path = nullptr;
  for (EntryPos pos = m_PathList.GetHeadPosition(); pos != nullptr;) {
    const CRegPathEntry* e = m_PathList.GetNext(pos);
    if (EqualNoCase(e->m_szPath, View(keyPath))) {
      path = e;
      break;
    }
  }
  if (path == nullptr) return ByteString();
  for (EntryPos pos = m_EnterList.GetHeadPosition(); pos != nullptr;) {
    const CRegEnterEntry* e = m_EnterList.GetNext(pos);
    if (EqualNoCase(e->m_szId, path->m_szId) && EqualNoCase(e->m_szValueName, View(valueName))) {
      return e->m_nType == kSetupDataString ? e->m_szData : ByteString();
    }
  }
  return ByteString();
}

// The lists that a load builds answer a query with the first value entry of the right id
// and name. Replacement collapses every run of adjacent entries with the same id and name
// into its last entry, so that answer is the last entry of the first such run. One pass
// therefore suffices: follow the runs and remember, per id, where the first matching run
// ended. Ids are remembered until the path entry says which id is wanted; files normally
// list their paths first, and then only that id is followed.
ByteString CSetupRegTable::FindValueInFile(CSetupFile* file, const char* driverDir, const char* keyPath,
                                           const char* valueName) const {
  const std::string_view wantedPath = View(keyPath);
  const std::string_view wantedName = View(valueName);
  const std::string_view dir = View(driverDir);
  if (file == nullptr || wantedPath.empty() || wantedName.empty() || dir.empty()) return ByteString();
  if (!file->FindSection(kInstallSection.data())) return ByteString();

  struct Candidate {
    ByteString id;
    std::string_view data;  // raw field 2 of the run's last entry (a view into the file)
    bool closed;
  };
  std::vector<Candidate> candidates;  // at most one per id (ignoring case)
  Candidate* open = nullptr;          // the candidate whose run is still going on (then lastWanted)
  bool haveTarget = false;
  ByteString target;
  bool lastWanted = false;  // the last kept entry has the wanted value name, ...
  ByteString lastId;        // ... this id ...
  ByteString lastName;      // ... and exactly this name
  ByteString nameScratch;

  CPathInterpreter pathReader;
  CEnterInterpreter enterReader(dir, m_env);
  auto findCandidate = [&candidates](std::string_view id) -> Candidate* {
    for (Candidate& c : candidates) {
      if (EqualNoCase(c.id, id)) return &c;
    }
    return nullptr;
  };

  std::string_view name;
  std::string_view value;
  while (file->GetNextEntryView(&name, &value)) {
    if (EqualNoCase(name, kRegPath)) {
      if (haveTarget) continue;
      std::string_view id;
      std::string_view path;
      if (pathReader.Interpret(value, &id, &path) && EqualNoCase(path, wantedPath)) {
        haveTarget = true;
        target.assign(id.data(), id.size());
        const Candidate* c = findCandidate(target);
        if (c != nullptr && c->closed) break;
      }
      continue;
    }
    if (!EqualNoCase(name, kRegEnter)) continue;
    // Only entries of the wanted value name can become the answer. Any other entry matters
    // only right after one of those, where keeping it ends a run; elsewhere it changes
    // nothing whether kept or dropped, so it is not interpreted at all.
    const bool wanted = EqualNoCase(PeekValueName(value, &nameScratch), wantedName);
    if (!wanted && !lastWanted) continue;
    EnterFields f;
    if (!enterReader.Interpret(value, &f)) continue;
    if (!wanted) {
      if (open != nullptr) open->closed = true;
      open = nullptr;
      lastWanted = false;
    } else if (lastWanted && f.id == std::string_view(lastId) && f.valueName == std::string_view(lastName)) {
      if (open != nullptr) open->data = RawDataField(value);  // the run goes on: its last entry counts
    } else {
      if (open != nullptr) open->closed = true;
      open = nullptr;
      if ((!haveTarget || EqualNoCase(f.id, target)) && findCandidate(f.id) == nullptr) {
        candidates.push_back(Candidate{ByteString(f.id), RawDataField(value), false});
        open = &candidates.back();
      }
      lastId.assign(f.id.data(), f.id.size());
      lastName.assign(f.valueName.data(), f.valueName.size());
      lastWanted = true;
    }
    if (haveTarget) {
      const Candidate* c = findCandidate(target);
      if (c != nullptr && c->closed) break;  // later entries can no longer change it
    }
  }
  if (!haveTarget) return ByteString();
  const Candidate* c = findCandidate(target);
  if (c == nullptr) return ByteString();
  ByteString scratch;
  const std::string_view data = Trim(CookField(c->data, &scratch));
  if (CSetupFile::GetDataType(data) != kSetupDataString) return ByteString();
  return ExpandParts(data, dir, m_env.systemDir).Join();
}
