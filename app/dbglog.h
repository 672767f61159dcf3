#pragma once
// The diagnostic log: a trace file shared by every agent on the machine, switched on by
// a registry value read once at process start. Off, every call returns at once.
//
// Each line is written by its own open-append-close cycle with a single write to a handle
// opened for appending only, so lines of concurrent processes and threads never tear or
// overwrite each other, and a crash loses nothing already logged.
#include <cstdint>

// Registry location of the switch value.
constexpr const char kLogSwitchKey[] = "SOFTWARE\\KORVA\\ZELT3";

// Stores the path and reads the switch (4 bytes of any type, non-zero = on) under
// HKEY_CURRENT_USER kLogSwitchKey. True when the log is on.
bool DbgLogInit(const char* path, const char* valueName);
// 1 when a line was written, else 0 (log off, argument missing, file not writable).
int DbgLog(const char* text);
int DbgLogStr(const char* label, const char* text);
int DbgLogInt(const char* label, std::int32_t value);
// The file is never held between lines; kept for the shape of the start and end steps.
int DbgLogClose();

// True when the log is on (to skip building expensive texts that would not be written).
bool DbgLogEnabled();
