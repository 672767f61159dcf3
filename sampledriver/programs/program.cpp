// Sample programs of the KORVA sample driver that the status monitor's extension commands
// start: KVSCFG.EXE (settings), KVSUPD.EXE (driver update) and KVSORDER.EXE (ink
// ordering), built from this one file (KVS_PROGRAM_NAME says which). They show nothing:
// each records how it was started, as one line appended to KVSPROGS.LOG in the temporary
// folder (its own name, a tab, the command line exactly as it was given, CR LF), and ends
// with exit code 0.
#include <windows.h>

#include <string>

#ifndef KVS_PROGRAM_NAME
#error "KVS_PROGRAM_NAME names the program (KVSCFG.EXE, ...)"
#endif

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  char temp[MAX_PATH + 1] = {};
  const DWORD n = ::GetTempPathA(MAX_PATH, temp);
  if (n == 0 || n > MAX_PATH) return 1;
  const std::string line = std::string(KVS_PROGRAM_NAME) + "\t" + ::GetCommandLineA() + "\r\n";
  HANDLE file = ::CreateFileA((std::string(temp) + "KVSPROGS.LOG").c_str(), FILE_APPEND_DATA,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  const BOOL ok = ::WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  ::CloseHandle(file);
  return ok ? 0 : 1;
}
