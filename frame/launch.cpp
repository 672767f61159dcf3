// Placeholder until the launcher lands: the commands are only logged.
#include "app/dbglog.h"
#include "frame/mainframe.h"

void CMainFrame::OnStatusWindow() { DbgLog("CMainFrame::OnStatusWindow"); }
void CMainFrame::OnMonitorPrefs() { DbgLog("CMainFrame::OnMonitorPrefs"); }
int CMainFrame::StartZELTExe(const char*, int) { return 0; }
