#pragma once
// The application object and the program's entry sequence.
#include <windows.h>

#include <cstddef>

class CTrayIconApp {
 public:
  CTrayIconApp() = default;
  virtual ~CTrayIconApp() = default;
  CTrayIconApp(const CTrayIconApp&) = delete;
  CTrayIconApp& operator=(const CTrayIconApp&) = delete;

  // Decides whether this agent may run for the printer its command line names and sets
  // it up. True: run the message loop; false: end at once.
  bool InitInstance(const char* cmdLine, HINSTANCE hInstance);
  // Releases what start-up acquired, after the message loop (or a failed start).
  void ExitInstance();

  // Removes this printer's entry from the user's start-up list: the value named after the
  // printer, or else the first value whose data contains the parameter file's name.
  void DeleteStartupReg(const char* valueName, const char* searchText);
  // Deletes the parameter file that an old start-up value names after "/F" (in double
  // quotes), when it is a regular file.
  void DelOldIconRegFile(HKEY root, const char* subKey, const char* valueName);
};

extern CTrayIconApp theApp;

// The user's start-up list; the agent only ever deletes from it.
constexpr const char kStartupRunKey[] = "software\\Microsoft\\Windows\\CurrentVersion\\Run";

// The whole life of the process: log, start-up, message loop, exit step. Returns the
// exit code (the wParam of the last message taken from the queue, 0 when none).
int RunTrayAgent(HINSTANCE hInstance, const char* cmdLine);

// The log file's path: the common application-data folder (not created) followed by
// "\KORVA\ZELT3\K_TRLOG0.LOG", or "C:\K_TRLOG0.LOG" when the shell cannot give that folder.
// Fails only when out cannot hold even the fallback.
bool BuildLogPath(char* out, std::size_t outSize);
