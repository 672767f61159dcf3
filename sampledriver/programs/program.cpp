// Sample programs of the KORVA sample driver that the status monitor's extension commands
// start: KVSCFG.EXE (settings), KVSUPD.EXE (driver update) and KVSORDER.EXE (ink
// ordering), built from this one file (KVS_PROGRAM_NAME says which). They show nothing:
// each records how it was started, as one line appended to KVSPROGS.LOG in the temporary
// folder (its own name, a tab, the command line exactly as it was given, CR LF), and ends
// with exit code 0.
#include <windows.h>

#include "sampledriver/common/samplefiles.h"

#include <string>

#ifndef KVS_PROGRAM_NAME
#error "KVS_PROGRAM_NAME names the program (KVSCFG.EXE, ...)"
#endif

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  const std::string line = std::string(KVS_PROGRAM_NAME) + "\t" + ::GetCommandLineA() + "\r\n";
  return AppendToFile(TempFilePath("KVSPROGS.LOG"), line) ? 0 : 1;
}
