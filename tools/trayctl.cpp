// Finds the agent that serves a printer and posts it a message, for tests and support.
static const char kUsage[] =
    "usage: trayctl [options] <command> <printer> [<number>]\n"
    "commands:\n"
    "  find <printer>              print the agent's window handle; exit 1 when there is none\n"
    "  notify <printer> <mousemsg> post the tray notification 1124, lParam the mouse message\n"
    "                              (a number such as 515, 0x205, or lbuttondblclk, rbuttonup, ...)\n"
    "  reload <printer>            post 1224 (reload the icon)\n"
    "  command <printer> <id>      post WM_COMMAND with the menu command id\n"
    "  close <printer>             post WM_CLOSE\n"
    "options:\n"
    "  -m <block>   instance map block to look in (default: the one the printer's driver\n"
    "               names, else ZeltV5MapFile_Ink)\n"
    "  -k <kind>    slot kind (default 3, the agent's)\n"
    "  -w           when the map has no live window, use the only window of class\n"
    "               \"TrayIconWClass\" titled \"ZELT3 TrayIcon\"\n"
    "The printer is the key of the map: a printer name, or the port name an agent serves.\n"
    "exit: 0 done; 1 no agent found; 2 usage; 3 the message could not be posted\n";
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "instmap/instmap.h"

namespace {

constexpr UINT kTrayNotify = 1124;
constexpr UINT kTrayReloadIcon = 1224;
constexpr char kAgentClass[] = "TrayIconWClass";
constexpr char kAgentTitle[] = "ZELT3 TrayIcon";

bool ParseNumber(const char* text, unsigned long* out) {
  static const struct {
    const char* name;
    unsigned long value;
  } kNames[] = {{"mousemove", WM_MOUSEMOVE},       {"lbuttondown", WM_LBUTTONDOWN}, {"lbuttonup", WM_LBUTTONUP},
                {"lbuttondblclk", WM_LBUTTONDBLCLK}, {"rbuttondown", WM_RBUTTONDOWN}, {"rbuttonup", WM_RBUTTONUP},
                {"rbuttondblclk", WM_RBUTTONDBLCLK}, {"contextmenu", WM_CONTEXTMENU}};
  for (const auto& n : kNames) {
    if (lstrcmpiA(text, n.name) == 0 || (std::strncmp(text, "WM_", 3) == 0 && lstrcmpiA(text + 3, n.name) == 0)) {
      *out = n.value;
      return true;
    }
  }
  char* end = nullptr;
  errno = 0;
  const unsigned long v = std::strtoul(text, &end, 0);
  if (end == text || *end != '\0' || errno != 0) return false;
  *out = v;
  return true;
}

struct AgentSearch {
  HWND found = nullptr;
  int count = 0;
};

BOOL CALLBACK CountAgentWindows(HWND hWnd, LPARAM param) {
  char cls[64] = {};
  char title[64] = {};
  ::GetClassNameA(hWnd, cls, sizeof cls);
  ::GetWindowTextA(hWnd, title, sizeof title);
  if (std::strcmp(cls, kAgentClass) == 0 && std::strcmp(title, kAgentTitle) == 0) {
    auto* search = reinterpret_cast<AgentSearch*>(param);
    search->found = hWnd;
    ++search->count;
  }
  return TRUE;
}

HWND OnlyAgentWindow() {
  AgentSearch search;
  ::EnumWindows(&CountAgentWindows, reinterpret_cast<LPARAM>(&search));
  return search.count == 1 ? search.found : nullptr;
}

int Usage() {
  std::fputs(kUsage, stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string mapName;
  int kind = kMapKindTray;
  bool fallback = false;
  int i = 1;
  for (; i < argc && argv[i][0] == '-'; ++i) {
    const std::string opt = argv[i];
    unsigned long v = 0;
    if (opt == "-m" && i + 1 < argc) {
      mapName = argv[++i];
    } else if (opt == "-k" && i + 1 < argc && ParseNumber(argv[i + 1], &v)) {
      kind = static_cast<int>(v);
      ++i;
    } else if (opt == "-w") {
      fallback = true;
    } else {
      return Usage();
    }
  }
  if (argc - i < 2) return Usage();
  const std::string command = argv[i];
  const char* printer = argv[i + 1];
  const int extra = argc - i - 2;

  UINT msg = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  unsigned long number = 0;
  if (command == "find" && extra == 0) {
  } else if (command == "notify" && extra == 1 && ParseNumber(argv[i + 2], &number)) {
    msg = kTrayNotify;
    lParam = static_cast<LPARAM>(number);
  } else if (command == "reload" && extra == 0) {
    msg = kTrayReloadIcon;
  } else if (command == "command" && extra == 1 && ParseNumber(argv[i + 2], &number)) {
    msg = WM_COMMAND;
    wParam = static_cast<WPARAM>(number);
  } else if (command == "close" && extra == 0) {
    msg = WM_CLOSE;
  } else {
    return Usage();
  }

  if (mapName.empty()) {
    char name[260] = {};
    if (GetMapName(printer, name, sizeof name) <= 0) return 1;
    mapName = name;
  }
  HWND hWnd = FindMapWindow(mapName.c_str(), printer, kind);
  if (hWnd == nullptr && fallback) hWnd = OnlyAgentWindow();
  if (hWnd == nullptr) {
    std::fprintf(stderr, "trayctl: no agent for \"%s\" in \"%s\"\n", printer, mapName.c_str());
    return 1;
  }
  if (msg == 0) {
    std::printf("0x%08lX\n", static_cast<unsigned long>(MapValueFromWindow(hWnd)));
    return 0;
  }
  return ::PostMessageA(hWnd, msg, wParam, lParam) ? 0 : 3;
}
