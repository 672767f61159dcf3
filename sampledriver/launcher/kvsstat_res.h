// Resource and control ids of the status window program, KVSSTAT.EXE (read by windres
// and by the tests that look at its windows).
#pragma once

#define IDD_PREFS 100

// The status window's controls.
#define IDC_STAT_ICON 200
#define IDC_STAT_PRINTER 201
#define IDC_STAT_PORT 202
#define IDC_STAT_MODEL 203
#define IDC_STAT_DRIVER 204
#define IDC_STAT_STATUS 205
#define IDC_STAT_JOBS 206
#define IDC_STAT_PREFS 207
#define IDC_STAT_CLOSE 208

// The preferences page.
#define IDC_PREFS_PRINTER 300
#define IDC_PREFS_ENABLE 301
#define IDC_PREFS_PIC0 310
#define IDC_PREFS_PIC1 311
#define IDC_PREFS_PIC2 312
#define IDC_PREFS_ICON0 320
#define IDC_PREFS_ICON1 321
#define IDC_PREFS_ICON2 322
