// Placeholder until the extension items land: the popup keeps the resource's items.
#include "frame/mainframe.h"

int CMainFrame::AddExMenu(HMENU) { return 1; }
int CMainFrame::GetDepExeName(char*, std::size_t) { return 0; }
int CMainFrame::IsInkOrderMenu(UINT, const char*) { return 0; }
int CMainFrame::IsEnableInkOrder() { return 0; }
void CMainFrame::OnMeasureItem(WPARAM, MEASUREITEMSTRUCT*) {}
void CMainFrame::OnDrawItem(WPARAM, const DRAWITEMSTRUCT*) {}
