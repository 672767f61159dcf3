// Sample utility library of the KORVA sample driver, built twice: KVSUTY01.DLL for model
// KVS100 and KVSUTY02.DLL for KVS200 (KVS_UTILITY_NAME says which). The status monitor
// loads it for one maintenance command, calls one entry point on a worker thread of its
// own and frees it again.
//
// Each entry point shows a small window on the calling thread that says what it does for
// which printer, and closes it by itself after kShownMs; it returns once the window is
// gone. This sample prints nothing.
//
// Everything is recorded, so that tests can see it, as lines appended to
// KVS_UTILITY_NAME.LOG in the temporary folder, fields separated by tabs, ending in CR LF:
//   LOAD / FREE, process id             the library was loaded / is being freed
//   <entry>, the four texts, process id, thread id, tick count at the start and at the end
//     (the line is written when the entry returns)
#include <windows.h>

#include "sampledriver/common/samplefiles.h"

#include <string>

#ifndef KVS_UTILITY_NAME
#error "KVS_UTILITY_NAME names the library (KVSUTY01, KVSUTY02)"
#endif

extern "C" {
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);
int WINAPI UtPrintNozzleTestPattern(const char* printerName, const char* arg2, const char* arg3, const char* arg4);
int WINAPI UtCleanHead(const char* printerName, const char* arg2, const char* arg3, const char* arg4);
int WINAPI UtAlignGap(const char* printerName, const char* arg2, const char* arg3, const char* arg4);
int WINAPI UtAutoCleanHead(const char* printerName, const char* arg2, const char* arg3, const char* arg4);
}

namespace {

constexpr char kLibraryName[] = KVS_UTILITY_NAME;
constexpr char kWindowClass[] = KVS_UTILITY_NAME "Window";
constexpr char kWindowTitle[] = "KORVA Sample Utility";
constexpr UINT kShownMs = 3000;
constexpr UINT_PTR kCloseTimer = 1;

HINSTANCE g_self = nullptr;

std::string Text(const char* s) { return s != nullptr ? s : ""; }

void Record(const std::string& line) { AppendToFile(TempFilePath((std::string(kLibraryName) + ".LOG").c_str()), line); }

struct Job {
  std::string text;
  bool done = false;
};

LRESULT CALLBACK UtilityWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Job* job = reinterpret_cast<Job*>(::GetWindowLongPtrA(hWnd, GWLP_USERDATA));
  switch (message) {
    case WM_NCCREATE: {
      const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
      ::SetWindowLongPtrA(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
      break;
    }
    case WM_TIMER:
      if (wParam == kCloseTimer) {
        ::KillTimer(hWnd, kCloseTimer);
        ::DestroyWindow(hWnd);
        return 0;
      }
      break;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = ::BeginPaint(hWnd, &ps);
      RECT area;
      ::GetClientRect(hWnd, &area);
      ::InflateRect(&area, -12, -12);
      HGDIOBJ oldFont = ::SelectObject(dc, ::GetStockObject(DEFAULT_GUI_FONT));
      ::SetBkMode(dc, TRANSPARENT);
      if (job != nullptr)
        ::DrawTextA(dc, job->text.c_str(), -1, &area, DT_LEFT | DT_VCENTER | DT_WORDBREAK | DT_NOPREFIX);
      ::SelectObject(dc, oldFont);
      ::EndPaint(hWnd, &ps);
      return 0;
    }
    case WM_NCDESTROY:
      if (job != nullptr) job->done = true;
      break;
    default:
      break;
  }
  return ::DefWindowProcA(hWnd, message, wParam, lParam);
}

// Shows the window with the text and runs this thread's messages until it has closed.
void ShowProgress(const std::string& text) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = &UtilityWndProc;
  wc.hInstance = g_self;
  wc.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = kWindowClass;
  // The class must not outlive the library: it is registered for this call and taken
  // away again below, so that a later load never meets a procedure of a freed copy.
  const bool registered = ::RegisterClassA(&wc) != 0;

  Job job;
  job.text = text;
  const int width = 440;
  const int height = 120;
  const int x = (::GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int y = (::GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  HWND window = ::CreateWindowExA(WS_EX_TOPMOST, kWindowClass, kWindowTitle, WS_POPUP | WS_CAPTION | WS_BORDER, x, y,
                                  width, height, nullptr, nullptr, g_self, &job);
  if (window != nullptr) {
    ::SetTimer(window, kCloseTimer, kShownMs, nullptr);
    ::ShowWindow(window, SW_SHOWNORMAL);
    ::UpdateWindow(window);
    MSG msg;
    while (!job.done) {
      const BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
      if (got == 0) {
        // A quit request belongs to whoever runs the thread's loop: hand it back.
        ::PostQuitMessage(static_cast<int>(msg.wParam));
        if (::IsWindow(window)) ::DestroyWindow(window);
        break;
      }
      if (got == -1) break;
      ::TranslateMessage(&msg);
      ::DispatchMessageA(&msg);
    }
  }
  if (registered) ::UnregisterClassA(kWindowClass, g_self);
}

int RunUtility(const char* entry, const char* what, const char* printerName, const char* arg2, const char* arg3,
               const char* arg4) {
  const DWORD start = ::GetTickCount();
  ShowProgress(std::string(what) + " " + Text(printerName) + "...");
  const DWORD end = ::GetTickCount();
  Record(std::string(entry) + "\t" + Text(printerName) + "\t" + Text(arg2) + "\t" + Text(arg3) + "\t" + Text(arg4) +
         "\t" + std::to_string(::GetCurrentProcessId()) + "\t" + std::to_string(::GetCurrentThreadId()) + "\t" +
         std::to_string(start) + "\t" + std::to_string(end) + "\r\n");
  return 0;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_self = instance;
    ::DisableThreadLibraryCalls(instance);
    Record("LOAD\t" + std::to_string(::GetCurrentProcessId()) + "\r\n");
  } else if (reason == DLL_PROCESS_DETACH) {
    Record("FREE\t" + std::to_string(::GetCurrentProcessId()) + "\r\n");
  }
  return TRUE;
}

extern "C" int WINAPI UtPrintNozzleTestPattern(const char* printerName, const char* arg2, const char* arg3,
                                               const char* arg4) {
  return RunUtility("UtPrintNozzleTestPattern", "Printing the nozzle check pattern on", printerName, arg2, arg3,
                    arg4);
}

extern "C" int WINAPI UtCleanHead(const char* printerName, const char* arg2, const char* arg3, const char* arg4) {
  return RunUtility("UtCleanHead", "Cleaning the print head of", printerName, arg2, arg3, arg4);
}

extern "C" int WINAPI UtAlignGap(const char* printerName, const char* arg2, const char* arg3, const char* arg4) {
  return RunUtility("UtAlignGap", "Aligning the print head gap of", printerName, arg2, arg3, arg4);
}

extern "C" int WINAPI UtAutoCleanHead(const char* printerName, const char* arg2, const char* arg3, const char* arg4) {
  return RunUtility("UtAutoCleanHead", "Running the automatic head cleaning on", printerName, arg2, arg3, arg4);
}
