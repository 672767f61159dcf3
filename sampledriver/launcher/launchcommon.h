#pragma once
// What the launcher and the status window program share: where they live, and the
// switches that carry a printer from one to the other. Windows only.
#include <string>

// The folder of the running program, with a trailing backslash ("" when unknown).
std::string OwnFolder();

// One switch with its value's exact length: "/P12 \"...\"". The length covers every
// byte between the quotes, so a value may hold double quotes, slashes or line feeds and
// still reads back unchanged; an empty value is written "/P0 \"\"".
std::string LengthSwitch(const char* name, const std::string& value);

// The status window program's file name, beside the launcher.
constexpr const char kStatusProgram[] = "KVSSTAT.EXE";
// The status window's class; its title is the printer's name and kStatusTitleSuffix.
constexpr const char kStatusWindowClass[] = "KVSStatusWindow";
constexpr const char kStatusTitleSuffix[] = " - Printer Status";
// The preferences page is a dialog titled with the printer's name and this.
constexpr const char kPrefsTitleSuffix[] = " - Monitoring Preferences";

// The launcher's record of every start, in the temporary folder; the environment value
// K_XRUN_LOG, when set, names another file (for a run whose temporary folder is gone).
constexpr const char kLaunchRecordName[] = "K_XRUN01.LOG";
constexpr const char kLaunchRecordVariable[] = "K_XRUN_LOG";
