#pragma once
// The registry description of a setup data file: section "Install" lists registry keys
// below HKEY_LOCAL_MACHINE ("REGPATH" entries) and the values under them ("REGENTER"
// entries):
//   REGPATH=<id>,"HKEY_LOCAL_MACHINE\<key path>"
//   REGENTER=<id>,"<value name>",<data>[,<condition>...]
// Data is a quoted string, a directory macro (DRIVERDIR or SYSTEMDIR, bare or followed by
// +"<rest>"), or a number. Conditions name the systems an entry applies to; an entry
// without any applies everywhere.
//
// The portable part here reads and interprets the file given the driver directory and the
// system's facts (SetupEnvironment); LoadByPrinter, LoadByDriver, LookupByPrinter and
// LookupByDriver (setupregtable_win.cpp) add the spooler and the system.
#include <cstdint>
#include <string_view>

#include "base/bytestring.h"
#include "base/osversion.h"
#include "drvdata/entrylist.h"
#include "drvdata/setupfile.h"

// What the interpretation needs from the running system: read once per load, as neither
// changes while the program runs.
struct SetupEnvironment {
  OsVersion version;
  ByteString systemDir;  // "" when it could not be had
};

// Whether an entry guarded by this condition token applies on that system. Tokens are
// compared ignoring case; unknown tokens never apply.
bool IsSetupConditionMet(std::string_view token, const OsVersion& version);

// One "REGPATH" entry.
class CRegPathEntry {
 public:
  virtual ~CRegPathEntry() = default;
  ByteString m_szId;    // path identifier, trimmed
  ByteString m_szPath;  // key path below HKEY_LOCAL_MACHINE
};

// One "REGENTER" entry.
class CRegEnterEntry {
 public:
  virtual ~CRegEnterEntry() = default;
  ByteString m_szId;         // path identifier, trimmed
  ByteString m_szValueName;  // unquoted
  std::int32_t m_nType = 0;  // kSetupDataString or kSetupDataNumber
  ByteString m_szData;       // expanded string data; empty for number data
};

class CSetupRegTable {
 public:
  CSetupRegTable() = default;
  virtual ~CSetupRegTable();
  CSetupRegTable(const CSetupRegTable&) = delete;
  CSetupRegTable& operator=(const CSetupRegTable&) = delete;

  // --- Windows: the setup data file of a printer's or an installed driver's driver.
  // True when both lists hold entries; on failure both are empty.
  bool LoadByPrinter(const char* printerName);
  bool LoadByDriver(const char* driverName);
  // The "REGENTER" entries, with the driver directory asked from the spooler.
  bool ReadEnterEntriesByPrinter(const char* printerName, CSetupFile* file);
  bool ReadEnterEntriesByDriver(const char* driverName, CSetupFile* file);
  // The answer that a load followed by FindValue gives, read in one pass without
  // building the lists (FindValueInFile). "" when anything is missing.
  ByteString LookupByPrinter(const char* printerName, const char* keyPath, const char* valueName);
  ByteString LookupByDriver(const char* driverName, const char* keyPath, const char* valueName);
  // Takes the version record and the system directory from the running system.
  void LoadEnvironment();

  // --- Portable.
  void SetEnvironment(const SetupEnvironment& env) { m_env = env; }
  const SetupEnvironment& Environment() const { return m_env; }

  // Reads the "REGPATH" entries of section "Install"; true when the path list is not
  // empty. Entries without an id or without a "HKEY_LOCAL_MACHINE\" path are dropped.
  bool ReadPathEntries(CSetupFile* file);
  // Reads the "REGENTER" entries of section "Install" with that driver directory; true
  // when the enter list is not empty. Without a directory nothing is read. Entries that
  // are malformed or do not apply here are dropped; an entry with the same id and value
  // name (exactly) as the entry before it replaces that one, so of a run of alternatives
  // the last one that applies wins.
  bool ReadEnterEntriesInDir(const char* driverDir, CSetupFile* file);
  // The string data of the first value entry with that value name whose id is that of
  // the first path entry with that key path (both ignoring case); "" when there is none
  // or it holds number data.
  ByteString FindValue(const char* keyPath, const char* valueName) const;

  // The same answer as ReadPathEntries, ReadEnterEntriesInDir and FindValue together,
  // in one pass over the section, without allocating per line and without touching the
  // lists. Stops reading once the answer can no longer change.
  ByteString FindValueInFile(CSetupFile* file, const char* driverDir, const char* keyPath,
                             const char* valueName) const;

  // Trimmed data text with its directory macro expanded, or "" for every form that is
  // not accepted (see setupregtable.cpp).
  ByteString ExpandDirMacro(std::string_view value, const char* driverDir) const;
  bool IsConditionMet(std::string_view token) const { return IsSetupConditionMet(token, m_env.version); }

  const CEntryList<CRegPathEntry>& PathList() const { return m_PathList; }
  const CEntryList<CRegEnterEntry>& EnterList() const { return m_EnterList; }

 private:
  void RemoveAllEntries();

  CEntryList<CRegPathEntry> m_PathList;
  CEntryList<CRegEnterEntry> m_EnterList;
  SetupEnvironment m_env;
};
