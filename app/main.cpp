// GUI-subsystem entry: the agent has no console and no visible window of its own.
#include <windows.h>

#include "app/trayiconapp.h"

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE /*hPrevInstance*/, LPSTR lpCmdLine, int /*nShowCmd*/) {
  return RunTrayAgent(hInstance, lpCmdLine);
}
