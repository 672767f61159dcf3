// Sample launcher of the status window program, K_XRUN01.EXE. The agent starts it with
// the printer in a parameter file:        K_XRUN01.EXE /F "K_S1A2B.tmp"
// (a bare name lies in the temporary folder; a full path is taken as it is), or, when no
// file could be written, in switches with explicit lengths:
//                                          K_XRUN01.EXE /P10 "Office Ink" /O6 "USB001" /M4 "1234" [/E]
// It reads the printer, driver, port and model (and "/E": the monitoring preferences),
// deletes the parameter file, and starts KVSSTAT.EXE beside it with the same values,
// every one written with its length.
//
// Every start is recorded, so that tests can check every byte it was given: one record
// appended to K_XRUN01.LOG in the temporary folder (or the file K_XRUN_LOG names), made of
// fields "<name> <byte count>:<bytes>\r\n", in this order:
//   K_XRUN01     the process id            module       the launcher's own path
//   cmdline      the raw command line      paramfile    the path of the file it read *
//   parambytes   the file's bytes *        paramdeleted 1 when the file is gone after *
//   printer, driver, port, model           prefs        1 with "/E", else 0
//   status       the status window program's command line
//   started      1 when it started, else 0 and the system's error code
//   end          (empty)
// (* only when "/F" named a file; "paramfile" alone, with "parambytes" left out, when it
// could not be read.)
// Exit code: 0 started; 1 no printer given or the file could not be read; 2 the status
// window program could not be started.
#include <windows.h>

#include <string>

#include "app/cmdline.h"
#include "app/paramfile.h"
#include "sampledriver/common/samplefiles.h"
#include "sampledriver/launcher/launchcommon.h"

namespace {

void AddField(std::string* record, const char* name, const std::string& value) {
  *record += name;
  *record += ' ';
  *record += std::to_string(value.size());
  *record += ':';
  *record += value;
  *record += "\r\n";
}

std::string RecordPath() {
  char named[MAX_PATH + 1] = {};
  const DWORD n = ::GetEnvironmentVariableA(kLaunchRecordVariable, named, sizeof named);
  if (n > 0 && n < sizeof named) return named;
  return GetParamFileFolder() + kLaunchRecordName;
}

// One write to a handle opened for appending: records of launchers started together
// do not mix.
void AppendRecord(const std::string& record) { AppendToFile(RecordPath(), record); }

// A bare name is one the agent made in the temporary folder. Looking in the current
// folder first, as for the agent's own "/F", would read (and delete) a stranger's file
// of the same name there.
std::string ParamFilePath(const std::string& name) {
  if (name.find_first_of("\\/:") != std::string::npos) return name;
  return GetParamFileFolder() + name;
}

bool FileExists(const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

int WINAPI WinMain(HINSTANCE /*hInstance*/, HINSTANCE /*hPrevInstance*/, LPSTR lpCmdLine, int /*nShowCmd*/) {
  std::string record;
  AddField(&record, "K_XRUN01", std::to_string(::GetCurrentProcessId()));
  char module[MAX_PATH + 1] = {};
  ::GetModuleFileNameA(nullptr, module, MAX_PATH);
  AddField(&record, "module", module);
  const char* raw = ::GetCommandLineA();
  AddField(&record, "cmdline", raw != nullptr ? raw : "");

  // The switches as the agent's own parser reads them; the parameter file's lines are
  // applied over those of the command line.
  CCmdLineInfo info;
  info.m_szCmdLine = lpCmdLine != nullptr ? lpCmdLine : "";
  int exitCode = 0;
  if (info.ApplySwitches()) {
    const std::string path = ParamFilePath(info.m_szParamFile);
    AddField(&record, "paramfile", path);
    CFileReader reader;
    char* text = nullptr;
    std::uint32_t size = 0;
    if (reader.Read(path.c_str(), &text, &size)) {
      const std::string bytes(text, size - 2);  // the reader adds two zero bytes
      AddField(&record, "parambytes", bytes);
      info.m_szCmdLine = bytes;
      info.m_szParamFile.clear();
      info.ApplySwitches();  // the agent's files name no further file; one is not followed
      // The file was for us alone.
      reader.RemoveFile();
      reader.Release();
      AddField(&record, "paramdeleted", FileExists(path) ? "0" : "1");
    } else {
      exitCode = 1;
    }
  }
  AddField(&record, "printer", info.m_szPrinterName);
  AddField(&record, "driver", info.m_szDriverName);
  AddField(&record, "port", info.m_szPortName);
  AddField(&record, "model", info.m_szModelID);
  AddField(&record, "prefs", info.m_fE ? "1" : "0");

  if (exitCode == 0 && info.m_szPrinterName.empty() && info.m_szPortName.empty()) exitCode = 1;
  if (exitCode == 0) {
    std::string command = "\"" + OwnFolder() + kStatusProgram + "\" " + LengthSwitch("P", info.m_szPrinterName) +
                          " " + LengthSwitch("D", info.m_szDriverName) + " " + LengthSwitch("O", info.m_szPortName) +
                          " " + LengthSwitch("M", info.m_szModelID) + (info.m_fE ? " /E" : "");
    AddField(&record, "status", command);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (::CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
      ::CloseHandle(pi.hThread);
      ::CloseHandle(pi.hProcess);
      AddField(&record, "started", "1");
    } else {
      AddField(&record, "started", "0 " + std::to_string(::GetLastError()));
      exitCode = 2;
    }
  }
  AddField(&record, "end", "");
  AppendRecord(record);
  return exitCode;
}
