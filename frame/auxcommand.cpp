// Placeholder until the extension commands land: the command is only logged.
#include "app/dbglog.h"
#include "frame/mainframe.h"

void CMainFrame::OnAux(UINT id) { DbgLogInt("CMainFrame::OnAux : id", static_cast<std::int32_t>(id)); }
