#pragma once
// The agent's switches: '/' and a name, most followed by a value in double quotes. The
// same grammar carries the agent's command line and the text of a parameter file, and
// the same class writes parameter files for the status window program.
//
// Everything declared here is portable except where marked "Windows only": those
// members are defined in cmdline_win.cpp and paramfile.cpp.
#include <cstddef>
#include <cstdint>

#include "base/bytestring.h"

// A switch name keeps at most this many characters; nothing longer occurs in the
// package's command lines or parameter files.
constexpr std::size_t kMaxSwitchName = 79;

// How deep "/F" is followed: the command line names a file, that file may name another,
// and so on. Deeper files are not read, so a file that names itself cannot loop.
constexpr int kMaxParamFileDepth = 4;

// Where ApplySwitch reports "/HWND" and "/SPL". Set once at start-up (the agent passes
// DbgLog); null, the default, logs nothing.
using CmdLineLogFn = int (*)(const char* text);
void SetCmdLineLog(CmdLineLogFn fn);

class CCmdLineParser {
 public:
  CCmdLineParser() = default;
  virtual ~CCmdLineParser();
  CCmdLineParser(const CCmdLineParser&) = default;
  CCmdLineParser& operator=(const CCmdLineParser&) = default;

  // Switch number k (from 0) of m_szCmdLine: its name (at most kMaxSwitchName
  // characters) and its value. Returns the value's length as the text gave it (an
  // explicit length, or the quoted run's length; 0 for a switch without a value), or -1
  // when there is no switch number k or its name or value does not fit the buffers (a
  // value of 260 characters or more in every caller). On -1 both buffers are emptied.
  // A value never reaches past the end of the text: an explicit length that would run
  // past it gives an empty value.
  int GetSwitchAt(int k, char* name, std::size_t nameSize, char* value, std::size_t valueSize) const;

  ByteString m_szCmdLine;
};

class CCmdLineInfo : public CCmdLineParser {
 public:
  CCmdLineInfo() = default;
  // Windows only: parses text, follows "/F" and completes driver and port (Parse).
  explicit CCmdLineInfo(const char* text);
  ~CCmdLineInfo() override;
  CCmdLineInfo(const CCmdLineInfo&) = default;
  CCmdLineInfo& operator=(const CCmdLineInfo&) = default;

  // One switch: the name is compared without regard to case; unknown names do nothing.
  // "F" is Parse's business and is not handled here.
  void ApplySwitch(const char* name, const char* value);

  // Applies every switch of m_szCmdLine in order, stopping at the first that cannot be
  // read, and records "F" in m_szParamFile. Returns 1 when a parameter file was named.
  // This is Parse without the file following and the completion.
  int ApplySwitches();

  // Windows only. ApplySwitches; then reads a named parameter file and parses its text
  // over what is set (its own "/F" followed too, up to kMaxParamFileDepth files), and
  // deletes it unless m_IconFrom is set; then CompletePrinterInfo and CompleteModelID. 1; 0 when a named
  // file could not be read (the switches read so far stay applied, nothing is completed).
  int Parse();

  // Windows only. 1 when driver and port names are known afterwards: both already set,
  // or both asked of the spooler for m_szPrinterName (both replaced by its answers).
  int CompletePrinterInfo();

  // Windows only. 1 when the model identifier is known afterwards: already set, or the
  // driver key's "ModelID" from the printer's setup data (stored even when empty).
  int CompleteModelID();

  // Empties every member except m_szCmdLine.
  void Reset();

  // The bytes of a parameter file for this object: one line per member that is set, in
  // the fixed order, each line ending in a single line feed. A value holding a double
  // quote or a line feed is written with an explicit length ("/P12 \"...\"") so that it
  // reads back unchanged; other values are written in plain double quotes. Returns 1
  // when every line fitted in 276 bytes; otherwise 0, with *out holding the lines
  // before the one that did not.
  int BuildParamFileText(ByteString* out) const;

  // Parameter files, Windows only.
  // Makes a unique empty file "K_S....tmp" in the temporary folder: 1 with m_szTempDir
  // and m_szTempName set; 0 with m_szTempName empty.
  int MakeTempFileName();
  // Writes BuildParamFileText to m_szTempDir + m_szTempName. 1 when every line was written.
  int WriteParamFile();
  // A new parameter file holding the given printer, port and model over what the object
  // already holds; 1 with its bare name in m_szTempName. On failure no file is left.
  int MakeParamFile(const char* printerName, const char* portName, const char* modelID);
  // Deletes a parameter file named as given, or else in the temporary folder. Non-zero
  // when a file was deleted.
  int DeleteParamFile(const char* name);

  ByteString m_szTempDir;
  std::int32_t m_fRemove = 0;
  std::int32_t m_fS = 0;
  std::int32_t m_fE = 0;
  std::int32_t m_fC = 0;
  std::int32_t m_fU = 0;
  ByteString m_szPrinterName;
  ByteString m_szDriverName;
  ByteString m_szPortName;
  ByteString m_szModelID;
  ByteString m_szParamFile;
  ByteString m_szTempName;
  ByteString m_szJ;
  ByteString m_szKVM;
  std::int32_t m_fIconInstall = 0;
  std::int32_t m_IconFrom = 0;  // 0 none, 1 started from "HKCU", 2 from "HKLM"
  std::int32_t m_fSPL = 0;
  std::int32_t m_nHWND = 0;
  std::int32_t m_fDP = 0;
  std::int32_t m_fA = 0;
  ByteString m_szT;
  ByteString m_szL;
  ByteString m_szN;
  ByteString m_szIC;
  ByteString m_szCN;
  std::int32_t m_fASMRT = 0;
  ByteString m_szTC;
  std::int32_t m_fPPOP = 0;
  ByteString m_szX;
  ByteString m_szPS;
  std::int32_t m_fBSR = 0;
  ByteString m_szRP;
  std::int32_t m_fTD = 0;

 private:
  // Parse without the completion, for the file at this nesting depth.
  int ParseAt(int depth);
};

// A decimal number as the C runtime's atoi reads it (leading white space, an optional
// sign, digits up to the first other character; 0 when there are none), but saturated
// at the 32-bit limits instead of overflowing.
std::int32_t ReadSignedDecimal(const char* text);
