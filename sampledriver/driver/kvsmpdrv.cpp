// Main file of the KORVA sample ink-jet printer driver. The status monitor never loads
// it: the spooler records its path, and its folder is the driver directory in which the
// monitor finds the driver's other files.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID);

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
